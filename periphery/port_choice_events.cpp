// PortChoice's reactions: device events and the follow-up timer, the missing-driver question,
// the mode switch of USB readers, and the buttons of the dialog.

#include "common/messages.h"
#include "periphery/lan_settings.h"
#include "periphery/port_choice.h"

namespace tagforge {

namespace {

constexpr int kMinTimeoutMs = 10;
constexpr int kMaxTimeoutMs = 300000;
constexpr int kMinAddress = 1;
constexpr int kMaxAddress = 255;

// A reader is switched over a short connection of its own.
constexpr int kSwitchBaud = 19200;
constexpr int kSwitchTimeoutMs = 100;
constexpr int kUsbModeHid = 1;
constexpr int kUsbModeVirtualCom = 2;
// Time for the reader to leave the bus before the dialog goes on.
constexpr int kSwitchSettleMs = 1000;
// Time for the browser to come up with the driver page.
constexpr int kDriverPageWaitMs = 2000;

constexpr int32_t kFtdiDriverMissing = 0x1;
constexpr int32_t kVirtualComDriverMissing = 0x2;

// Set while a device event is handled, for the whole process: an event that arrives meanwhile
// (while the driver question is open, say) is dropped rather than refreshing underneath it.
bool g_deviceChangeBusy = false;

bool IsRefreshEvent(int event) {
    return event == kDeviceArrival || event == kDeviceNodesChanged || event == kRefreshRequest;
}

}  // namespace

void PortChoice::OnDeviceChange(int event) {
    if (g_deviceChangeBusy) {
        return;
    }
    g_deviceChangeBusy = true;
    RefreshPass(event);
    // The user may have installed the driver while the question was open: look once more.
    if (!ShowMissingDriverMessage()) {
        RefreshPass(event);
    }
    g_deviceChangeBusy = false;
    UpdateModeButtons(m_name);
    FollowUp(event);
}

void PortChoice::RefreshPass(int event) {
    if (!IsRefreshEvent(event)) {
        return;
    }
    bool changed = false;
    if (!m_ethernet) {
        changed = !m_lan.empty();
        m_lan.clear();
    } else {
        changed = RefreshInterfaceList(InterfaceKind::kLan, m_lan);
    }
    for (InterfaceKind kind :
         {InterfaceKind::kBluetooth, InterfaceKind::kUsb, InterfaceKind::kSerial}) {
        changed = RefreshInterfaceList(kind, ListOf(kind)) || changed;
    }
    if (changed) {
        FillList();
    }
    SelectCurrentName();
}

// A device that arrives may take a few seconds to show all its interfaces: every arrival is
// followed by kFollowUpRefreshes refreshes, one a second.
void PortChoice::FollowUp(int event) {
    if (event == kDeviceArrival || event == kDeviceNodesChanged) {
        StartRefreshTimer();
        m_countdown = 1;
    } else if (m_countdown >= 1 && m_countdown < kFollowUpRefreshes) {
        StartRefreshTimer();
        ++m_countdown;
    } else {
        m_countdown = 0;
    }
}

void PortChoice::StartRefreshTimer() {
    m_refreshTimerId = kRefreshTimerId;
    m_view.StartTimer(kRefreshTimerId, kRefreshPeriodMs);
}

void PortChoice::OnTimer(int id) {
    if (id == 0 || id != m_refreshTimerId) {
        return;
    }
    m_view.KillTimer(id);
    m_refreshTimerId = 0;
    m_view.PostDeviceChange(kRefreshRequest);
}

bool PortChoice::ShowMissingDriverMessage() {
    const int32_t missing = m_library.GetMissingDrivers();
    if (missing == 0) {
        return true;
    }
    std::vector<int> lines;
    if ((missing & kFtdiDriverMissing) != 0) {
        lines.push_back(kMsgNoFtdiDriver);
    }
    if ((missing & kVirtualComDriverMissing) != 0) {
        lines.push_back(kMsgNoVirtualComDriver);
    }
    lines.push_back(kMsgLoadDriver);
    OfferDriverPage(lines);
    return false;
}

void PortChoice::OfferDriverPage(const std::vector<int>& lines) {
    if (m_view.AskQuestion(lines)) {
        m_view.OpenDriverPage();
        m_view.Wait(kDriverPageWaitMs);
    }
}

void PortChoice::OnHidMode() {
    m_view.SetBusy(true);
    TakeSelection();
    if (IsVirtualComName(m_name)) {
        SwitchReader(m_name, kUsbModeHid);
    }
    UpdateModeButtons(m_name);
    m_view.SetBusy(false);
}

void PortChoice::OnVirtualCom() {
    m_view.SetBusy(true);
    TakeSelection();
    if (ModeOf(m_name) == ModeState::kHid) {
        if (m_library.IsVirtualComDriverInstalled() != 0) {
            SwitchReader(WithoutPrefix(m_name), kUsbModeVirtualCom);
        } else {
            OfferDriverPage({kMsgNoVirtualComDriver, kMsgLoadDriver});
        }
    }
    UpdateModeButtons(m_name);
    m_view.SetBusy(false);
}

// The reader leaves the bus and comes back in its new mode under a new name, which the device
// events bring into the list; until the user picks it there is no current name. A reader that
// cannot be opened is left alone without a word.
void PortChoice::SwitchReader(const std::string& openName, int mode) {
    const int32_t handle = m_library.OpenPort(openName.c_str(), kSwitchBaud, kSwitchTimeoutMs);
    if (handle <= 0) {
        return;
    }
    m_library.SetUsbMode(handle, mode);
    m_library.ResetDevice(handle, 0, 0);
    m_library.ClosePort(handle);
    m_name.clear();
    m_view.Wait(kSwitchSettleMs);
}

void PortChoice::OnSelectionChanged() {
    if (!TakeSelection()) {
        UpdateModeButtons("");
        return;
    }
    ShowKindControls();
    UpdateModeButtons(m_name);
}

void PortChoice::OnEthernetClicked(const PortFields& fields) {
    ReadBack(fields);
    m_view.PostDeviceChange(kRefreshRequest);
    m_view.ShowLanSearch(fields.ethernet);
}

// A DHCP reader is chosen by its bracketed name, which stays valid when its address changes.
void PortChoice::OnLanSearch() {
    if (!m_ethernet) {
        return;
    }
    const std::string chosen = m_view.RunLanSearch();
    if (!chosen.empty()) {
        m_name = std::string(kLanPrefix) + LanListName(chosen);
    }
    m_view.PostDeviceChange(kRefreshRequest);
}

// The fields in their order; a failed check stops there, keeping what was read before it.
bool PortChoice::ReadBack(const PortFields& fields) {
    const int timeout = ParseUnsignedField(fields.timeout);
    CheckResult check = CheckUnsignedField(timeout, kMinTimeoutMs, kMaxTimeoutMs);
    if (!check.Ok()) {
        m_view.ShowFieldError(PortChoiceView::Field::kTimeout, check);
        return false;
    }
    m_timeout = static_cast<uint32_t>(timeout);
    m_ethernet = fields.ethernet;
    const std::optional<int> address = ParseSignedField(fields.address);
    check = CheckSignedField(address, kMinAddress, kMaxAddress);
    if (!check.Ok()) {
        m_view.ShowFieldError(PortChoiceView::Field::kAddress, check);
        return false;
    }
    m_address = *address;
    return true;
}

bool PortChoice::OnOk(const PortFields& fields, const SerialChoice& serial,
                      const std::vector<std::string>& baudEntries) {
    if (!ReadBack(fields)) {
        return false;
    }
    if (TakeSelection()) {
        StoreName(m_name);
    }
    m_baud = kDefaultBaud;
    if (const std::optional<int> encoded = EncodeBaud(serial, baudEntries)) {
        m_baud = *encoded;
        m_profile.WriteInt(kSection, "Baudrate", m_baud);
    }
    m_profile.WriteInt(kSection, "Timeout", static_cast<int>(m_timeout));
    m_profile.WriteInt(kSection, "Adresse", m_address);
    m_profile.WriteInt(kSection, "EthernetAktiv", m_ethernet ? 1 : 0);
    return true;
}

}  // namespace tagforge
