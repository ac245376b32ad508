#pragma once
// The program's window icon, drawn in code so that no image file has to be found at run time.

#include <QIcon>

namespace tagforge::ui {

// A transponder card with its antenna coil, in the sizes a desktop asks for.
QIcon TagforgeIcon();

}  // namespace tagforge::ui
