#pragma once
// Texts about a transponder: its type line with the serial number, and its blocks in hexadecimal.

#include <array>
#include <cstdint>
#include <span>
#include <string>

namespace tagforge {

// The lowest six UID bytes (least significant first) as a number.
int64_t TransponderSerialNumber(std::span<const uint8_t, 8> uid);

// "Transpondertyp: Philips  ICode2   Seriennummer: 1234" by the IC manufacturer code (UID
// byte 6), or the "Unknown Type" line with the code for makers without a name.
std::string TransponderTypeText(std::span<const uint8_t, 8> uid);

// The string id of that line for an IC manufacturer code (229, "Unknown Type", for makers
// without a name of their own).
int TransponderTypeMessageId(int icManufacturer);
// The type line from `format`, the text of TransponderTypeMessageId (German or a translation):
// the serial number, preceded by the code for the "Unknown Type" line.
std::string TransponderTypeText(std::span<const uint8_t, 8> uid, const char* format);

// Bytes as two upper-case hexadecimal digits each, separated by single blanks.
std::string HexBytes(std::span<const uint8_t> bytes);

// The UID written most significant byte first, as people read it ("E004010012345678").
std::string UidText(std::span<const uint8_t, 8> uid);

}  // namespace tagforge
