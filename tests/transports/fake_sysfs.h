#pragma once
// A directory laid out like sysfs, built by a test: device directories under devices/ with
// attribute files, and the relative links of class/tty, bus/usb/devices, "device" and "driver"
// that point into them, as the kernel makes them.

#include <cstdint>
#include <filesystem>
#include <string>

namespace vesmor::testing {

class FakeSysfs {
  public:
    FakeSysfs();
    ~FakeSysfs();
    FakeSysfs(const FakeSysfs&) = delete;
    FakeSysfs& operator=(const FakeSysfs&) = delete;

    // The sysfs root, and beside it a directory for kernel module lists.
    std::string Root() const { return (m_base / "sys").string(); }
    std::string ModulesDir() const { return (m_base / "modules").string(); }

    // A USB device below the first host controller ("1-2" -> devices/.../usb1/1-2, linked
    // from bus/usb/devices). Returns its path relative to the root.
    std::string AddUsbDevice(const std::string& name, uint16_t vendorId, uint16_t productId,
                             const std::string& product = "");
    // Interface <device>:1.<number>, bound to driver unless it is empty.
    std::string AddUsbInterface(const std::string& device, int number, const std::string& driver);

    // A tty whose parent device is a USB interface (interface/tty/name, as cdc_acm makes it),
    // or a USB serial converter port below the interface (interface/name/tty/name).
    void AddTtyOfInterface(const std::string& name, const std::string& interface);
    void AddTtyOfUsbSerialPort(const std::string& name, const std::string& interface);
    // A UART slot of the device devices/<parent>, bound to driver; type < 0 writes no type
    // attribute.
    void AddUart(const std::string& name, const std::string& parent, const std::string& driver,
                 int type);
    // A tty without a parent device, as consoles and virtual terminals are.
    void AddVirtualTty(const std::string& name);

    void WriteAttribute(const std::string& path, const std::string& text);
    // A relative link at path pointing to target (both relative to the root).
    void Link(const std::string& path, const std::string& target);
    void WriteModuleList(const std::string& file, const std::string& text);

  private:
    void AddTty(const std::string& name, const std::string& ttyDir, const std::string& parent);
    void Bind(const std::string& device, const std::string& bus, const std::string& driver);

    std::filesystem::path m_base;
};

}  // namespace vesmor::testing
