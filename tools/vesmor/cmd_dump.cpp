// vesmor dump: every block of the transponder in the field, as a table or as JSON, or into an
// image file.

#include <cstdio>
#include <iostream>
#include <memory>

#include "app/core/tag_image.h"
#include "app/core/tag_layout.h"
#include "app/core/transponder_text.h"
#include "tools/vesmor/commands.h"
#include "tools/vesmor/common.h"
#include "tools/vesmor/image_access.h"
#include "tools/vesmor/tool_text.h"
#include "tools/vesmor/transponder_access.h"

namespace vesmor::cli {

namespace {

struct DumpOptions {
    ConnectionOptions connection;
    ImageReadOptions read;
    std::string uid;
    bool json = false;
    bool quiet = false;
    std::string out;
    std::string format;
};

void PrintTable(const Uid& uid, const tagforge::TagImage& image) {
    std::printf(Tr(QT_TRANSLATE_NOOP("vesmor", "UID: %s\n%s\n\nBlockNr  Daten\n")).c_str(),
                tagforge::UidText(uid).c_str(), tagforge::TransponderTypeText(uid).c_str());
    const int count = static_cast<int>(image.blocks.size());
    for (const tagforge::BlockRow& row :
         tagforge::BlockRows(count, tagforge::BlocksPerRow(image.blockSize))) {
        std::printf("%s", tagforge::RowLabel(row).c_str());
        for (int b = row.firstBlock; b <= row.lastBlock; ++b) {
            const auto& block = image.blocks[static_cast<size_t>(b)];
            std::printf("  %s", block ? tagforge::HexBytes(*block).c_str() : "");
        }
        std::printf("\n");
    }
}

int RunDump(DumpOptions options) {
    Reader reader;
    if (!reader.Open(options.connection)) {
        return kExitFailed;
    }
    const std::optional<Target> target =
        FindTarget(reader.Handle(), options.read.flags, options.uid);
    if (!target) {
        return kExitFailed;
    }
    options.read.progress = !options.quiet;
    const std::optional<tagforge::TagImage> image =
        ReadTagImage(reader.Handle(), *target, options.read);
    if (!image) {
        return kExitFailed;
    }
    if (!options.out.empty()) {
        return SaveImageFile(*image, target->uid, options.out, options.format) ? kExitOk
                                                                               : kExitFailed;
    }
    if (options.json) {
        std::cout << tagforge::ImageFileText(*image, tagforge::ImageFormat::kJson,
                                             tagforge::TransponderTypeText(target->uid));
    } else {
        PrintTable(target->uid, *image);
    }
    return kExitOk;
}

}  // namespace

void AddDumpCommand(CLI::App& app, int& exitCode) {
    auto options = std::make_shared<DumpOptions>();
    CLI::App* command = app.add_subcommand("dump", "read every block of the transponder");
    AddConnectionOptions(*command, options->connection);
    command->add_option("--flags", options->read.flags, "request flags (default 1)");
    command->add_option("--uid", options->uid,
                        "UID of the transponder, most significant byte first");
    command->add_flag("--json", options->json, "print JSON");
    command->add_flag("--single", options->read.single,
                      "one block per request (Read Single Block) instead of runs");
    command->add_flag("-q,--quiet", options->quiet, "no progress on a terminal");
    command->add_option("--out", options->out,
                        "write the image to this file instead (replaced at once, never through "
                        "a link)");
    command
        ->add_option("--format", options->format,
                     "image format of --out: json (default), bin or csv; by default from the "
                     "file name's ending")
        ->check(ImageFormatName());
    command->add_flag("--security", options->read.security,
                      "also read the block security status (option flag 0x40) and list the "
                      "locked blocks");
    command->callback([options, &exitCode] { exitCode = RunDump(*options); });
}

}  // namespace vesmor::cli
