#pragma once
// Reader model table: turns the device type code a reader reports into its model designation.

#include <cstdint>
#include <string>

namespace vesmor {

// Number of rows of the table.
constexpr int kModelTableRows = 36;

struct ModelTableRow {
    const char* displayName;
    int32_t deviceTypeCode;
};

// The rows in table order.
const ModelTableRow* ModelTable();

// Display name of the first row with this code, or "QX-#" + the code as at least three
// upper-case hexadecimal digits when no row matches (0x2A7 -> "QX-#2A7", 0 -> "QX-#000").
std::string ModelName(int32_t deviceTypeCode);

// Bit 0 of the code: 1 for a programmer (writes transponders), 0 for a reader-only model.
inline bool IsProgrammerCode(int32_t deviceTypeCode) {
    return (deviceTypeCode & 1) != 0;
}

}  // namespace vesmor
