#include "app/ui/fixed_font.h"

#include <QFontDatabase>
#include <QFontInfo>

namespace tagforge::ui {

namespace {

void TakeSize(QFont& font, const QFont& from) {
    if (from.pointSizeF() > 0) {
        font.setPointSizeF(from.pointSizeF());
    } else if (from.pixelSize() > 0) {
        font.setPixelSize(from.pixelSize());
    }
}

}  // namespace

QFont FixedPitchFont(const QFont& dialogFont) {
    QFont font("Courier New");
    font.setStyleHint(QFont::TypeWriter);
    if (!QFontInfo(font).fixedPitch()) {
        font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    }
    TakeSize(font, dialogFont);
    return font;
}

}  // namespace tagforge::ui
