// Renders the settings window and the About window offscreen: the About window while it checks,
// with the program up to date, with a newer version offered, without a server, without one
// configured, and while the installer downloads. The version
// files come from an HTTPS server on loopback with a certificate made for the run. The pictures
// go to the directory given as the first argument.

#include <QApplication>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <cstdio>

#include "app/ui/about_dlg.h"
#include "app/ui/beep_time_dlg.h"
#include "app/ui/controls/label.h"
#include "app/ui/qt_texts.h"
#include "app/update/updater.h"
#include "tests/app_settings/recording_profile.h"
#include "tests/app_ui/grab_to_file.h"
#include "tests/app_update/https_server.h"

namespace {

using tagforge::ui::test::GrabToFile;
using namespace tagforge::update;

class NoPrompts final : public tagforge::ui::PortDlgPrompts {
  public:
    void Message(QWidget*, const QString& text) override {
        std::printf("message box: %s\n", qPrintable(text));
    }
    bool Question(QWidget*, const QString&) override { return false; }
    void OpenAddress(const QUrl&) override {}
};

const QString kVersionPath = "/rfid/software/RFIDVersionsHF.txt";

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const tagforge::ui::test::RenderLanguage language;  // the pictures' language
    QTranslator qtTexts;
    tagforge::ui::SelectQtTexts(qtTexts, true);
    const QString directory = tagforge::ui::test::ScreenshotDirectory(argc, argv);
    tagforge::test::RecordingProfile profile;
    NoPrompts prompts;
    bool ok = true;

    profile.ints["Settings/BeepTime"] = 300;
    profile.ints["Settings/ZyklusZeit"] = 250;
    {
        tagforge::ui::CBeepTimeDlg settings(profile, prompts);
        settings.show();
        ok &= GrabToFile(settings, tagforge::ui::test::ShotFile(directory, "settings"));
    }

    QTemporaryDir certificates;
    test::HttpsTestServer server;
    if (!test::MakeCertificate(certificates.path(), "render") ||
        !server.Start(certificates.path(), "render")) {
        std::printf("no HTTPS server for the About window\n");
        return 1;
    }
    struct State {
        const char* file;
        QByteArray versionFile;
        bool serverUp;
        bool wait;
        bool configured = true;  // false: no update server configured
    };
    const State states[] = {
        {"about_checking.png", "", true, false},
        {"about_current.png", "[VESMOR_Tagforge]\nVersion=1.0\nBuild=2026-01-01\n", true, true},
        {"about_new_version.png", "[VESMOR_Tagforge]\nVersion=1.19\nBuild=2026-03-01\n", true,
         true},
        {"about_no_connection.png", "", false, true},
        {"about_no_server.png", "", true, true, false},
    };
    for (const State& state : states) {
        server.SetAnswer(kVersionPath, {200, state.versionFile, -1, state.wait ? 0 : 60000, {}});
        UpdaterConfig config;
        config.versionFileAddress =
            state.serverUp
                ? server.Url(kVersionPath).toString()
                : QString("https://127.0.0.1:%1%2").arg(test::UnusedPort()).arg(kVersionPath);
        if (!state.configured) {
            config.versionFileAddress.clear();
        }
        config.caFile = certificates.path() + "/render.crt";
        config.ownVersionResource = "1.0";
        config.ownBuild = "2026-01-01";
        Updater updater(config);
        tagforge::ui::CAboutDlg about(profile, updater, prompts);
        about.show();
        auto* status = about.findChild<tagforge::ui::CLabel*>("labelUpdateStatus");
        // The status line shows its "check" text (in the window's language) until the result.
        const QString checking = status->text();
        if (state.wait) {
            for (int waited = 0; status->text() == checking && waited < 20000; waited += 50) {
                QTest::qWait(50);
            }
        }
        ok &= GrabToFile(about,
                         tagforge::ui::test::ShotFile(directory, QString(state.file).chopped(4)));
        about.reject();
        updater.Shutdown();
    }
    // While the offered installer downloads: the progress bar and its cancel button.
    {
        server.SetAnswer(
            kVersionPath,
            {200,
             "[VESMOR_Tagforge]\nVersion=1.19\nBuild=2026-03-01\nInstaller=Setup.run\n",
             -1,
             0,
             {}});
        server.SetAnswer("/rfid/software/Setup.run",
                         {200, QByteArray(4096, 'x'), -1, 0, {}, -1, 5});
        QTemporaryDir downloads;
        UpdaterConfig config;
        config.versionFileAddress = server.Url(kVersionPath).toString();
        config.caFile = certificates.path() + "/render.crt";
        config.ownVersionResource = "1.0";
        config.ownBuild = "2026-01-01";
        config.temporaryDirectory = downloads.path();
        Updater updater(config);
        tagforge::ui::CAboutDlg about(profile, updater, prompts);
        about.show();
        auto* status = about.findChild<tagforge::ui::CLabel*>("labelUpdateStatus");
        const QString checking = status->text();
        for (int waited = 0; status->text() == checking && waited < 20000; waited += 50) {
            QTest::qWait(50);
        }
        QTimer::singleShot(1500, &about, [&] {
            ok &= GrabToFile(about, tagforge::ui::test::ShotFile(directory, "about_downloading"));
            updater.CancelDownload();
        });
        QTest::mouseClick(status, Qt::LeftButton);
        about.reject();
        updater.Shutdown();
    }
    return ok ? 0 : 1;
}
