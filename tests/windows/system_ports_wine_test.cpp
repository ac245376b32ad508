// The serial port list under Wine. Wine knows the "Ports" setup class but has no port devices
// in it, so the SetupAPI list is empty; with the class hidden the list falls back to probing
// COM ports. ./build.sh test windows links a COM port of its prefix to /dev/null and names it
// in VESMOR_WINE_COM_PORT.

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <string>

#include "transports/system_ports.h"

namespace vesmor {
namespace {

class SystemPortsUnderWine : public ::testing::Test {
  protected:
    void SetUp() override {
        const char* port = std::getenv("VESMOR_WINE_COM_PORT");
        if (port == nullptr) {
            GTEST_SKIP() << "VESMOR_WINE_COM_PORT names no COM port of the prefix";
        }
        name = std::string("\\\\.\\") + port;
        const HANDLE h = CreateFileA(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                     OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(h, INVALID_HANDLE_VALUE) << name << " opens";
        CloseHandle(h);
    }
    std::string name;
};

TEST_F(SystemPortsUnderWine, SetupApiListsNoneAndNothingIsProbed) {
    EXPECT_TRUE(SystemSerialPorts().empty());
}

TEST_F(SystemPortsUnderWine, WithoutThePortsClassThePortsThatOpenAreListedInOrder) {
    // This process's HKEY_LOCAL_MACHINE becomes an empty key: no setup class is known.
    HKEY empty = nullptr;
    ASSERT_EQ(
        RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\vesmor-tests\\empty-machine", 0, nullptr,
                        REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr, &empty, nullptr),
        ERROR_SUCCESS);
    ASSERT_EQ(RegOverridePredefKey(HKEY_LOCAL_MACHINE, empty), ERROR_SUCCESS);
    const std::vector<std::string> ports = SystemSerialPorts();
    RegOverridePredefKey(HKEY_LOCAL_MACHINE, nullptr);
    RegCloseKey(empty);

    EXPECT_NE(std::find(ports.begin(), ports.end(), name), ports.end()) << name;
    EXPECT_TRUE(std::is_sorted(ports.begin(), ports.end(), [](const auto& a, const auto& b) {
        return std::atoi(a.c_str() + 7) < std::atoi(b.c_str() + 7);
    }));
}

}  // namespace
}  // namespace vesmor
