// vesmor dump: every block of the transponder in the field, as a table or as JSON.

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <iostream>
#include <memory>
#include <nlohmann/json.hpp>
#include <sstream>

#include "app/core/tag_layout.h"
#include "app/core/transponder_text.h"
#include "tools/vesmor/commands.h"
#include "tools/vesmor/common.h"
#include "tools/vesmor/tool_text.h"
#include "tools/vesmor/transponder_access.h"
#include "vesmor.h"

namespace vesmor::cli {

namespace {

struct DumpOptions {
    ConnectionOptions connection;
    int32_t flags = kDefaultRequestFlags;
    std::string uid;
    bool json = false;
    bool single = false;
    bool quiet = false;
};

// Blocks read, in hexadecimal; an empty text for a block that is not read.
struct Dump {
    Uid uid;
    TagGeometry geometry;
    std::vector<std::string> blocks;
};

// "Block 504 von 2048 gelesen" on one line of a terminal, overwritten as the dump goes on.
class Progress {
  public:
    Progress(bool shown, int32_t total) : shown_(shown), total_(total) {}
    ~Progress() {
        if (shown_ && drawn_) {
            std::fputs("\n", stderr);
        }
    }
    void operator()(int32_t done) {
        if (shown_) {
            std::fprintf(stderr, "\r%s",
                         Tr(QT_TRANSLATE_NOOP("vesmor", "Block %1 von %2 gelesen"),
                            {std::to_string(done), std::to_string(total_)})
                             .c_str());
            std::fflush(stderr);
            drawn_ = true;
        }
    }

  private:
    bool shown_;
    int32_t total_;
    bool drawn_ = false;
};

std::optional<Dump> ReadEverything(int32_t handle, const DumpOptions& options) {
    const std::optional<Target> target = FindTarget(handle, options.flags, options.uid);
    if (!target) {
        return std::nullopt;
    }
    Dump dump;
    dump.uid = target->uid;
    dump.geometry = target->geometry;
    // The EM chip's last block cannot be read: it is listed, but not asked for.
    const int32_t count = dump.geometry.blockCount;
    const bool lastUnreadable =
        count > 0 && !tagforge::BlockIsRead(count - 1, count, dump.geometry.icManufacturer);
    const int32_t readable = std::max(count - (lastUnreadable ? 1 : 0), 0);
    if (readable > 0) {
        Progress progress(!options.quiet && ::isatty(STDERR_FILENO), readable);
        const std::optional<BlockData> blocks = ReadBlockRange(
            handle, &dump.uid, 0, readable, options.flags, options.single, std::ref(progress));
        if (!blocks) {
            return std::nullopt;
        }
        for (const std::vector<uint8_t>& block : *blocks) {
            dump.blocks.push_back(tagforge::HexBytes(block));
        }
    }
    if (lastUnreadable) {
        dump.blocks.emplace_back();
    }
    return dump;
}

// The chip's name in the type line ("ICode2" of "Transpondertyp: Philips  ICode2   ..."); empty
// for a maker without a name.
std::string ChipName(const Uid& uid) {
    std::istringstream words(tagforge::TransponderTypeText(uid));
    std::string label, maker, chip;
    words >> label >> maker >> chip;
    return label == "Transpondertyp:" ? chip : std::string();
}

void PrintTable(const Dump& dump) {
    std::printf(Tr(QT_TRANSLATE_NOOP("vesmor", "UID: %s\n%s\n\nBlockNr  Daten\n")).c_str(),
                tagforge::UidText(dump.uid).c_str(),
                tagforge::TransponderTypeText(dump.uid).c_str());
    const int count = static_cast<int>(dump.blocks.size());
    for (const tagforge::BlockRow& row :
         tagforge::BlockRows(count, tagforge::BlocksPerRow(dump.geometry.blockSize))) {
        std::printf("%s", tagforge::RowLabel(row).c_str());
        for (int b = row.firstBlock; b <= row.lastBlock; ++b) {
            std::printf("  %s", dump.blocks[static_cast<size_t>(b)].c_str());
        }
        std::printf("\n");
    }
}

void PrintJson(const Dump& dump) {
    nlohmann::json blocks = nlohmann::json::array();
    for (const std::string& block : dump.blocks) {
        blocks.push_back(block.empty() ? nlohmann::json() : nlohmann::json(block));
    }
    const std::string chip = ChipName(dump.uid);
    const nlohmann::json document = {
        {"uid", tagforge::UidText(dump.uid)},
        {"manufacturerCode", dump.uid[6]},
        {"chip", chip.empty() ? nlohmann::json() : nlohmann::json(chip)},
        {"serialNumber", tagforge::TransponderSerialNumber(dump.uid)},
        {"blockCount", dump.geometry.blockCount},
        {"blockSize", dump.geometry.blockSize},
        {"blocks", blocks},
        {"typeText", tagforge::TransponderTypeText(dump.uid)},
    };
    std::cout << document.dump(2) << "\n";
}

int RunDump(const DumpOptions& options) {
    Reader reader;
    if (!reader.Open(options.connection)) {
        return kExitFailed;
    }
    const std::optional<Dump> dump = ReadEverything(reader.Handle(), options);
    if (!dump) {
        return kExitFailed;
    }
    options.json ? PrintJson(*dump) : PrintTable(*dump);
    return kExitOk;
}

}  // namespace

void AddDumpCommand(CLI::App& app, int& exitCode) {
    auto options = std::make_shared<DumpOptions>();
    CLI::App* command = app.add_subcommand("dump", "read every block of the transponder");
    AddConnectionOptions(*command, options->connection);
    command->add_option("--flags", options->flags, "request flags (default 1)");
    command->add_option("--uid", options->uid,
                        "UID of the transponder, most significant byte first");
    command->add_flag("--json", options->json, "print JSON");
    command->add_flag("--single", options->single,
                      "one block per request (Read Single Block) instead of runs");
    command->add_flag("-q,--quiet", options->quiet, "no progress on a terminal");
    command->callback([options, &exitCode] { exitCode = RunDump(*options); });
}

}  // namespace vesmor::cli
