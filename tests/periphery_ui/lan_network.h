#pragma once
// A LAN of the test's own behind the library's LAN calls: readers with a fixed address or a
// DHCP name and devices of other kinds answer the searches as the library lists them, give
// their settings in the library's texts, take new ones and then restart, answering again only
// after a while. The searches take time and keep the window's events going meanwhile, as the
// library does through its wait hooks.

#include <QElapsedTimer>
#include <algorithm>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "periphery/interface_library.h"
#include "periphery/lan_settings.h"
#include "periphery/ui/wait_without_input.h"
#include "tests/periphery_port/list_buffer_writer.h"

namespace tagforge::test {

class LanNetwork final : public InterfaceLibrary {
  public:
    struct Device {
        std::string address;  // dotted
        int port = kDefaultLanPort;
        bool dhcp = false;
        std::string name;
        std::string mask = "255.255.255.0";
        std::string gateway = "0.0.0.0";
        bool reader = true;      // a reader of the family (product name "QX-...")
        qint64 answersAtMs = 0;  // restarting until then
    };

    LanNetwork() { m_clock.start(); }

    Device& Add(Device device) { return m_devices.emplace_back(std::move(device)); }
    Device* Find(const std::string& reader) {
        const size_t open = reader.find('[');
        const size_t close = reader.find(']', open);
        for (Device& device : m_devices) {
            const bool match =
                open != std::string::npos && close != std::string::npos
                    ? device.dhcp && device.name == reader.substr(open + 1, close - open - 1)
                    : device.address == SplitLanPort(reader).host;
            if (match) {
                return &device;
            }
        }
        return nullptr;
    }

    int32_t GetList(InterfaceKind kind, char* buffer, int32_t size) override {
        std::vector<std::string> names;
        if (kind == InterfaceKind::kLan) {
            Search();
            for (const Device& device : m_devices) {
                if (device.reader) {
                    names.push_back(device.dhcp ? "[" + device.name + "]" : Fixed(device));
                }
            }
        }
        return WriteNames(names, buffer, size);
    }
    int32_t FindLanDevices(char* buffer, int32_t size) override {
        Search();
        std::vector<std::string> names;
        for (const Device& device : m_devices) {
            names.push_back(device.dhcp ? "[" + device.name + "]" + Fixed(device) : Fixed(device));
        }
        return WriteNames(names, buffer, size);
    }
    int32_t TestLanDevice(const char* reader) override {
        ++tests;
        const Device* device = Find(reader);
        return device && m_clock.elapsed() >= device->answersAtMs ? 1 : 0;
    }
    int32_t GetLanConfig(const char* reader, char* name, char* address, char* mask,
                         char* gateway) override {
        const Device* device = Find(reader);
        if (!device || m_clock.elapsed() < device->answersAtMs) {
            return -1;
        }
        const std::string port = "-" + std::to_string(device->port);
        Copy(name, "[" + device->name + "]" + port);
        Copy(address, device->dhcp ? "" : device->address + port);
        Copy(mask, device->mask);
        Copy(gateway, device->gateway);
        return 0;
    }
    int32_t SetLanConfig(const char* reader, const char* newAddress, const char* mask,
                         const char* gateway) override {
        sets.push_back(std::string(reader) + " " + newAddress + " " + mask + " " + gateway);
        Device* device = Find(reader);
        if (!device || failSets) {
            return -1;
        }
        const LanAddress address = SplitLanPort(newAddress);
        device->dhcp = address.host.starts_with('[');
        if (device->dhcp) {
            device->name = address.host.substr(1, address.host.size() - 2);
        } else {
            device->address = address.host;
        }
        device->port = address.port.value_or(device->port);
        device->mask = mask;
        device->gateway = gateway;
        device->answersAtMs = m_clock.elapsed() + restartMs;
        return 0;
    }

    int32_t GetMissingDrivers() override { return 0; }
    int32_t IsVirtualComDriverInstalled() override { return 1; }
    int32_t OpenPort(const char*, int32_t, int32_t) override { return -1; }
    int32_t SetUsbMode(int32_t, int32_t) override { return -1; }
    int32_t ResetDevice(int32_t, int32_t, int32_t) override { return -1; }
    int32_t ClosePort(int32_t) override { return -1; }

    int searchMs = 20;
    int restartMs = 0;
    bool failSets = false;
    int searches = 0;
    int tests = 0;
    std::vector<std::string> sets;  // reader, new address, mask, gateway
    std::function<void()> duringSearch;

  private:
    static std::string Fixed(const Device& device) {
        return device.address + "-" + std::to_string(device.port);
    }
    static void Copy(char* out, const std::string& text) {
        if (out) {
            text.copy(out, 31);
            out[std::min<size_t>(text.size(), 31)] = '\0';
        }
    }
    void Search() {
        ++searches;
        ui::WaitWithoutInput(searchMs);
        if (duringSearch) {
            duringSearch();
        }
    }

    QElapsedTimer m_clock;
    std::deque<Device> m_devices;  // references stay valid as devices are added
};

}  // namespace tagforge::test
