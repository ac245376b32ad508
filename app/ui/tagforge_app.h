#pragma once
// The application object: selects the profile and the language, runs the main window modally and
// creates it again until it is closed for good.

#include <QApplication>
#include <functional>

#include "app/ui/tagforge_dlg.h"

namespace tagforge::ui {

class Translations;

// What the start loop lets its caller see: every window once it is initialised (connected) and
// before it runs, and the end of every window.
struct WindowLoopHooks {
    std::function<void(CVESMOR_TagforgeDlg&)> opened;
    std::function<void(int result)> ended;
};

// Runs main windows one after the other until one ends with kResultClose; before each the
// language is selected from `Sprache`. A window ending with kResultRecreate (1) or
// kResultLanguage (10) is followed by a new one at once, which reads the settings its
// predecessor saved and connects to the reader again.
int RunMainWindows(const DialogServices& services, Translations& translations,
                   const WindowLoopHooks& hooks = {});

class CVESMOR_TagforgeApp {
  public:
    CVESMOR_TagforgeApp(int& argc, char** argv);
    int Run();

  private:
    QApplication m_application;
};

}  // namespace tagforge::ui
