#include "app/ui/about_logo.h"

#include <QPainter>
#include <QPainterPath>

namespace tagforge::ui {

QPixmap AboutLogo() {
    constexpr int kSize = 96;
    QPixmap picture(kSize, kSize);
    // White is the transparent colour; everything drawn avoids pure white.
    picture.fill(Qt::white);
    QPainter painter(&picture);
    // Hard edges: a smoothed edge would blend into near-white pixels that stay visible.
    painter.setRenderHint(QPainter::Antialiasing, false);
    const QColor navy(0x1f, 0x3a, 0x5f);
    const QColor blue(0x3d, 0x7a, 0xc8);
    const QColor gold(0xf2, 0xc1, 0x4e);
    // The card, tilted a little.
    painter.translate(kSize / 2.0, 38);
    painter.rotate(-12);
    painter.setPen(QPen(navy, 3));
    painter.setBrush(blue);
    painter.drawRoundedRect(QRectF(-34, -22, 68, 44), 7, 7);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(gold, 3));
    for (int turn = 0; turn < 3; ++turn) {
        const qreal inset = 7 + 6 * turn;
        painter.drawRoundedRect(
            QRectF(-34 + inset, -22 + inset * 0.7, 68 - 2 * inset, 44 - 1.4 * inset), 4, 4);
    }
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0x22, 0x22, 0x22));
    painter.drawRect(QRectF(-4, -4, 8, 8));
    painter.resetTransform();
    // The name under the card.
    QFont letters("DejaVu Sans");
    letters.setPixelSize(17);
    letters.setBold(true);
    letters.setStyleStrategy(QFont::NoAntialias);
    painter.setFont(letters);
    painter.setPen(navy);
    painter.drawText(QRect(0, 70, kSize, 24), Qt::AlignCenter, "VESMOR");
    return picture;
}

}  // namespace tagforge::ui
