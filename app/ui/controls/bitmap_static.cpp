#include "app/ui/controls/bitmap_static.h"

#include <QBitmap>
#include <QPainter>

namespace tagforge::ui {

void CBitmapStatic::SetTransparent(bool transparent) {
    m_transparent = transparent;
    update();
}

void CBitmapStatic::paintEvent(QPaintEvent* event) {
    const QPixmap picture = pixmap();
    if ((!m_transparent && !testAttribute(Qt::WA_TranslucentBackground)) || picture.isNull()) {
        QLabel::paintEvent(event);
        return;
    }
    QPixmap masked = picture;
    masked.setMask(picture.createMaskFromColor(QColor(255, 255, 255), Qt::MaskInColor));
    QPainter painter(this);
    painter.drawPixmap(0, 0, masked);
}

}  // namespace tagforge::ui
