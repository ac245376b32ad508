// vesmor dump: every block of the transponder in the field, as a table or as JSON.

#include <cstdio>
#include <iostream>
#include <memory>
#include <nlohmann/json.hpp>

#include "app/core/transponder_text.h"
#include "tools/vesmor/commands.h"
#include "tools/vesmor/common.h"
#include "tools/vesmor/transponder_access.h"
#include "vesmor.h"

namespace vesmor::cli {

namespace {

constexpr int32_t kMakerEm = 0x16;  // its last block cannot be read

struct DumpOptions {
    ConnectionOptions connection;
    int32_t flags = kDefaultRequestFlags;
    std::string uid;
    bool json = false;
};

// Blocks read, in hexadecimal; an empty text for a block that is not read.
struct Dump {
    Uid uid;
    TagGeometry geometry;
    std::vector<std::string> blocks;
};

std::optional<Dump> ReadEverything(int32_t handle, const DumpOptions& options) {
    const std::optional<Target> target = FindTarget(handle, options.flags, options.uid);
    if (!target) {
        return std::nullopt;
    }
    Dump dump;
    dump.uid = target->uid;
    dump.geometry = target->geometry;
    const Uid& uid = dump.uid;
    const TagGeometry& geometry = dump.geometry;
    std::vector<uint8_t> data(static_cast<size_t>(std::max(geometry.blockSize, 1)) + 1);
    for (int32_t block = 0; block < geometry.blockCount; ++block) {
        if (geometry.icManufacturer == kMakerEm && block + 1 == geometry.blockCount) {
            dump.blocks.emplace_back();
            break;
        }
        const int32_t n =
            VESMOR_ReadBlock(handle, block, data.data(), static_cast<int32_t>(data.size()),
                             uid.data(), 8, FlagsForBlock(options.flags, uid, block));
        if (n < 0) {
            ReportLibraryError(handle, "Block " + std::to_string(block));
            return std::nullopt;
        }
        dump.blocks.push_back(tagforge::HexBytes({data.data(), static_cast<size_t>(n)}));
    }
    return dump;
}

void PrintTable(const Dump& dump) {
    const int32_t size = dump.geometry.blockSize;
    const int32_t perRow = (size == 4 || size == 8 || size == 16 || size == 32) ? 4 : 1;
    std::printf("UID: %s\n%s\n\nBlockNr  Daten\n", tagforge::UidText(dump.uid).c_str(),
                tagforge::TransponderTypeText(dump.uid).c_str());
    const int32_t count = static_cast<int32_t>(dump.blocks.size());
    for (int32_t first = 0; first < count; first += perRow) {
        std::printf("%02d - %02d", first, std::min(first + perRow, count) - 1);
        for (int32_t b = first; b < std::min(first + perRow, count); ++b) {
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
    const nlohmann::json document = {
        {"uid", tagforge::UidText(dump.uid)},
        {"type", tagforge::TransponderTypeText(dump.uid)},
        {"serialNumber", tagforge::TransponderSerialNumber(dump.uid)},
        {"icManufacturer", dump.geometry.icManufacturer},
        {"blockCount", dump.geometry.blockCount},
        {"blockSize", dump.geometry.blockSize},
        {"blocks", blocks},
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
    command->callback([options, &exitCode] { exitCode = RunDump(*options); });
}

}  // namespace vesmor::cli
