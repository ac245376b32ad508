// The main window as the program runs it (the start loop with its quit signals), with the
// profile of the user's configuration directory, its write cycle started as soon as it is
// connected. counter_signal_test.cpp sends it signals or kills it while tags pass the reader.
// Prints "cycle" once the cycle runs and "closed" when the start loop returned.

#include <QAbstractButton>
#include <QApplication>
#include <iostream>

#include "app/core/engine_host.h"
#include "app/core/reader_library.h"
#include "app/ui/app_paths.h"
#include "app/ui/language.h"
#include "app/ui/qt_profile.h"
#include "app/ui/tagforge_app.h"
#include "app/ui/user_prompts.h"

namespace {

using namespace tagforge;
using namespace tagforge::ui;

// Messages go to the error output; no modal window is shown.
class PrintedPrompts final : public UiPrompts {
  public:
    void Message(QWidget*, const QString& text) override {
        std::cerr << text.toStdString() << std::endl;
    }
    QString ChooseLogFile(QWidget*, bool, const QString&) override { return {}; }
    QString ChooseDataFile(QWidget*, bool) override { return {}; }
    bool Question(QWidget*, const QString&) override { return false; }
    void OpenAddress(const QUrl&) override {}
    int RunModal(QDialog&) override { return QDialog::Rejected; }
};

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QCoreApplication::setOrganizationName(kMakerName);
    QCoreApplication::setApplicationName(kProfileName);
    QtProfile profile;
    SilentBeeper beeper;
    SteadyClock clock;
    PrintedPrompts prompts;
    Translations translations({});
    const DialogServices services{profile, VesmorLibrary(), VesmorInterfaces(), beeper,
                                  clock,   prompts,         "/nonexistent/"};
    WindowLoopHooks hooks;
    hooks.opened = [](CVESMOR_TagforgeDlg& window) {
        window.findChild<QAbstractButton*>("buttonWriteCycle")->click();
        std::cout << (window.WriteCycleRunning() ? "cycle" : "no cycle") << std::endl;
    };
    hooks.ended = [&](int) { profile.Flush(); };
    const int result = RunMainWindows(services, translations, hooks);
    std::cout << "closed" << std::endl;
    return result;
}
