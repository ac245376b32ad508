// vesmor restore: writes an image file back to a transponder. The image must fit the tag's
// geometry before anything is written; then only the blocks that differ are written (all with
// --all), each read back and compared, and a summary says what became of every block.

#include <cstdio>
#include <iostream>
#include <memory>

#include "app/core/tag_image.h"
#include "app/core/transponder_text.h"
#include "tools/vesmor/commands.h"
#include "tools/vesmor/common.h"
#include "tools/vesmor/image_access.h"
#include "tools/vesmor/tool_text.h"
#include "tools/vesmor/transponder_access.h"
#include "vesmor.h"

namespace vesmor::cli {

namespace {

// ISO error 0x12: the block is locked and cannot be changed.
constexpr int32_t kErrorBlockLocked = 38;
constexpr int32_t kReadBackSize = 255;

struct RestoreOptions {
    ConnectionOptions connection;
    int32_t flags = kDefaultRequestFlags;
    std::string uid;
    std::string file;
    std::string format;
    std::string blocks;
    bool all = false;
    bool dryRun = false;
};

// What became of the blocks of the range.
struct Outcome {
    std::vector<int> written, unchanged, failed, locked, skipped, notTried;
};

// "A-B" or "A" as a block range; nullopt for anything else.
std::optional<std::pair<int, int>> ParseBlockRange(const std::string& text) {
    int first = -1, last = -1;
    char end = 0;
    if (std::sscanf(text.c_str(), "%d-%d%c", &first, &last, &end) == 2 ||
        (std::sscanf(text.c_str(), "%d%c", &first, &end) == 1 && (last = first) >= 0)) {
        if (first >= 0 && last >= first && last <= 65535) {
            return std::pair{first, last};
        }
    }
    return std::nullopt;
}

std::string Hex(const std::optional<tagforge::BlockBytes>& block) {
    return block ? tagforge::HexBytes(*block) : std::string("--");
}

// Writes one block and reads it back; records the outcome. False when the transponder is gone
// (no answer), so that the rest is not tried.
bool WriteAndVerify(int32_t handle, const Target& target, int32_t flags, int block,
                    const tagforge::BlockBytes& data, Outcome& outcome) {
    const Uid& uid = target.uid;
    const int32_t blockFlags = FlagsForBlock(flags, uid, block);
    if (VESMOR_WriteBlock(handle, block, data.data(), static_cast<int32_t>(data.size()), uid.data(),
                          8, blockFlags) != 0) {
        const int32_t error = VESMOR_GetLastError(handle);
        if (error == kErrorBlockLocked) {
            outcome.locked.push_back(block);
            std::printf("%5d: %s\n", block, Tr(QT_TRANSLATE_NOOP("vesmor", "gesperrt")).c_str());
            return true;
        }
        outcome.failed.push_back(block);
        ReportLibraryError(handle, "Block " + std::to_string(block));
        return error != VESMOR_ERR_NO_TRANSPONDER && error != VESMOR_ERR_TIMEOUT;
    }
    uint8_t readBack[kReadBackSize];
    const int32_t n =
        VESMOR_ReadBlock(handle, block, readBack, kReadBackSize, uid.data(), 8, blockFlags);
    if (n == static_cast<int32_t>(data.size()) && std::equal(data.begin(), data.end(), readBack)) {
        outcome.written.push_back(block);
        std::printf(
            "%5d: %s\n", block,
            Tr(QT_TRANSLATE_NOOP("vesmor", "%1 geschrieben"), {tagforge::HexBytes(data)}).c_str());
        return true;
    }
    outcome.failed.push_back(block);
    if (n < 0) {
        ReportLibraryError(handle, Tr(QT_TRANSLATE_NOOP("vesmor", "Block %1 zurücklesen"),
                                      {std::to_string(block)}));
        const int32_t error = VESMOR_GetLastError(handle);
        return error != VESMOR_ERR_NO_TRANSPONDER && error != VESMOR_ERR_TIMEOUT;
    }
    std::cerr << Tr(QT_TRANSLATE_NOOP("vesmor",
                                      "Block %1: geschrieben, aber zurückgelesen %2 statt %3"),
                    {std::to_string(block), tagforge::HexBytes({readBack, static_cast<size_t>(n)}),
                     tagforge::HexBytes(data)})
              << "\n";
    return true;
}

void PrintSummary(const Outcome& o, bool dryRun) {
    const auto count = [](const std::vector<int>& v) { return std::to_string(v.size()); };
    if (dryRun) {
        std::printf("%s\n", Tr(QT_TRANSLATE_NOOP("vesmor",
                                                 "Probelauf: %1 Blöcke würden geschrieben, %2 "
                                                 "unverändert, %3 übersprungen; nichts "
                                                 "geschrieben"),
                               {count(o.written), count(o.unchanged), count(o.skipped)})
                                .c_str());
        return;
    }
    std::printf("%s\n",
                Tr(QT_TRANSLATE_NOOP("vesmor",
                                     "Geschrieben: %1, unverändert: %2, fehlgeschlagen: %3, "
                                     "gesperrt: %4, übersprungen: %5, nicht versucht: %6"),
                   {count(o.written), count(o.unchanged), count(o.failed), count(o.locked),
                    count(o.skipped), count(o.notTried)})
                    .c_str());
    const std::pair<const char*, const std::vector<int>*> lists[] = {
        {QT_TRANSLATE_NOOP("vesmor", "Geschriebene Blöcke: %1"), &o.written},
        {QT_TRANSLATE_NOOP("vesmor", "Fehlgeschlagene Blöcke: %1"), &o.failed},
        {QT_TRANSLATE_NOOP("vesmor", "Gesperrte Blöcke: %1"), &o.locked},
        {QT_TRANSLATE_NOOP("vesmor", "Nicht versuchte Blöcke: %1"), &o.notTried},
    };
    for (const auto& [text, blocks] : lists) {
        if (!blocks->empty()) {
            std::printf("%s\n", Tr(text, {tagforge::BlockRanges(*blocks)}).c_str());
        }
    }
}

int RunRestore(const RestoreOptions& options) {
    Reader reader;
    if (!reader.Open(options.connection)) {
        return kExitFailed;
    }
    const std::optional<Target> target = FindTarget(reader.Handle(), options.flags, options.uid);
    if (!target) {
        return kExitFailed;
    }
    const TagGeometry& geometry = target->geometry;
    const std::optional<tagforge::TagImage> image =
        LoadImageFile(options.file, options.format, geometry.blockSize);
    const std::string nothing = Tr(QT_TRANSLATE_NOOP("vesmor", "Nichts geschrieben."));
    if (!image) {
        std::cerr << nothing << "\n";
        return kExitUsage;
    }
    if (const tagforge::ImageProblem problem =
            tagforge::GeometryProblem(*image, geometry.blockCount, geometry.blockSize)) {
        std::cerr << ProblemText(problem) << ". " << nothing << "\n";
        return kExitUsage;
    }
    auto range = options.blocks.empty() ? std::pair{0, image->blockCount - 1}
                                        : *ParseBlockRange(options.blocks);
    if (range.second >= image->blockCount) {
        std::cerr << Tr(QT_TRANSLATE_NOOP("vesmor",
                                          "--blocks %1 liegt nicht im Abbild (Blöcke 0 bis %2). "),
                        {options.blocks, std::to_string(image->blockCount - 1)})
                  << nothing << "\n";
        return kExitUsage;
    }
    const std::optional<tagforge::TagImage> current =
        ReadTagImage(reader.Handle(), *target, {.flags = options.flags});
    if (!current) {
        return kExitFailed;
    }
    Outcome outcome;
    bool present = true;
    for (int block = range.first; block <= range.second; ++block) {
        const auto& want = image->blocks[static_cast<size_t>(block)];
        const auto& have = current->blocks[static_cast<size_t>(block)];
        // A block missing from the image has nothing to write; one the tag cannot read could
        // not be checked.
        if (!want || !have) {
            outcome.skipped.push_back(block);
        } else if (!options.all && have == want) {
            outcome.unchanged.push_back(block);
        } else if (options.dryRun) {
            outcome.written.push_back(block);
            std::printf("%5d: %s -> %s\n", block, Hex(have).c_str(), Hex(want).c_str());
        } else if (!present) {
            outcome.notTried.push_back(block);
        } else {
            present =
                WriteAndVerify(reader.Handle(), *target, options.flags, block, *want, outcome);
        }
    }
    PrintSummary(outcome, options.dryRun);
    const bool whole = outcome.failed.empty() && outcome.locked.empty() && outcome.notTried.empty();
    return whole ? kExitOk : kExitFailed;
}

}  // namespace

void AddRestoreCommand(CLI::App& app, int& exitCode) {
    auto options = std::make_shared<RestoreOptions>();
    CLI::App* command = app.add_subcommand(
        "restore", "write an image file to the transponder, block by block with read-back");
    AddConnectionOptions(*command, options->connection);
    command->add_option("--flags", options->flags, "request flags (default 1)");
    command
        ->add_option("--uid", options->uid, "UID of the transponder, most significant byte first")
        ->check(UidFormat());
    command->add_option("--file", options->file, "the image (json, bin or csv)")->required();
    command
        ->add_option("--format", options->format,
                     "image format: json, bin or csv (default: by the file name's ending)")
        ->check(ImageFormatName());
    command->add_option("--blocks", options->blocks, "only these blocks, e.g. 4-27")
        ->check(CLI::Validator(
            [](std::string& text) {
                return ParseBlockRange(text) ? std::string()
                                             : text + " is not a block range A-B (0-65535)";
            },
            "A-B"));
    command->add_flag("--all", options->all, "write every block, also those already equal");
    command->add_flag("--dry-run", options->dryRun, "only show what would be written");
    command->callback([options, &exitCode] { exitCode = RunRestore(*options); });
}

}  // namespace vesmor::cli
