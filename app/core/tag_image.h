#pragma once
// A whole-tag image: every block of one transponder with its geometry, kept in a file and read
// back, compared with another image, or shown as text. One format in three forms:
//
// - JSON (".json"): the object `vesmor dump --json` prints, so a dump is an image:
//   "uid" (16 hex digits, most significant byte first), "manufacturerCode", "chip" (or null),
//   "serialNumber", "blockCount", "blockSize", "blocks" (one "01 02 03 04" text per block,
//   null for a block that could not be read), "typeText", "lockedBlocks" (the block numbers
//   whose security status says locked; only where it was read) and "time" (when the blocks
//   were read, UTC, "2026-12-10T08:37:09Z"). Reading needs blockCount, blockSize and blocks;
//   the rest is optional.
// - Raw binary (".bin"): the bytes of the blocks in order, nothing else; the block size comes
//   from the tag it is compared with or written to. An unreadable block inside is written as
//   zero bytes, unreadable blocks at the end are left out.
// - CSV (".csv", for spreadsheets): a header line "Block,Hex,ASCII,Locked", then one line a
//   block: its number, its bytes in hexadecimal (empty when unreadable), the bytes as text
//   (printable ASCII, '.' for the rest) and "1" for a block known to be locked. Lines end in
//   CR LF. Reading takes the Block and Hex columns.

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tagforge {

using BlockBytes = std::vector<uint8_t>;

struct TagImage {
    std::optional<std::array<uint8_t, 8>> uid;  // least significant byte first
    int blockCount = 0;
    int blockSize = 0;
    std::vector<std::optional<BlockBytes>> blocks;  // nullopt: the block could not be read
    std::optional<std::vector<int>> lockedBlocks;   // nullopt: not known
    std::string time;                               // "2026-12-10T08:37:09Z", or empty
};

enum class ImageFormat { kJson, kBinary, kCsv };

// Hexadecimal byte pairs, blanks allowed between them ("01 A2FF"); nullopt for anything else.
std::optional<BlockBytes> ParseHexBytes(std::string_view text);

// "json", "bin" or "csv"; nullopt for another name.
std::optional<ImageFormat> ImageFormatByName(std::string_view name);
// By the file name's ending (".bin", ".csv"; anything else is JSON).
ImageFormat ImageFormatOfPath(std::string_view path);

// The current time as the image's time stamp (UTC).
std::string ImageTimeNow();

// The blocks' bytes as text: printable ASCII as it is, '.' for every other byte, so that no
// control character of a tag reaches a terminal or a cell.
std::string PrintableText(std::span<const uint8_t> bytes);

// The chip's name in the German type line ("ICode2" of "Transpondertyp: Philips  ICode2 ...");
// empty for a maker without a name.
std::string ChipName(std::span<const uint8_t, 8> uid);

// The file's bytes of the image in a format. `typeText` is the type line the JSON form
// carries (in the language shown).
std::string ImageFileText(const TagImage& image, ImageFormat format, const std::string& typeText);

// Why a file is not an image, or an image does not fit: a German text (marked for translation
// in the context "TagImage") with "%1", "%2", ... for args.
struct ImageProblem {
    const char* text = nullptr;
    std::vector<std::string> args;
    explicit operator bool() const { return text != nullptr; }
};

// Reads an image from a file's bytes. A binary image needs the block size (`binaryBlockSize`
// > 0, e.g. the tag's); the other forms carry their own. Sets `problem` and returns nullopt
// for anything that is not a whole image.
std::optional<TagImage> ParseImage(std::string_view bytes, ImageFormat format, int binaryBlockSize,
                                   ImageProblem& problem);

// Whether an image can be written to (or compared with) a tag of this geometry: the same
// block size, and no more blocks than the tag has.
ImageProblem GeometryProblem(const TagImage& image, int blockCount, int blockSize);

// The block numbers, in order, where the two images differ: blocks present in one image only
// and blocks that one image could read and the other could not count as different.
std::vector<int> DifferingBlocks(const TagImage& a, const TagImage& b);

// Numbers as short ranges: "0-3, 7, 9-10"; "-" for none.
std::string BlockRanges(const std::vector<int>& blocks);

}  // namespace tagforge
