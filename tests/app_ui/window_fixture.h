#pragma once
// A main window against a simulated reader, with a profile in a temporary configuration
// directory and prompts that record instead of asking.

#include <QAbstractButton>
#include <QApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSettings>
#include <QStringList>
#include <QTemporaryDir>
#include <functional>
#include <memory>

#include "app/core/engine_host.h"
#include "app/core/reader_library.h"
#include "app/ui/qt_profile.h"
#include "app/ui/tagforge_dlg.h"
#include "app/ui/user_prompts.h"
#include "sim/pty_link.h"
#include "tests/app_settings/temporary_profile.h"

namespace tagforge::ui::test {

class RecordingPrompts final : public UiPrompts {
  public:
    void Message(QWidget*, const QString& text) override {
        messages << text;
        if (onMessage) {
            onMessage(text);
        }
    }
    QString ChooseLogFile(QWidget*, bool, const QString&) override { return nextFile; }
    QString ChooseDataFile(QWidget*, bool save) override {
        (save ? savesAsked : loadsAsked)++;
        return nextFile;
    }
    bool Question(QWidget*, const QString& text) override {
        questions << text;
        return false;
    }
    void OpenAddress(const QUrl& address) override { opened << address; }
    // The interface selection window and the content window: cancelled unless the test decides
    // otherwise.
    int RunModal(QDialog& dialog) override {
        ++modalRuns;
        return runModal ? runModal(dialog) : QDialog::Rejected;
    }

    QStringList messages;
    QStringList questions;
    QList<QUrl> opened;
    std::function<int(QDialog&)> runModal;
    std::function<void(const QString&)> onMessage;
    int modalRuns = 0;
    QString nextFile;
    int savesAsked = 0;
    int loadsAsked = 0;
};

// A simulated programmer with the profile pointing at it.
struct SimulatedWindow {
    explicit SimulatedWindow(int deviceCode = 0x125) : link(Reader(deviceCode)) {
        profile.WriteString("Port", "Name", link.Path());
        profile.WriteInt("Port", "Adresse", 1);
    }

    static vesmor::sim::ReaderConfig Reader(int deviceCode) {
        vesmor::sim::ReaderConfig config;
        config.deviceCode = deviceCode;
        return config;
    }

    // A window as the program makes it, initialised (connected).
    CVESMOR_TagforgeDlg& Open() {
        window = std::make_unique<CVESMOR_TagforgeDlg>(
            DialogServices{profile, VesmorLibrary(), *interfaces, beeper, clock, prompts,
                           logs.path().toStdString() + "/"});
        window->Initialize();
        window->ConnectPendingReader();
        return *window;
    }

    template <class T>
    T* Control(const char* name) const {
        return window->findChild<T*>(name);
    }
    void Click(const char* name) const { Control<QAbstractButton>(name)->click(); }

    tagforge::test::TemporaryProfileHome home;
    QTemporaryDir logs;
    vesmor::sim::PtyLink link;
    QtProfile profile;
    InterfaceLibrary* interfaces = &VesmorInterfaces();  // a test may present its own devices
    SilentBeeper beeper;
    SteadyClock clock;
    RecordingPrompts prompts;
    std::unique_ptr<CVESMOR_TagforgeDlg> window;
};

}  // namespace tagforge::ui::test
