#include "app/ui/tagforge_app.h"

#include "app/audio/alsa_beeper.h"
#include "app/core/reader_library.h"
#include "app/ui/app_paths.h"
#include "app/ui/qt_profile.h"
#include "app/ui/qt_texts.h"
#include "app/ui/tagforge_dlg.h"
#include "app/ui/wait_hooks_qt.h"

namespace tagforge::ui {

namespace {

constexpr const char* kEnglishTranslation = "VESMOR_TagforgeEng";

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
    const DialogServices services{profile,
                                  VesmorLibrary(),
                                  VesmorInterfaces(),
                                  beeper,
                                  clock,
                                  prompts,
                                  DefaultLogDirectory().toStdString()};
    for (;;) {
        SelectLanguage(LoadLanguage(profile));
        int result = CVESMOR_TagforgeDlg::kResultClose;
        {
            CVESMOR_TagforgeDlg window(services);
            window.Initialize();
            result = window.exec();
        }
        profile.Flush();
        QCoreApplication::processEvents();
        if (result == CVESMOR_TagforgeDlg::kResultClose) {
            return 0;
        }
    }
}

void CVESMOR_TagforgeApp::SelectLanguage(int language) {
    SelectQtTexts(m_qtTexts, language <= 0);
    if (language > 0 && !m_englishInstalled) {
        const QString shared = ProgramDirectory() + "../share/vesmor-tagforge";
        if (m_english.load(kEnglishTranslation, ProgramDirectory()) ||
            m_english.load(kEnglishTranslation, shared)) {
            m_englishInstalled = QCoreApplication::installTranslator(&m_english);
        }
    } else if (language <= 0 && m_englishInstalled) {
        QCoreApplication::removeTranslator(&m_english);
        m_englishInstalled = false;
    }
}

}  // namespace tagforge::ui
