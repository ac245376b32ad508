#pragma once
// `CPortDlg`, the window "Schnittstelle": the user picks the reader's interface (serial port,
// USB, LAN or Bluetooth reader), the serial format, the answer timeout and the device address,
// and switches USB readers between HID and virtual COM mode. The decisions are PortChoice's;
// this class shows them and passes the user's actions on.

#include <QBasicTimer>
#include <QDialog>
#include <QPointer>
#include <memory>
#include <string>
#include <vector>

#include "periphery/port_choice.h"
#include "periphery/ui/port_prompts.h"

namespace Ui {
class CPortDlg;
}

namespace tagforge::ui {

class DeviceChangeMonitor;

class CPortDlg final : public QDialog, private PortChoiceView {
  public:
    // Reads section "Port" of the profile and checks the stored interface against the devices
    // present (which enumerates them). The window is filled when it is first shown.
    CPortDlg(ProfileStore& profile, InterfaceLibrary& library, PortDlgPrompts& prompts,
             QWidget* parent = nullptr);
    ~CPortDlg() override;

    std::string GetOpenString() const { return m_choice.GetOpenString(); }
    const PortChoice& Choice() const { return m_choice; }

    // A device-change notification: kDeviceArrival, kDeviceNodesChanged or kRefreshRequest.
    void DeviceChanged(int event) { m_choice.OnDeviceChange(event); }

    void setVisible(bool visible) override;
    // OK: the fields are checked, then section "Port" is written.
    void accept() override;

  protected:
    void timerEvent(QTimerEvent* event) override;

  private:
    // PortChoiceView
    void ShowEntries(const std::vector<std::string>& entries) override;
    void SelectEntry(int index) override;
    int SelectedEntry() const override;
    void ShowModeButtons(ModeState state) override;
    void EnableSerialFormat(bool enabled) override;
    void ShowLanSearch(bool visible) override;
    std::string RunLanSearch() override;
    void ShowFieldError(Field field, const CheckResult& check) override;
    bool AskQuestion(const std::vector<int>& messageIds) override;
    void OpenDriverPage() override;
    void Wait(int milliseconds) override;
    void PostDeviceChange(int event) override;
    void StartTimer(int id, int periodMs) override;
    void KillTimer(int id) override;
    void SetBusy(bool busy) override;

    void Initialize();
    void ConnectSignals();
    PortFields Fields() const;
    SerialChoice Serial() const;
    std::vector<std::string> BaudEntries() const;

    std::unique_ptr<Ui::CPortDlg> m_ui;
    InterfaceLibrary& m_library;
    PortDlgPrompts& m_prompts;
    PortChoice m_choice;
    QBasicTimer m_refreshTimer;
    int m_refreshTimerId = 0;
    std::unique_ptr<DeviceChangeMonitor> m_monitor;
    QPointer<QWidget> m_disabledWindow;
    bool m_initialized = false;
};

}  // namespace tagforge::ui
