#pragma once
// An interface selection window over a fake device tree, with its profile in memory and prompts
// that record instead of asking (the driver page is never opened).

#include <stdlib.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QList>
#include <QStringList>
#include <QUrl>
#include <functional>
#include <memory>

#include "periphery/ui/port_dlg.h"
#include "tests/app_settings/recording_profile.h"
#include "tests/periphery_ui/listed_interfaces.h"
#include "tests/transports/fake_sysfs.h"

namespace tagforge::test {

class RecordingPortPrompts final : public ui::PortDlgPrompts {
  public:
    void Message(QWidget*, const QString& text) override { messages << text; }
    bool Question(QWidget* parent, const QString& text) override {
        questions << text;
        return onQuestion ? onQuestion(parent, text) : answerYes;
    }
    void OpenAddress(const QUrl& address) override { opened << address; }
    bool RetryOrCancel(QWidget*, const QString& caption, const QString& text) override {
        retryQuestions << caption + "|" + text;
        return onRetry ? onRetry() : false;
    }
    // The window is shown as exec() would show it; the test acts on it in onModal, and what
    // is left open is then cancelled.
    int RunModal(QDialog& dialog) override {
        modals << dialog.objectName();
        dialog.show();
        QApplication::processEvents();
        if (onModal) {
            onModal(dialog);
        }
        if (dialog.isVisible()) {
            dialog.reject();
        }
        return dialog.result();
    }

    QStringList messages;
    QStringList questions;
    QList<QUrl> opened;
    bool answerYes = false;
    std::function<bool(QWidget*, const QString&)> onQuestion;
    QStringList retryQuestions;  // caption|text
    std::function<bool()> onRetry;
    QStringList modals;
    std::function<void(QDialog&)> onModal;
};

// A fake sysfs tree and module directory, named by the environment while the object lives, and
// a runtime directory of its own, so that the simulators other tests run at the same time are
// not listed.
class DeviceTree {
  public:
    DeviceTree() {
        setenv("VESMOR_SYSFS_ROOT", tree.Root().c_str(), 1);
        setenv("VESMOR_MODULES_DIR", tree.ModulesDir().c_str(), 1);
        setenv("VESMOR_RUNTIME_DIR", (tree.Root() + "/run").c_str(), 1);
    }
    ~DeviceTree() {
        unsetenv("VESMOR_SYSFS_ROOT");
        unsetenv("VESMOR_MODULES_DIR");
        unsetenv("VESMOR_RUNTIME_DIR");
    }
    DeviceTree(const DeviceTree&) = delete;
    DeviceTree& operator=(const DeviceTree&) = delete;

    // A built-in 16550A UART.
    void AddUart(const std::string& name) {
        tree.AddUart(name, "platform/serial8250", "serial8250", 4);
    }
    // A reader with the maker's virtual COM interface on its driver.
    void AddVirtualComReader(const std::string& usbName, const std::string& tty) {
        const std::string reader = tree.AddUsbDevice(usbName, 0x1C40, 0x05AC, "CDC Serial");
        tree.AddTtyOfInterface(tty, tree.AddUsbInterface(reader, 0, "cdc_acm"));
    }
    // The same reader before its driver is installed.
    void AddReaderWithoutDriver(const std::string& usbName) {
        tree.AddUsbInterface(tree.AddUsbDevice(usbName, 0x1C40, 0x05AC), 0, "");
    }

    vesmor::testing::FakeSysfs tree;
};

struct PortDialog {
    ui::CPortDlg& Make(QWidget* parent = nullptr) {
        dialog = std::make_unique<ui::CPortDlg>(profile, library, prompts, parent);
        return *dialog;
    }
    // Made, shown, and the refresh it posts when shown handled.
    ui::CPortDlg& Show(QWidget* parent = nullptr) {
        Make(parent).show();
        QApplication::processEvents();
        return *dialog;
    }

    template <class T>
    T* Control(const char* name) const {
        return dialog->findChild<T*>(name);
    }
    void Click(const char* name) const { Control<QAbstractButton>(name)->click(); }

    DeviceTree devices;
    RecordingProfile profile;
    ListedInterfaces library;
    RecordingPortPrompts prompts;
    std::unique_ptr<ui::CPortDlg> dialog;
};

}  // namespace tagforge::test
