#include "library/model_table.h"

#include <cstdio>

namespace vesmor {

namespace {

// Series designation, then the variant: P programmer, R reader only, K keyboard interface,
// B Bluetooth, U USB, D desktop. The 0x13x and 0x18x codes are one series sold under two code
// ranges, so they carry the same three names.
constexpr ModelTableRow kRows[kModelTableRows] = {
    {"VDT-10 PD", 0x117},  {"VMR-20 P", 0x121},   {"VMR-20 R", 0x122},   {"VMR-20 PU", 0x123},
    {"VMR-20 RK", 0x124},  {"VMR-20 PB", 0x125},  {"VMR-30 P", 0x131},   {"VMR-30 RK", 0x134},
    {"VMR-30 PK", 0x135},  {"VHR-40 P", 0x141},   {"VHR-40 RK", 0x144},  {"VHR-40 PK", 0x145},
    {"VHR-50 P", 0x151},   {"VHR-50 RK", 0x154},  {"VHR-50 PK", 0x155},  {"VUX-60 P", 0x161},
    {"VUX-60 RK", 0x164},  {"VUX-60 PK", 0x165},  {"VDT-70 PD", 0x171},  {"VMR-30 P", 0x181},
    {"VMR-30 RK", 0x184},  {"VMR-30 PK", 0x185},  {"VLN-90 P", 0x191},   {"VLN-90 RK", 0x194},
    {"VLN-90 PK", 0x195},  {"VIN-400 P", 0x401},  {"VIN-400 RK", 0x404}, {"VIN-400 PK", 0x405},
    {"VIN-410 P", 0x411},  {"VIN-410 RK", 0x414}, {"VIN-410 PK", 0x415}, {"VPR-420 P", 0x421},
    {"VPR-430 PB", 0x435}, {"VKB-450 P", 0x451},  {"VKB-450 RK", 0x454}, {"VKB-450 PK", 0x455},
};

}  // namespace

const ModelTableRow* ModelTable() {
    return kRows;
}

std::string ModelName(int32_t deviceTypeCode) {
    for (const ModelTableRow& row : kRows) {
        if (row.deviceTypeCode == deviceTypeCode) {
            return row.displayName;
        }
    }
    char fallback[32];
    (void)std::snprintf(fallback, sizeof fallback, "QX-#%03X",
                        static_cast<unsigned>(deviceTypeCode));
    return fallback;
}

}  // namespace vesmor
