#include "tests/transports/fake_sysfs.h"

#include <stdlib.h>

#include <cstdio>
#include <fstream>

namespace fs = std::filesystem;

namespace vesmor::testing {

namespace {

constexpr const char* kHostController = "devices/pci0000:00/0000:00:14.0/usb1";

std::string Hex4(uint16_t value) {
    char text[8];
    std::snprintf(text, sizeof text, "%04x", value);
    return text;
}

std::string BaseName(const std::string& path) {
    return fs::path(path).filename().string();
}

}  // namespace

FakeSysfs::FakeSysfs() {
    std::string pattern = (fs::temp_directory_path() / "fake-sysfs-XXXXXX").string();
    m_base = mkdtemp(pattern.data());
    fs::create_directories(m_base / "modules");
    WriteAttribute(std::string(kHostController) + "/idVendor", "1d6b\n");
    WriteAttribute(std::string(kHostController) + "/idProduct", "0003\n");
    WriteAttribute(std::string(kHostController) + "/product", "xHCI Host Controller\n");
    Link("bus/usb/devices/usb1", kHostController);
    fs::create_directories(fs::path(Root()) / "class/tty");
}

FakeSysfs::~FakeSysfs() {
    std::error_code ignored;
    fs::remove_all(m_base, ignored);
}

void FakeSysfs::WriteAttribute(const std::string& path, const std::string& text) {
    const fs::path file = fs::path(Root()) / path;
    fs::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary | std::ios::trunc) << text;
}

void FakeSysfs::Link(const std::string& path, const std::string& target) {
    const fs::path link(path);
    fs::create_directories(fs::path(Root()) / link.parent_path());
    fs::create_symlink(fs::path(target).lexically_relative(link.parent_path()),
                       fs::path(Root()) / link);
}

void FakeSysfs::WriteModuleList(const std::string& file, const std::string& text) {
    std::ofstream(m_base / "modules" / file, std::ios::binary | std::ios::trunc) << text;
}

void FakeSysfs::Bind(const std::string& device, const std::string& bus, const std::string& driver) {
    const std::string driverDir = "bus/" + bus + "/drivers/" + driver;
    fs::create_directories(fs::path(Root()) / driverDir);
    Link(device + "/driver", driverDir);
}

std::string FakeSysfs::AddUsbDevice(const std::string& name, uint16_t vendorId, uint16_t productId,
                                    const std::string& product) {
    const std::string device = std::string(kHostController) + "/" + name;
    WriteAttribute(device + "/idVendor", Hex4(vendorId) + "\n");
    WriteAttribute(device + "/idProduct", Hex4(productId) + "\n");
    if (!product.empty()) {
        WriteAttribute(device + "/product", product + "\n");
    }
    Bind(device, "usb", "usb");
    Link("bus/usb/devices/" + name, device);
    return device;
}

std::string FakeSysfs::AddUsbInterface(const std::string& device, int number,
                                       const std::string& driver) {
    const std::string name = BaseName(device) + ":1." + std::to_string(number);
    const std::string interface = device + "/" + name;
    WriteAttribute(interface + "/bInterfaceNumber", "0" + std::to_string(number) + "\n");
    if (!driver.empty()) {
        Bind(interface, "usb", driver);
    }
    Link("bus/usb/devices/" + name, interface);
    return interface;
}

void FakeSysfs::AddTty(const std::string& name, const std::string& ttyDir,
                       const std::string& parent) {
    WriteAttribute(ttyDir + "/dev", "188:0\n");
    if (!parent.empty()) {
        Link(ttyDir + "/device", parent);
    }
    Link(ttyDir + "/subsystem", "class/tty");
    Link("class/tty/" + name, ttyDir);
}

void FakeSysfs::AddTtyOfInterface(const std::string& name, const std::string& interface) {
    AddTty(name, interface + "/tty/" + name, interface);
}

void FakeSysfs::AddTtyOfUsbSerialPort(const std::string& name, const std::string& interface) {
    const std::string port = interface + "/" + name;
    WriteAttribute(port + "/port_number", "0\n");
    Bind(port, "usb-serial", "ftdi_sio");
    AddTty(name, port + "/tty/" + name, port);
}

void FakeSysfs::AddUart(const std::string& name, const std::string& parent,
                        const std::string& driver, int type) {
    const std::string device = "devices/" + parent;
    const std::string ttyDir = device + "/tty/" + name;
    if (type >= 0) {
        WriteAttribute(ttyDir + "/type", std::to_string(type) + "\n");
    }
    if (!fs::exists(fs::path(Root()) / device / "driver")) {
        Bind(device, "platform", driver);
    }
    AddTty(name, ttyDir, device);
}

void FakeSysfs::AddVirtualTty(const std::string& name) {
    AddTty(name, "devices/virtual/tty/" + name, "");
}

}  // namespace vesmor::testing
