#pragma once
// libvesmor with some lists replaced: a test presents devices the machine does not list (a
// simulated reader on a pseudo-terminal, say) while opening and switching go to the library.

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

    int32_t GetList(InterfaceKind kind, char* buffer, int32_t size) override {
        ++m_listCalls;
        const auto listed = m_lists.find(kind);
        return listed == m_lists.end() ? m_library.GetList(kind, buffer, size)
                                       : WriteNames(listed->second, buffer, size);
    }
    int32_t TestLanDevice(const char* reader) override { return m_library.TestLanDevice(reader); }
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
    InterfaceLibrary& m_library = VesmorInterfaces();
    std::map<InterfaceKind, std::vector<std::string>> m_lists;
    int m_listCalls = 0;
};

}  // namespace tagforge::test
