// vesmor diff: the blocks in which the transponder differs from an image file, or two image
// files from each other, side by side. Exit 0 when they are equal, 1 when not, 2 when they
// cannot be compared (bad arguments, a file that is no image, no reader or transponder).

#include <algorithm>
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

namespace vesmor::cli {

namespace {

constexpr int kExitDifferent = 1;
constexpr int kDefaultBinaryBlockSize = 4;

struct DiffOptions {
    ConnectionOptions connection;
    int32_t flags = kDefaultRequestFlags;
    std::string uid;
    std::vector<std::string> files;
    std::string format;
    int blockSize = 0;
};

struct Side {
    std::string name;
    tagforge::TagImage image;
};

// A block as "01 02 03 04  ...." (hex and text), "--" where the side has none, padded to
// `width` characters.
std::string Cell(const tagforge::TagImage& image, int block, size_t width) {
    const size_t at = static_cast<size_t>(block);
    std::string text = at < image.blocks.size() && image.blocks[at]
                           ? tagforge::HexBytes(*image.blocks[at]) + "  " +
                                 tagforge::PrintableText(*image.blocks[at])
                           : std::string("--");
    text.resize(std::max(text.size(), width), ' ');
    return text;
}

int Compare(const Side& left, const Side& right) {
    std::printf("< %s\n> %s\n", left.name.c_str(), right.name.c_str());
    if (left.image.blockSize != right.image.blockSize ||
        left.image.blockCount != right.image.blockCount) {
        std::printf(
            "%s\n",
            Tr(QT_TRANSLATE_NOOP("vesmor",
                                 "Verschiedene Geometrie: %1 Blöcke zu %2 Bytes "
                                 "gegen %3 Blöcke zu %4 Bytes"),
               {std::to_string(left.image.blockCount), std::to_string(left.image.blockSize),
                std::to_string(right.image.blockCount), std::to_string(right.image.blockSize)})
                .c_str());
    }
    const std::vector<int> differing = tagforge::DifferingBlocks(left.image, right.image);
    const size_t width = static_cast<size_t>(std::max(left.image.blockSize, 1)) * 4 + 1;
    for (int block : differing) {
        std::printf("%5d  %s  |  %s\n", block, Cell(left.image, block, width).c_str(),
                    Cell(right.image, block, 0).c_str());
    }
    const size_t total = std::max(left.image.blocks.size(), right.image.blocks.size());
    std::printf(
        "%s\n",
        differing.empty()
            ? Tr(QT_TRANSLATE_NOOP("vesmor", "Gleich: %1 Blöcke"), {std::to_string(total)}).c_str()
            : Tr(QT_TRANSLATE_NOOP("vesmor", "Verschieden: %1 von %2 Blöcken (%3)"),
                 {std::to_string(differing.size()), std::to_string(total),
                  tagforge::BlockRanges(differing)})
                  .c_str());
    return differing.empty() ? kExitOk : kExitDifferent;
}

// The block size a binary file is read with: the option, else the other side's.
int BinaryBlockSize(const DiffOptions& options, const std::optional<Side>& other) {
    if (options.blockSize > 0) {
        return options.blockSize;
    }
    return other ? other->image.blockSize : kDefaultBinaryBlockSize;
}

std::optional<Side> LoadSide(const std::string& path, const DiffOptions& options,
                             const std::optional<Side>& other) {
    std::optional<tagforge::TagImage> image =
        LoadImageFile(path, options.format, BinaryBlockSize(options, other));
    if (!image) {
        return std::nullopt;
    }
    return Side{path, std::move(*image)};
}

int RunDiff(const DiffOptions& options) {
    const bool withTag = !options.connection.port.empty();
    if (options.files.size() != (withTag ? 1u : 2u)) {
        std::cerr << Tr(QT_TRANSLATE_NOOP("vesmor",
                                          "diff vergleicht den Transponder (-p) mit einer "
                                          "Abbilddatei oder zwei Abbilddateien miteinander"))
                  << "\n";
        return kExitUsage;
    }
    std::optional<Side> left;
    Reader reader;
    if (withTag) {
        if (!reader.Open(options.connection)) {
            return kExitUsage;
        }
        const std::optional<Target> target =
            FindTarget(reader.Handle(), options.flags, options.uid);
        std::optional<tagforge::TagImage> image;
        if (target) {
            image = ReadTagImage(reader.Handle(), *target, {.flags = options.flags});
        }
        if (!image) {
            return kExitUsage;
        }
        left = Side{
            Tr(QT_TRANSLATE_NOOP("vesmor", "Transponder %1"), {tagforge::UidText(target->uid)}),
            std::move(*image)};
    } else {
        // A JSON or CSV file first, so that a binary one can take its block size.
        const bool firstIsBinary =
            ImageFormatFor(options.files[0], options.format) == tagforge::ImageFormat::kBinary;
        const std::string& first = options.files[firstIsBinary ? 1 : 0];
        left = LoadSide(first, options, std::nullopt);
        if (left && firstIsBinary) {
            std::optional<Side> right = LoadSide(options.files[0], options, left);
            return right ? Compare(*right, *left) : kExitUsage;
        }
    }
    if (!left) {
        return kExitUsage;
    }
    const std::optional<Side> right = LoadSide(options.files.back(), options, left);
    return right ? Compare(*left, *right) : kExitUsage;
}

}  // namespace

void AddDiffCommand(CLI::App& app, int& exitCode) {
    auto options = std::make_shared<DiffOptions>();
    CLI::App* command = app.add_subcommand(
        "diff",
        "compare the transponder with an image file, or two image files (exit 0 equal, "
        "1 different, 2 trouble)");
    AddConnectionOptions(*command, options->connection);
    command->get_option("--port")->required(false);
    command->add_option("--flags", options->flags, "request flags (default 1)");
    command
        ->add_option("--uid", options->uid, "UID of the transponder, most significant byte first")
        ->check(UidFormat());
    command->add_option("--file,files", options->files, "the image file(s)");
    command
        ->add_option("--format", options->format,
                     "image format: json, bin or csv (default: by the file name's ending)")
        ->check(ImageFormatName());
    command
        ->add_option("--block-size", options->blockSize,
                     "block size of binary images without a tag or JSON image beside them "
                     "(default 4)")
        ->check(CLI::Range(1, 32));
    command->callback([options, &exitCode] { exitCode = RunDiff(*options); });
}

}  // namespace vesmor::cli
