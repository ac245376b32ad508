// The INI parser behind the profile and the data files: any text is parsed, read with the keys
// the program asks for, changed, formatted and parsed again.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "periphery/ini_ex.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    CIniEx ini;
    ini.Parse(text);
    ini.GetString("Settings", "LastData", "");
    ini.GetInt("Settings", "Byteanzahl", 4);
    ini.GetInt("Schnittstelle", "Baud", 19200);
    ini.SetString("Settings", "LastData", "x");
    ini.SetInt("Neu", "Wert", -1);
    const std::string formatted = ini.Format();
    CIniEx again;
    again.Parse(formatted);
    if (again.GetString("Settings", "LastData", "") != "x") {
        __builtin_trap();  // a value written must read back after formatting
    }
    return 0;
}
