#pragma once
// libvesmor with some lists replaced: a test presents devices the machine does not list (a
// simulated reader on a pseudo-terminal, say) while opening and switching go to the library.
// The LAN calls go to a network of the test's own when one is given.

#include <map>
#include <string>
#include <vector>

#include "periphery/interface_library.h"
#include "tests/periphery_port/list_buffer_writer.h"

namespace tagforge::test {

class ListedInterfaces final : public InterfaceLibrary {
  public:
    void Present(InterfaceKind kind, std::vector<std::string> names) {
        m_lists[kind] = std::move(names);
    }
    int ListCalls() const { return m_listCalls; }
    void UseLan(InterfaceLibrary* network) { m_lan = network; }

    int32_t GetList(InterfaceKind kind, char* buffer, int32_t size) override {
        ++m_listCalls;
        if (kind == InterfaceKind::kLan && m_lan) {
            return m_lan->GetList(kind, buffer, size);
        }
        const auto listed = m_lists.find(kind);
        return listed == m_lists.end() ? m_library.GetList(kind, buffer, size)
                                       : WriteNames(listed->second, buffer, size);
    }
    int32_t TestLanDevice(const char* reader) override { return Lan().TestLanDevice(reader); }
    int32_t FindLanDevices(char* buffer, int32_t size) override {
        return Lan().FindLanDevices(buffer, size);
    }
    int32_t GetLanConfig(const char* reader, char* name, char* address, char* mask,
                         char* gateway) override {
        return Lan().GetLanConfig(reader, name, address, mask, gateway);
    }
    int32_t SetLanConfig(const char* reader, const char* newAddress, const char* mask,
                         const char* gateway) override {
        return Lan().SetLanConfig(reader, newAddress, mask, gateway);
    }
    int32_t GetMissingDrivers() override { return m_library.GetMissingDrivers(); }
    int32_t IsVirtualComDriverInstalled() override {
        return m_library.IsVirtualComDriverInstalled();
    }
    int32_t OpenPort(const char* name, int32_t baud, int32_t timeoutMs) override {
        return m_library.OpenPort(name, baud, timeoutMs);
    }
    int32_t SetUsbMode(int32_t handle, int32_t mode) override {
        return m_library.SetUsbMode(handle, mode);
    }
    int32_t ResetDevice(int32_t handle, int32_t first, int32_t second) override {
        return m_library.ResetDevice(handle, first, second);
    }
    int32_t ClosePort(int32_t handle) override { return m_library.ClosePort(handle); }

  private:
    InterfaceLibrary& Lan() { return m_lan ? *m_lan : m_library; }

    InterfaceLibrary& m_library = VesmorInterfaces();
    InterfaceLibrary* m_lan = nullptr;
    std::map<InterfaceKind, std::vector<std::string>> m_lists;
    int m_listCalls = 0;
};

}  // namespace tagforge::test
