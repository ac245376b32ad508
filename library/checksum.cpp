#include "library/checksum.h"

namespace vesmor {

uint16_t Crc16Modbus(const uint8_t* data, size_t count) {
    uint16_t crc = 0xFFFF;
    for (size_t i = 0; i < count; ++i) {
        crc ^= data[i];
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc & 1) ? static_cast<uint16_t>((crc >> 1) ^ 0xA001)
                            : static_cast<uint16_t>(crc >> 1);
        }
    }
    return crc;
}

uint8_t Bcc(const uint8_t* data, size_t count) {
    uint8_t bcc = 0;
    for (size_t i = 0; i < count; ++i) {
        bcc ^= data[i];
    }
    return bcc;
}

}  // namespace vesmor
