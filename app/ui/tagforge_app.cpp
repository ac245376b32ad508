#include "app/ui/tagforge_app.h"

#include "app/audio/alsa_beeper.h"
#include "app/core/reader_library.h"
#include "app/i18n/translation.h"
#include "app/ui/app_paths.h"
#include "app/ui/language.h"
#include "app/ui/qt_profile.h"
#include "app/ui/quit_signals.h"
#include "app/ui/wait_hooks_qt.h"

namespace tagforge::ui {

namespace {

// The beep keeps the window painting but takes no input while it sounds, like a reader wait.
class WindowBeeper final : public Beeper {
  public:
    void Beep(int frequencyHz, int durationMs) override {
        const UiWaitHooks::Scope wait;
        m_alsa.Beep(frequencyHz, durationMs);
    }

  private:
    AlsaBeeper m_alsa{UiWaitHooks::Pump};
};

}  // namespace

int RunMainWindows(const DialogServices& services, Translations& translations,
                   const WindowLoopHooks& hooks) {
    // A logout, `kill` or Ctrl-C in the terminal closes the window as "Schliessen" does and
    // ends the loop.
    bool quit = false;
    CVESMOR_TagforgeDlg* current = nullptr;
    const QuitSignals quitSignals([&] {
        quit = true;
        if (current != nullptr) {
            current->RequestClose();
        }
    });
    for (;;) {
        translations.Select(LoadLanguage(services.profile));
        int result = CVESMOR_TagforgeDlg::kResultClose;
        {
            CVESMOR_TagforgeDlg window(services);
            current = &window;
            window.Initialize();
            if (hooks.opened && !quit) {
                hooks.opened(window);
            }
            // A signal while connecting: the window is closed (and its settings saved) without
            // being shown.
            result = quit ? (window.done(CVESMOR_TagforgeDlg::kResultClose), window.result())
                          : window.exec();
            current = nullptr;
        }
        // Whatever the ended window left queued (deferred deletes, timers) is handled before
        // the next one is made.
        QCoreApplication::processEvents();
        if (hooks.ended) {
            hooks.ended(result);
        }
        if (result == CVESMOR_TagforgeDlg::kResultClose || quit) {
            return 0;
        }
    }
}

CVESMOR_TagforgeApp::CVESMOR_TagforgeApp(int& argc, char** argv) : m_application(argc, argv) {
    QCoreApplication::setOrganizationName(kMakerName);
    QCoreApplication::setApplicationName(kProfileName);
}

int CVESMOR_TagforgeApp::Run() {
    const UiWaitHooks hooks;
    QtProfile profile;
    WindowBeeper beeper;
    SteadyClock clock;
    DialogPrompts prompts;
    Translations translations(i18n::DataDirectories(ProgramDirectory()));
    const DialogServices services{profile,
                                  VesmorLibrary(),
                                  VesmorInterfaces(),
                                  beeper,
                                  clock,
                                  prompts,
                                  DefaultLogDirectory().toStdString()};
    WindowLoopHooks loopHooks;
    loopHooks.ended = [&](int) { profile.Flush(); };
    return RunMainWindows(services, translations, loopHooks);
}

}  // namespace tagforge::ui
