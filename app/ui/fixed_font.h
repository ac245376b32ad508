#pragma once

#include <QFont>

namespace tagforge::ui {

// "Courier New" (fontconfig gives its metric twin where it is missing) at the size of
// `dialogFont`; the system's fixed-pitch font when no fixed-pitch face answers to that name.
QFont FixedPitchFont(const QFont& dialogFont);

}  // namespace tagforge::ui
