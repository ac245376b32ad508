// vesmor inventory, tag, read and write: one library operation each, on the transponders in
// front of the reader.

#include <cstdio>
#include <iostream>
#include <memory>

#include "app/core/transponder_text.h"
#include "common/messages.h"
#include "tools/vesmor/commands.h"
#include "tools/vesmor/common.h"
#include "tools/vesmor/tool_text.h"
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
    bool single = false;
};

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
            ->check(UidFormat());
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
        Tr(QT_TRANSLATE_NOOP("vesmor",
                             "UID:            %s\n%s\nBlöcke:         %d\nBlockgröße:     %d "
                             "Bytes\nIC-Hersteller:  0x%02X\n"))
            .c_str(),
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
    const std::optional<BlockData> blocks = ReadBlockRange(
        reader.Handle(), uid, options.block, options.count, options.flags, options.single);
    if (!blocks) {
        return kExitFailed;
    }
    for (size_t i = 0; i < blocks->size(); ++i) {
        std::printf("%4d: %s\n", options.block + static_cast<int32_t>(i),
                    tagforge::HexBytes((*blocks)[i]).c_str());
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
        std::cerr << Tr(QT_TRANSLATE_NOOP("vesmor",
                                          "Die Daten (%1 Bytes) füllen keine ganzen Blöcke zu "
                                          "%2 Bytes."),
                        {std::to_string(data.size()), std::to_string(size)})
                  << "\n";
        return kExitUsage;
    }
    // Nothing is written unless every block lies on the transponder.
    const int32_t blocks = static_cast<int32_t>(data.size() / size);
    const int32_t count = target->geometry.blockCount;
    if (count > 0 && int64_t{options.block} + blocks > count) {
        std::cerr << Tr(QT_TRANSLATE_NOOP("vesmor",
                                          "Block %1 bis %2 liegen nicht auf dem Transponder: er "
                                          "hat %3 Blöcke (0 bis %4). Nichts geschrieben."),
                        {std::to_string(options.block), std::to_string(options.block + blocks - 1),
                         std::to_string(count), std::to_string(count - 1)})
                  << "\n";
        return kExitUsage;
    }
    for (size_t offset = 0; offset < data.size(); offset += size) {
        const int32_t block = options.block + static_cast<int32_t>(offset / size);
        if (VESMOR_WriteBlock(reader.Handle(), block, data.data() + offset,
                              static_cast<int32_t>(size), uid.data(), 8,
                              FlagsForBlock(options.flags, uid, block)) != 0) {
            return ReportLibraryError(reader.Handle(), "Block " + std::to_string(block));
        }
        std::printf("%4d: %s\n", block,
                    Tr(QT_TRANSLATE_NOOP("vesmor", "%1 geschrieben"),
                       {tagforge::HexBytes({data.data() + offset, size})})
                        .c_str());
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
        ->check(BlockNumber());
    readCommand->add_option("--count", read->count, "number of blocks")
        ->check(CLI::Range(1, 65536));
    readCommand->add_flag("--single", read->single,
                          "one block per request (Read Single Block) instead of runs");
    readCommand->callback([read, &exitCode] { exitCode = RunRead(*read); });

    auto write = std::make_shared<TransponderOptions>();
    CLI::App* writeCommand = AddTransponderCommand(app, "write", "write whole blocks", *write);
    writeCommand->add_option("--block", write->block, "first block")
        ->required()
        ->check(BlockNumber());
    writeCommand->add_option("--data", write->data, "hexadecimal bytes, whole blocks")
        ->required()
        ->check(kHexFormat);
    writeCommand->callback([write, &exitCode] { exitCode = RunWrite(*write); });
}

}  // namespace vesmor::cli
