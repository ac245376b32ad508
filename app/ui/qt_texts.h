#pragma once
// Qt's own texts (the buttons of message boxes, the file dialogs) in the window's language.

#include <QTranslator>

namespace tagforge::ui {

// Installs Qt's German texts into the application when German is the window's language and
// removes them for English. Without Qt's translation files Qt keeps its English texts.
void SelectQtTexts(QTranslator& translator, bool german);

}  // namespace tagforge::ui
