#pragma once
// Checksums of the reader frame protocol.

#include <cstddef>
#include <cstdint>

namespace vesmor {

// CRC-16/MODBUS: reflected polynomial 0xA001, initial value 0xFFFF, no final XOR.
// Check value over "123456789" is 0x4B37.
uint16_t Crc16Modbus(const uint8_t* data, size_t count);

// Bitwise XOR of all bytes.
uint8_t Bcc(const uint8_t* data, size_t count);

}  // namespace vesmor
