#pragma once
// Texts the application shows about the connected reader.

#include <cstdint>
#include <string>

namespace tagforge {

// Value of the firmware character of the version answer: '0'..'9' -> 0..9,
// 'A'..'Z' and 'a'..'z' -> 10..35, anything else 255.
int FirmwareDigit(uint8_t versionByte);

// "FW V1.07" for the firmware character '7'.
std::string FirmwareText(uint8_t versionByte);

}  // namespace tagforge
