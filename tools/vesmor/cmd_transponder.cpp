// vesmor inventory, tag, read and write: one library operation each, on the transponders in
// front of the reader.

#include <cstdio>
#include <iostream>
#include <memory>

#include "app/core/messages.h"
#include "app/core/transponder_text.h"
#include "tools/vesmor/commands.h"
#include "tools/vesmor/common.h"
#include "tools/vesmor/transponder_access.h"
#include "vesmor.h"

namespace vesmor::cli {

namespace {

struct TransponderOptions {
    ConnectionOptions connection;
    int32_t flags = kDefaultRequestFlags;
    std::string uid;
    int32_t block = 0;
    int32_t count = 1;
    std::string data;
};

const CLI::Validator kUidFormat(
    [](std::string& text) {
        return ParseUidText(text) ? std::string()
                                  : "a UID is 16 hexadecimal digits, e.g. E004010012345678";
    },
    "UID");

const CLI::Validator kHexFormat(
    [](std::string& text) {
        const auto bytes = ParseHexBytes(text);
        return bytes && !bytes->empty() ? std::string()
                                        : "hexadecimal byte pairs, e.g. \"01 A2 FF\"";
    },
    "HEX");

CLI::App* AddTransponderCommand(CLI::App& app, const char* name, const char* description,
                                TransponderOptions& options, bool withUid = true) {
    CLI::App* command = app.add_subcommand(name, description);
    AddConnectionOptions(*command, options.connection);
    command->add_option("--flags", options.flags,
                        "request flags: ISO flags byte plus library options (default 1)");
    if (withUid) {
        command
            ->add_option("--uid", options.uid,
                         "UID of the transponder, most significant byte first")
            ->check(kUidFormat);
    }
    return command;
}

// Opens the reader and finds the transponder; prints the reason when either fails.
std::optional<Target> OpenWithTarget(Reader& reader, const TransponderOptions& options) {
    if (!reader.Open(options.connection)) {
        return std::nullopt;
    }
    return FindTarget(reader.Handle(), options.flags, options.uid);
}

int RunInventory(const TransponderOptions& options) {
    Reader reader;
    if (!reader.Open(options.connection)) {
        return kExitFailed;
    }
    uint8_t records[11 * 64];
    const int32_t n = VESMOR_Inventory(reader.Handle(), records, sizeof records, options.flags);
    if (n < 0 && VESMOR_GetLastError(reader.Handle()) != VESMOR_ERR_NO_TRANSPONDER) {
        return ReportLibraryError(reader.Handle(), "VESMOR_Inventory");
    }
    if (n <= 0) {
        std::cout << tagforge::MessageText(tagforge::kMsgNoTransponderInField) << "\n";
        return kExitOk;
    }
    for (int32_t i = 0; i < n; i += 11) {
        const std::span<const uint8_t, 8> uid(records + i + 3, 8);
        std::printf("%s  DSFID %02X  %s\n", tagforge::UidText(uid).c_str(), records[i + 2],
                    tagforge::TransponderTypeText(uid).c_str());
    }
    return kExitOk;
}

int RunTag(const TransponderOptions& options) {
    Reader reader;
    const std::optional<Target> target = OpenWithTarget(reader, options);
    if (!target) {
        return kExitFailed;
    }
    std::printf(
        "UID:            %s\n%s\nBlöcke:         %d\nBlockgröße:     %d Bytes\n"
        "IC-Hersteller:  0x%02X\n",
        tagforge::UidText(target->uid).c_str(), tagforge::TransponderTypeText(target->uid).c_str(),
        target->geometry.blockCount, target->geometry.blockSize, target->geometry.icManufacturer);
    return kExitOk;
}

int RunRead(const TransponderOptions& options) {
    Reader reader;
    if (!reader.Open(options.connection)) {
        return kExitFailed;
    }
    const Uid* uid = nullptr;
    std::optional<Uid> given = options.uid.empty() ? std::nullopt : ParseUidText(options.uid);
    if (given) {
        uid = &*given;
    }
    for (int32_t block = options.block; block < options.block + options.count; ++block) {
        uint8_t data[256];
        const int32_t flags = uid ? FlagsForBlock(options.flags, *uid, block) : options.flags;
        const int32_t n = VESMOR_ReadBlock(reader.Handle(), block, data, sizeof data,
                                           uid ? uid->data() : nullptr, uid ? 8 : 0, flags);
        if (n < 0) {
            return ReportLibraryError(reader.Handle(), "Block " + std::to_string(block));
        }
        std::printf("%4d: %s\n", block, tagforge::HexBytes({data, static_cast<size_t>(n)}).c_str());
    }
    return kExitOk;
}

int RunWrite(const TransponderOptions& options) {
    Reader reader;
    const std::optional<Target> target = OpenWithTarget(reader, options);
    if (!target) {
        return kExitFailed;
    }
    const Uid& uid = target->uid;
    const std::vector<uint8_t> data = *ParseHexBytes(options.data);
    const size_t size = static_cast<size_t>(target->geometry.blockSize);
    if (size == 0 || data.size() % size != 0) {
        std::cerr << "Die Daten (" << data.size() << " Bytes) füllen keine ganzen Blöcke zu "
                  << size << " Bytes.\n";
        return kExitUsage;
    }
    for (size_t offset = 0; offset < data.size(); offset += size) {
        const int32_t block = options.block + static_cast<int32_t>(offset / size);
        if (VESMOR_WriteBlock(reader.Handle(), block, data.data() + offset,
                              static_cast<int32_t>(size), uid.data(), 8,
                              FlagsForBlock(options.flags, uid, block)) != 0) {
            return ReportLibraryError(reader.Handle(), "Block " + std::to_string(block));
        }
        std::printf("%4d: %s geschrieben\n", block,
                    tagforge::HexBytes({data.data() + offset, size}).c_str());
    }
    return kExitOk;
}

}  // namespace

void AddTransponderCommands(CLI::App& app, int& exitCode) {
    auto inventory = std::make_shared<TransponderOptions>();
    AddTransponderCommand(app, "inventory", "list the transponders in the field", *inventory, false)
        ->callback([inventory, &exitCode] { exitCode = RunInventory(*inventory); });

    auto tag = std::make_shared<TransponderOptions>();
    AddTransponderCommand(app, "tag", "system information of the transponder", *tag)
        ->callback([tag, &exitCode] { exitCode = RunTag(*tag); });

    auto read = std::make_shared<TransponderOptions>();
    CLI::App* readCommand = AddTransponderCommand(app, "read", "read blocks", *read);
    readCommand->add_option("--block", read->block, "first block")
        ->required()
        ->check(CLI::NonNegativeNumber);
    readCommand->add_option("--count", read->count, "number of blocks")
        ->check(CLI::Range(1, 65536));
    readCommand->callback([read, &exitCode] { exitCode = RunRead(*read); });

    auto write = std::make_shared<TransponderOptions>();
    CLI::App* writeCommand = AddTransponderCommand(app, "write", "write whole blocks", *write);
    writeCommand->add_option("--block", write->block, "first block")
        ->required()
        ->check(CLI::NonNegativeNumber);
    writeCommand->add_option("--data", write->data, "hexadecimal bytes, whole blocks")
        ->required()
        ->check(kHexFormat);
    writeCommand->callback([write, &exitCode] { exitCode = RunWrite(*write); });
}

}  // namespace vesmor::cli
