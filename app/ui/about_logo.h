#pragma once
// The About window's picture, drawn here: a transponder card with its coil beside the letters
// "VESMOR", on white, which the picture control leaves out.

#include <QPixmap>

namespace tagforge::ui {

QPixmap AboutLogo();

}  // namespace tagforge::ui
