#include "periphery/port_choice.h"

#include <algorithm>

namespace tagforge {

namespace {

constexpr int kDefaultTimeoutMs = 1000;

}  // namespace

PortChoice::PortChoice(ProfileStore& profile, InterfaceLibrary& library, PortChoiceView& view)
    : m_profile(profile), m_library(library), m_view(view) {
    m_name = profile.ReadString(kSection, "Name", "");
    m_baud = profile.ReadInt(kSection, "Baudrate", kDefaultBaud);
    m_timeout = static_cast<uint32_t>(profile.ReadInt(kSection, "Timeout", kDefaultTimeoutMs));
    m_ethernet = profile.ReadInt(kSection, "EthernetAktiv", 0) != 0;
    m_address = profile.ReadInt(kSection, "Adresse", 1);
    if (m_name.empty()) {
        StoreName("COM1");
    }
    CheckStoredInterface();
}

std::string PortChoice::GetOpenString() const {
    return WithoutPrefix(m_name) + ":" + std::to_string(m_address);
}

std::vector<std::string>& PortChoice::ListOf(InterfaceKind kind) {
    switch (kind) {
        case InterfaceKind::kUsb:
            return m_usb;
        case InterfaceKind::kLan:
            return m_lan;
        case InterfaceKind::kBluetooth:
            return m_bluetooth;
        case InterfaceKind::kSerial:
            break;
    }
    return m_serial;
}

// A serial name is kept as it is (the port may be one the list cannot show), and so is a LAN
// name while Ethernet is off. A USB or Bluetooth reader, or a LAN reader that does not answer,
// must still be present.
void PortChoice::CheckStoredInterface() {
    const InterfaceKind kind = KindOfName(m_name);
    switch (kind) {
        case InterfaceKind::kUsb:
        case InterfaceKind::kBluetooth:
            ReplaceGoneReader(kind);
            break;
        case InterfaceKind::kLan:
            if (m_ethernet && m_library.TestLanDevice(WithoutPrefix(m_name).c_str()) == 0) {
                ReplaceGoneReader(kind);
            }
            break;
        case InterfaceKind::kSerial:
            break;
    }
}

// A reader that is gone gives way to the first one of its kind, or to no name at all.
void PortChoice::ReplaceGoneReader(InterfaceKind kind) {
    std::vector<std::string>& list = ListOf(kind);
    RefreshInterfaceList(kind, list);
    if (list.empty()) {
        StoreName("");
    } else if (std::find(list.begin(), list.end(), WithoutPrefix(m_name)) == list.end()) {
        StoreName(DisplayText(kind, list.front()));
    }
}

void PortChoice::StoreName(const std::string& name) {
    m_name = name;
    m_profile.WriteString(kSection, "Name", name);
}

bool PortChoice::RefreshInterfaceList(InterfaceKind kind, std::vector<std::string>& stored) {
    std::vector<std::string> names = FetchInterfaceList(m_library, kind);
    // Whether entries were overwritten, appended or removed, the stored list ends up as the new
    // one: it changed exactly when the two differ.
    if (names == stored) {
        return false;
    }
    stored = std::move(names);
    return true;
}

void PortChoice::Initialize() {
    if (!m_ethernet) {
        m_lan.clear();
    } else if (m_lan.empty()) {
        RefreshInterfaceList(InterfaceKind::kLan, m_lan);
    }
    // Lists fetched while the stored interface was checked are not fetched again.
    for (InterfaceKind kind :
         {InterfaceKind::kBluetooth, InterfaceKind::kUsb, InterfaceKind::kSerial}) {
        if (ListOf(kind).empty()) {
            RefreshInterfaceList(kind, ListOf(kind));
        }
    }
    FillList();
    const int found = FindPrefix(m_entries, ListedName(m_name));
    if (found >= 0) {
        m_view.SelectEntry(found);
    } else if (m_entries.size() == 1) {
        m_view.SelectEntry(0);
        m_name = m_entries.front();
    } else {
        m_name.clear();
    }
    ShowKindControls();
    UpdateModeButtons(m_name);
    m_view.ShowLanSearch(m_ethernet);
    m_view.PostDeviceChange(kRefreshRequest);
}

void PortChoice::FillList() {
    m_entries.clear();
    for (InterfaceKind kind : {InterfaceKind::kSerial, InterfaceKind::kUsb, InterfaceKind::kLan,
                               InterfaceKind::kBluetooth}) {
        for (const std::string& entry : ListOf(kind)) {
            m_entries.push_back(DisplayText(kind, entry));
        }
    }
    m_view.ShowEntries(m_entries);
}

void PortChoice::SelectCurrentName() {
    const int found = FindPrefix(m_entries, ListedName(m_name));
    if (found >= 0) {
        m_view.SelectEntry(found);
    }
}

bool PortChoice::TakeSelection() {
    const int selected = m_view.SelectedEntry();
    if (selected < 0 || static_cast<size_t>(selected) >= m_entries.size()) {
        return false;
    }
    m_name = m_entries[static_cast<size_t>(selected)];
    return true;
}

// The serial format applies to serial ports only.
void PortChoice::ShowKindControls() {
    m_view.EnableSerialFormat(KindOfName(m_name) == InterfaceKind::kSerial);
}

void PortChoice::UpdateModeButtons(const std::string& name) {
    m_view.ShowModeButtons(ModeOf(name));
}

}  // namespace tagforge
