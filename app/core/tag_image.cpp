#include "app/core/tag_image.h"

#include <algorithm>
#include <ctime>
#include <nlohmann/json.hpp>
#include <sstream>

#include "app/core/transponder_text.h"
#include "common/messages.h"
#include "common/value_text.h"

#ifndef QT_TRANSLATE_NOOP
#define QT_TRANSLATE_NOOP(context, text) text
#endif

namespace tagforge {

namespace {

// The largest block a write can carry (one block per Write Single Block request).
constexpr int kMaxBlockSize = 32;
// Block numbers are at most 16 bits wide.
constexpr int kMaxBlockCount = 65536;
constexpr const char* kCsvHeader = "Block,Hex,ASCII,Locked";

ImageProblem Problem(const char* text, std::vector<std::string> args = {}) {
    return ImageProblem{text, std::move(args)};
}

std::optional<std::array<uint8_t, 8>> UidFromText(const std::string& text) {
    const std::optional<BlockBytes> bytes = ParseHexBytes(text);
    if (text.size() != 16 || !bytes || bytes->size() != 8) {
        return std::nullopt;
    }
    std::array<uint8_t, 8> uid{};
    std::reverse_copy(bytes->begin(), bytes->end(), uid.begin());
    return uid;
}

bool IsLocked(const TagImage& image, int block) {
    return image.lockedBlocks && std::find(image.lockedBlocks->begin(), image.lockedBlocks->end(),
                                           block) != image.lockedBlocks->end();
}

std::string JsonText(const TagImage& image, const std::string& typeText) {
    nlohmann::json blocks = nlohmann::json::array();
    for (const std::optional<BlockBytes>& block : image.blocks) {
        blocks.push_back(block ? nlohmann::json(HexBytes(*block)) : nlohmann::json());
    }
    nlohmann::json document = {
        {"blockCount", image.blockCount},
        {"blockSize", image.blockSize},
        {"blocks", blocks},
    };
    if (image.uid) {
        const std::string chip = ChipName(*image.uid);
        document["uid"] = UidText(*image.uid);
        document["manufacturerCode"] = (*image.uid)[6];
        document["chip"] = chip.empty() ? nlohmann::json() : nlohmann::json(chip);
        document["serialNumber"] = TransponderSerialNumber(*image.uid);
        document["typeText"] = typeText;
    }
    if (image.lockedBlocks) {
        document["lockedBlocks"] = *image.lockedBlocks;
    }
    if (!image.time.empty()) {
        document["time"] = image.time;
    }
    return document.dump(2) + "\n";
}

std::string BinaryText(const TagImage& image) {
    size_t end = image.blocks.size();
    while (end > 0 && !image.blocks[end - 1]) {
        --end;
    }
    std::string bytes;
    for (size_t i = 0; i < end; ++i) {
        const std::optional<BlockBytes>& block = image.blocks[i];
        bytes += block ? std::string(block->begin(), block->end())
                       : std::string(static_cast<size_t>(image.blockSize), '\0');
    }
    return bytes;
}

// A spreadsheet takes a cell beginning with one of these as a formula: such a text gets a
// leading apostrophe, which spreadsheets show as plain text.
std::string CsvTextCell(const std::string& text) {
    std::string cell = "\"";
    if (!text.empty() && std::string_view("=+-@").find(text.front()) != std::string_view::npos) {
        cell += '\'';
    }
    for (char c : text) {
        cell += c == '"' ? std::string("\"\"") : std::string(1, c);
    }
    return cell + "\"";
}

std::string CsvText(const TagImage& image) {
    std::string text = std::string(kCsvHeader) + "\r\n";
    for (size_t i = 0; i < image.blocks.size(); ++i) {
        const std::optional<BlockBytes>& block = image.blocks[i];
        const int number = static_cast<int>(i);
        text += std::to_string(number) + "," + (block ? HexBytes(*block) : std::string()) + "," +
                CsvTextCell(block ? PrintableText(*block) : std::string()) + "," +
                (image.lockedBlocks ? (IsLocked(image, number) ? "1" : "0") : "") + "\r\n";
    }
    return text;
}

std::optional<TagImage> ParseJson(std::string_view bytes, ImageProblem& problem) {
    nlohmann::json document;
    try {
        document = nlohmann::json::parse(bytes);
    } catch (const nlohmann::json::parse_error& error) {
        problem = Problem(
            QT_TRANSLATE_NOOP("TagImage", "Die Datei ist kein gültiges JSON (Fehler bei Byte %1)"),
            {std::to_string(error.byte)});
        return std::nullopt;
    }
    if (!document.is_object()) {
        problem = Problem(QT_TRANSLATE_NOOP("TagImage", "Die Datei enthält kein JSON-Objekt"));
        return std::nullopt;
    }
    for (const char* field : {"blockCount", "blockSize", "blocks"}) {
        if (!document.contains(field)) {
            problem = Problem(QT_TRANSLATE_NOOP("TagImage", "Im Abbild fehlt \"%1\""), {field});
            return std::nullopt;
        }
    }
    const nlohmann::json& count = document["blockCount"];
    const nlohmann::json& size = document["blockSize"];
    const nlohmann::json& blocks = document["blocks"];
    if (!count.is_number_integer() || count.get<int64_t>() < 1 ||
        count.get<int64_t>() > kMaxBlockCount || !size.is_number_integer() ||
        size.get<int64_t>() < 1 || size.get<int64_t>() > kMaxBlockSize) {
        problem = Problem(
            QT_TRANSLATE_NOOP("TagImage", "blockCount muss 1 bis %1 sein und blockSize 1 bis %2"),
            {std::to_string(kMaxBlockCount), std::to_string(kMaxBlockSize)});
        return std::nullopt;
    }
    TagImage image;
    image.blockCount = count.get<int>();
    image.blockSize = size.get<int>();
    if (!blocks.is_array() || blocks.size() != static_cast<size_t>(image.blockCount)) {
        problem =
            Problem(QT_TRANSLATE_NOOP("TagImage", "\"blocks\" muss %1 Einträge haben (blockCount)"),
                    {std::to_string(image.blockCount)});
        return std::nullopt;
    }
    for (size_t i = 0; i < blocks.size(); ++i) {
        if (blocks[i].is_null()) {
            image.blocks.emplace_back();
            continue;
        }
        const std::optional<BlockBytes> data =
            blocks[i].is_string() ? ParseHexBytes(blocks[i].get<std::string>()) : std::nullopt;
        if (!data || data->size() != static_cast<size_t>(image.blockSize)) {
            problem = Problem(QT_TRANSLATE_NOOP("TagImage",
                                                "Block %1 des Abbilds ist nicht %2 Bytes in "
                                                "Hexadezimal (oder null)"),
                              {std::to_string(i), std::to_string(image.blockSize)});
            return std::nullopt;
        }
        image.blocks.push_back(*data);
    }
    if (document.contains("uid") && !document["uid"].is_null()) {
        const nlohmann::json& uid = document["uid"];
        image.uid = uid.is_string() ? UidFromText(uid.get<std::string>()) : std::nullopt;
        if (!image.uid) {
            problem = Problem(QT_TRANSLATE_NOOP(
                "TagImage", "\"uid\" des Abbilds ist nicht 16 hexadezimale Ziffern"));
            return std::nullopt;
        }
    }
    if (document.contains("lockedBlocks") && !document["lockedBlocks"].is_null()) {
        const nlohmann::json& locked = document["lockedBlocks"];
        std::vector<int> numbers;
        for (const nlohmann::json& n : locked.is_array() ? locked : nlohmann::json::array()) {
            if (!n.is_number_integer() || n.get<int64_t>() < 0 ||
                n.get<int64_t>() >= image.blockCount) {
                numbers.clear();
                break;
            }
            numbers.push_back(n.get<int>());
        }
        if (!locked.is_array() || numbers.size() != locked.size()) {
            problem = Problem(QT_TRANSLATE_NOOP(
                "TagImage", "\"lockedBlocks\" muss eine Liste von Blocknummern des Abbilds sein"));
            return std::nullopt;
        }
        image.lockedBlocks = numbers;
    }
    if (document.contains("time") && document["time"].is_string()) {
        image.time = document["time"].get<std::string>();
    }
    return image;
}

std::optional<TagImage> ParseBinary(std::string_view bytes, int blockSize, ImageProblem& problem) {
    if (blockSize < 1 || blockSize > kMaxBlockSize) {
        problem = Problem(QT_TRANSLATE_NOOP(
            "TagImage", "Für ein binäres Abbild ist die Blockgröße nicht bekannt"));
        return std::nullopt;
    }
    const size_t size = static_cast<size_t>(blockSize);
    if (bytes.empty() || bytes.size() % size != 0 ||
        bytes.size() / size > static_cast<size_t>(kMaxBlockCount)) {
        problem = Problem(QT_TRANSLATE_NOOP("TagImage",
                                            "Die Datei hat %1 Bytes: das sind keine ganzen Blöcke "
                                            "zu %2 Bytes (höchstens %3 Blöcke)"),
                          {std::to_string(bytes.size()), std::to_string(blockSize),
                           std::to_string(kMaxBlockCount)});
        return std::nullopt;
    }
    TagImage image;
    image.blockSize = blockSize;
    image.blockCount = static_cast<int>(bytes.size() / size);
    for (size_t at = 0; at < bytes.size(); at += size) {
        image.blocks.emplace_back(BlockBytes(bytes.begin() + static_cast<long>(at),
                                             bytes.begin() + static_cast<long>(at + size)));
    }
    return image;
}

// The cells of one CSV line; a quoted cell may hold commas and doubled quotes.
std::vector<std::string> CsvCells(std::string_view line) {
    std::vector<std::string> cells(1);
    bool quoted = false;
    for (size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (quoted && c == '"' && i + 1 < line.size() && line[i + 1] == '"') {
            cells.back() += '"';
            ++i;
        } else if (c == '"') {
            quoted = !quoted;
        } else if (c == ',' && !quoted) {
            cells.emplace_back();
        } else {
            cells.back() += c;
        }
    }
    return cells;
}

std::optional<TagImage> ParseCsv(std::string_view bytes, ImageProblem& problem) {
    std::istringstream lines{std::string(bytes)};
    std::string line;
    std::getline(lines, line);
    if (!line.empty() && line.back() == '\r') {
        line.pop_back();
    }
    if (line != kCsvHeader) {
        problem = Problem(QT_TRANSLATE_NOOP("TagImage", "Die erste Zeile ist nicht \"%1\""),
                          {kCsvHeader});
        return std::nullopt;
    }
    TagImage image;
    std::vector<int> locked;
    bool lockKnown = false;
    while (std::getline(lines, line)) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (line.empty()) {
            continue;
        }
        const std::vector<std::string> cells = CsvCells(line);
        const int number = image.blockCount;
        const std::optional<BlockBytes> data =
            cells.size() >= 2 && !cells[1].empty() ? ParseHexBytes(cells[1]) : std::nullopt;
        const bool sizeFits =
            data && !data->empty() && static_cast<int>(data->size()) <= kMaxBlockSize &&
            (image.blockSize == 0 || static_cast<int>(data->size()) == image.blockSize);
        if (cells.size() < 2 || cells[0] != std::to_string(number) ||
            (!cells[1].empty() && !sizeFits) || number >= kMaxBlockCount) {
            problem =
                Problem(QT_TRANSLATE_NOOP("TagImage",
                                          "Zeile %1 ist nicht \"%2,<Bytes in Hexadezimal>,...\" "
                                          "mit gleich großen Blöcken"),
                        {std::to_string(number + 2), std::to_string(number)});
            return std::nullopt;
        }
        if (data) {
            image.blockSize = static_cast<int>(data->size());
        }
        image.blocks.push_back(data);
        if (cells.size() >= 4 && !cells[3].empty()) {
            lockKnown = true;
            if (cells[3] == "1") {
                locked.push_back(number);
            }
        }
        ++image.blockCount;
    }
    if (image.blockCount == 0 || image.blockSize == 0) {
        problem = Problem(QT_TRANSLATE_NOOP("TagImage", "Die Datei enthält keine Blöcke"));
        return std::nullopt;
    }
    if (lockKnown) {
        image.lockedBlocks = locked;
    }
    return image;
}

}  // namespace

std::optional<BlockBytes> ParseHexBytes(std::string_view text) {
    BlockBytes bytes;
    for (size_t i = 0; i < text.size();) {
        if (text[i] == ' ') {
            ++i;
            continue;
        }
        if (i + 1 >= text.size() || !IsHexDigit(text[i]) || !IsHexDigit(text[i + 1])) {
            return std::nullopt;
        }
        bytes.push_back(HexPairValue(text[i], text[i + 1]));
        i += 2;
    }
    return bytes;
}

std::optional<ImageFormat> ImageFormatByName(std::string_view name) {
    if (name == "json") {
        return ImageFormat::kJson;
    }
    if (name == "bin") {
        return ImageFormat::kBinary;
    }
    if (name == "csv") {
        return ImageFormat::kCsv;
    }
    return std::nullopt;
}

ImageFormat ImageFormatOfPath(std::string_view path) {
    const size_t dot = path.rfind('.');
    const std::string_view ending = dot == std::string_view::npos ? "" : path.substr(dot + 1);
    if (ending == "bin") {
        return ImageFormat::kBinary;
    }
    return ending == "csv" ? ImageFormat::kCsv : ImageFormat::kJson;
}

std::string ImageTimeNow() {
    const std::time_t now = std::time(nullptr);
    std::tm utc{};
    gmtime_r(&now, &utc);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
    return text;
}

std::string PrintableText(std::span<const uint8_t> bytes) {
    std::string text;
    text.reserve(bytes.size());
    for (uint8_t b : bytes) {
        text += (b >= 0x20 && b < 0x7F) ? static_cast<char>(b) : '.';
    }
    return text;
}

std::string ChipName(std::span<const uint8_t, 8> uid) {
    std::istringstream words(
        TransponderTypeText(uid, GermanMessageText(TransponderTypeMessageId(uid[6]))));
    std::string label, maker, chip;
    words >> label >> maker >> chip;
    return label == "Transpondertyp:" ? chip : std::string();
}

std::string ImageFileText(const TagImage& image, ImageFormat format, const std::string& typeText) {
    switch (format) {
        case ImageFormat::kBinary:
            return BinaryText(image);
        case ImageFormat::kCsv:
            return CsvText(image);
        case ImageFormat::kJson:
            break;
    }
    return JsonText(image, typeText);
}

std::optional<TagImage> ParseImage(std::string_view bytes, ImageFormat format, int binaryBlockSize,
                                   ImageProblem& problem) {
    problem = {};
    switch (format) {
        case ImageFormat::kBinary:
            return ParseBinary(bytes, binaryBlockSize, problem);
        case ImageFormat::kCsv:
            return ParseCsv(bytes, problem);
        case ImageFormat::kJson:
            break;
    }
    return ParseJson(bytes, problem);
}

ImageProblem GeometryProblem(const TagImage& image, int blockCount, int blockSize) {
    if (image.blockSize != blockSize) {
        return Problem(QT_TRANSLATE_NOOP("TagImage",
                                         "Das Abbild hat Blöcke zu %1 Bytes, der Transponder zu "
                                         "%2 Bytes"),
                       {std::to_string(image.blockSize), std::to_string(blockSize)});
    }
    if (image.blockCount > blockCount) {
        return Problem(
            QT_TRANSLATE_NOOP("TagImage", "Das Abbild hat %1 Blöcke, der Transponder nur %2"),
            {std::to_string(image.blockCount), std::to_string(blockCount)});
    }
    return {};
}

std::vector<int> DifferingBlocks(const TagImage& a, const TagImage& b) {
    std::vector<int> differing;
    const size_t count = std::max(a.blocks.size(), b.blocks.size());
    for (size_t i = 0; i < count; ++i) {
        if (i >= a.blocks.size() || i >= b.blocks.size() || a.blocks[i] != b.blocks[i]) {
            differing.push_back(static_cast<int>(i));
        }
    }
    return differing;
}

std::string BlockRanges(const std::vector<int>& blocks) {
    std::string text;
    for (size_t i = 0; i < blocks.size();) {
        size_t j = i;
        while (j + 1 < blocks.size() && blocks[j + 1] == blocks[j] + 1) {
            ++j;
        }
        text += (text.empty() ? "" : ", ") + std::to_string(blocks[i]) +
                (j > i ? "-" + std::to_string(blocks[j]) : "");
        i = j + 1;
    }
    return text.empty() ? "-" : text;
}

}  // namespace tagforge
