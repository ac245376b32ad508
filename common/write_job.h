#pragma once

#include <cstdint>
#include <string>

namespace tagforge {

// Values of `Datenformat`.
enum DataFormat : int {
    kFormatHexBinary = 0,      // "Hexadezimalzahl binär"
    kFormatHexAscii = 1,       // "Hexadezimalzahl ASCII"
    kFormatDecimalBinary = 2,  // "Dezimalzahl binär"
    kFormatDecimalAscii = 3,   // "Dezimalzahl ASCII"
    kFormatDataBinary = 4,     // "Daten binär"
    kFormatDataAscii = 5,      // "Daten ASCII"
};
inline constexpr int kFormatCount = 6;

inline constexpr int kMaxStartblock = 1024;
inline constexpr int kMaxByteCount = 1023;
inline constexpr int kMaxDecimalByteCount = 8;
inline constexpr int kMaxDecimalTextLength = 20;

// One write job: the write text and the parameters that shape it. This is what the window and
// the command-line tool hand to the value formats, the increment and the data files. The numbers
// are plain ints because loaded values are kept unchecked until the next check (CheckJob).
struct WriteJob {
    std::string LastData;  // the write text
    bool AutoIncrement = false;
    bool AutoNull = false;        // "Führende Nullen"
    bool PrefixZulassen = false;  // "Zusatztext zulassen"
    int Datenformat = kFormatHexBinary;
    int Startblock = 0;
    int Byteanzahl = 4;

    bool operator==(const WriteJob&) const = default;
};

// Geometry of the transponder from its last tag information. Before any transponder was seen
// the block size is 4 and the memory 0.
struct TagGeometry {
    uint32_t blockCount = 0;
    uint32_t blockSize = 4;
    uint32_t icManufacturer = 0;

    uint64_t TotalMemory() const { return uint64_t{blockCount} * blockSize; }
};

inline constexpr uint32_t kIcManufacturerInfineon = 5;

}  // namespace tagforge
