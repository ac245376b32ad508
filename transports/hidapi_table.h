#pragma once
// HID devices through libraries the system loads at run time, in hidapi's terms, one table
// shared by the whole process. POSIX: hidapi's hidraw backend (libhidapi-hidraw.so.0, or the
// file named by VESMOR_HIDAPI_LIB); HID is available when the library loaded and every function
// but hid_init and hid_error was found. Windows: hid.dll (or the file named by VESMOR_HID_LIB)
// and SetupAPI; HID is available when both loaded with the functions that list devices and read
// their attributes and serial numbers (the capability and product/manufacturer string functions are
// optional).

#include <cstddef>
#include <cwchar>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "transports/hid_report.h"
#include "transports/runtime_library.h"

// hidapi 0.13's public types (Debian 12, libhidapi-dev), in its layout.
extern "C" {
struct hid_device_;
using hid_device = hid_device_;
enum hid_bus_type {
    HID_API_BUS_UNKNOWN = 0x00,
    HID_API_BUS_USB = 0x01,
    HID_API_BUS_BLUETOOTH = 0x02,
    HID_API_BUS_I2C = 0x03,
    HID_API_BUS_SPI = 0x04,
};
struct hid_device_info {
    char* path;
    unsigned short vendor_id;
    unsigned short product_id;
    wchar_t* serial_number;
    unsigned short release_number;
    wchar_t* manufacturer_string;
    wchar_t* product_string;
    unsigned short usage_page;
    unsigned short usage;
    int interface_number;
    hid_device_info* next;
    hid_bus_type bus_type;
};
}

namespace vesmor {

class HidApi {
  public:
    // The process-wide table; it loads on first use and tries again after a failure.
    static HidApi& Instance();

    HidApi();
    ~HidApi();
    bool Available();
    void Unload();

    hid_device_info* Enumerate(unsigned short vendorId, unsigned short productId);
    void FreeEnumeration(hid_device_info* devices);
    hid_device* OpenPath(const char* path);
    int Write(hid_device* device, const unsigned char* data, size_t length);
    int ReadTimeout(hid_device* device, unsigned char* data, size_t length, int milliseconds);
    void Close(hid_device* device);
    int GetSerialNumberString(hid_device* device, wchar_t* text, size_t maxLength);
    // The report lengths of an open device (path: the one it was opened by), as reads and
    // writes of this table count them; nullopt when the system does not say.
    std::optional<HidReportLengths> ReportLengths(hid_device* device, const std::string& path);

    // The library's own write and close, for a writer thread that may outlive this table (one
    // whose write is stuck in a device while the program ends); nullptr when missing.
    using WriteFunction = int (*)(hid_device*, const unsigned char*, size_t);
    using CloseFunction = void (*)(hid_device*);
    WriteFunction RawWrite();
    CloseFunction RawClose();

  private:
    struct Libraries;  // the libraries of this system, with their state
    std::mutex mutex_;
    std::unique_ptr<Libraries> libraries_;
};

}  // namespace vesmor
