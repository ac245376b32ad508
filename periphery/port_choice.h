#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "common/input_check.h"
#include "common/profile_store.h"
#include "periphery/interface_library.h"
#include "periphery/port_names.h"

// What `CPortDlg` decides, without its widgets: the stored interface checked against the
// devices present, the list kept in step with devices plugged in and out, the mode switch of
// USB readers, and the settings of section "Port" written on OK.
namespace tagforge {

// The window of the dialog, as the decisions need it.
class PortChoiceView {
  public:
    virtual ~PortChoiceView() = default;

    // Empties the interface list and fills it with `entries`; nothing is selected then.
    virtual void ShowEntries(const std::vector<std::string>& entries) = 0;
    // Selects an entry without reporting it as the user's choice.
    virtual void SelectEntry(int index) = 0;
    // The selected entry, -1 for none.
    virtual int SelectedEntry() const = 0;
    virtual void ShowModeButtons(ModeState state) = 0;
    // "Baudrate", "Parität" and "Stopbits:".
    virtual void EnableSerialFormat(bool enabled) = 0;
    // "IP ?".
    virtual void ShowLanSearch(bool visible) = 0;
    // Runs the LAN search window modally; the reader chosen there, "" for none.
    virtual std::string RunLanSearch() = 0;

    enum class Field { kTimeout, kAddress };
    // A failed input check: the message, then the field gets the focus.
    virtual void ShowFieldError(Field field, const CheckResult& check) = 0;
    // A Yes/No question with the question icon; the text is each message followed by "\n".
    virtual bool AskQuestion(const std::vector<int>& messageIds) = 0;
    // After Yes to the driver question: tells what to do for the reader (string 10132; on Linux
    // a kernel module, the udev rules and the user's groups, nothing to download).
    virtual void OpenDriverPage() = 0;

    // Waits while the window keeps painting and its timers and posted events run.
    virtual void Wait(int milliseconds) = 0;
    // Queues a device-change event for the dialog itself.
    virtual void PostDeviceChange(int event) = 0;
    // A periodic timer (restarted when it runs) and its end.
    virtual void StartTimer(int id, int periodMs) = 0;
    virtual void KillTimer(int id) = 0;
    // Wait cursor and the application's main window disabled, while a reader is switched.
    virtual void SetBusy(bool busy) = 0;
};

// What the user typed into the fields read back by OK and "Ethernet aktivieren".
struct PortFields {
    std::string timeout;
    bool ethernet = false;
    std::string address;
};

class PortChoice {
  public:
    static constexpr int kRefreshTimerId = 1000;
    static constexpr int kRefreshPeriodMs = 1000;
    // Timed refreshes after a device event.
    static constexpr int kFollowUpRefreshes = 5;

    // Reads section "Port" and checks the stored interface against the devices present; a
    // replaced name is written back at once. The view is not used before Initialize().
    PortChoice(ProfileStore& profile, InterfaceLibrary& library, PortChoiceView& view);
    PortChoice(const PortChoice&) = delete;
    PortChoice& operator=(const PortChoice&) = delete;

    // The connection string for VESMOR_OpenPort: the current name without its kind prefix,
    // ":" and the device address in decimal.
    std::string GetOpenString() const;

    // Fills the window: the lists not fetched yet, the selection of the current name, the
    // controls that depend on it; then a refresh is posted.
    void Initialize();

    // Replaces `stored` by the library's list of that kind; true when it differed.
    bool RefreshInterfaceList(InterfaceKind kind, std::vector<std::string>& stored);

    void OnDeviceChange(int event);
    void OnTimer(int id);
    void UpdateModeButtons(const std::string& name);
    // False when drivers are missing (the question was asked).
    bool ShowMissingDriverMessage();

    // "HID Mode", "Virtual Com", list selection, "Ethernet aktivieren", "IP ?".
    void OnHidMode();
    void OnVirtualCom();
    void OnSelectionChanged();
    void OnEthernetClicked(const PortFields& fields);
    void OnLanSearch();
    // OK: the fields are read back with their checks (a failure keeps the dialog open and writes
    // nothing), then section "Port" is written. True when the dialog may end.
    bool OnOk(const PortFields& fields, const SerialChoice& serial,
              const std::vector<std::string>& baudEntries);

    const std::string& CurrentName() const { return m_name; }
    uint32_t Timeout() const { return m_timeout; }
    bool EthernetEnabled() const { return m_ethernet; }
    int Address() const { return m_address; }
    int EncodedBaud() const { return m_baud; }
    int RefreshCountdown() const { return m_countdown; }

  private:
    static constexpr const char* kSection = "Port";
    static constexpr int kDefaultBaud = 19200;

    std::vector<std::string>& ListOf(InterfaceKind kind);
    void CheckStoredInterface();
    void ReplaceGoneReader(InterfaceKind kind);
    void StoreName(const std::string& name);
    void FillList();
    void SelectCurrentName();
    bool TakeSelection();
    void ShowKindControls();
    void RefreshPass(int event);
    void FollowUp(int event);
    void StartRefreshTimer();
    void OfferDriverPage(const std::vector<int>& lines);
    void SwitchReader(const std::string& openName, int mode);
    bool ReadBack(const PortFields& fields);

    ProfileStore& m_profile;
    InterfaceLibrary& m_library;
    PortChoiceView& m_view;

    uint32_t m_timeout = 0;
    bool m_ethernet = false;
    int m_address = 1;
    int m_refreshTimerId = 0;
    int m_countdown = 0;
    std::string m_name;
    int m_baud = 0;
    std::vector<std::string> m_serial;
    std::vector<std::string> m_usb;
    std::vector<std::string> m_lan;
    std::vector<std::string> m_bluetooth;
    std::vector<std::string> m_entries;
};

}  // namespace tagforge
