#include "app/ui/window_icon.h"

#include <QPainter>
#include <QPixmap>

namespace tagforge::ui {

namespace {

QPixmap DrawIcon(int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal unit = size / 16.0;
    // The card.
    painter.setPen(QPen(QColor(0x1f, 0x3a, 0x5f), unit));
    painter.setBrush(QColor(0x3d, 0x7a, 0xc8));
    painter.drawRoundedRect(QRectF(unit, 2.5 * unit, 14 * unit, 11 * unit), 1.5 * unit, 1.5 * unit);
    // Three turns of the coil around the chip.
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(QColor(0xf2, 0xc1, 0x4e), 0.8 * unit));
    for (int turn = 0; turn < 3; ++turn) {
        const qreal inset = (2.5 + 1.5 * turn) * unit;
        painter.drawRoundedRect(
            QRectF(inset, inset + 1.5 * unit, 16 * unit - 2 * inset, 13 * unit - 2 * inset), unit,
            unit);
    }
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0x22, 0x22, 0x22));
    painter.drawRect(QRectF(7 * unit, 7 * unit, 2 * unit, 2 * unit));
    return pixmap;
}

}  // namespace

QIcon TagforgeIcon() {
    QIcon icon;
    for (int size : {16, 32, 48, 64, 128}) {
        icon.addPixmap(DrawIcon(size));
    }
    return icon;
}

}  // namespace tagforge::ui
