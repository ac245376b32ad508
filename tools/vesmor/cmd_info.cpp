// vesmor info: opens a reader and tells what it is.

#include <iostream>
#include <memory>

#include "app/core/reader_text.h"
#include "tools/common/printable_text.h"
#include "tools/vesmor/commands.h"
#include "tools/vesmor/common.h"
#include "vesmor.h"

namespace vesmor::cli {

namespace {

int RunInfo(const ConnectionOptions& options) {
    Reader reader;
    if (!reader.Open(options)) {
        return kExitFailed;
    }
    unsigned char version[4] = {};
    if (VESMOR_GetVersion(reader.Handle(), version, sizeof version) != sizeof version) {
        return ReportLibraryError(reader.Handle(), "VESMOR_GetVersion");
    }
    char name[30] = {};
    VESMOR_GetDeviceName(reader.Handle(), name, sizeof name);
    std::cout << "Gerät:         " << tools::Printable(name) << "\n"
              << "Firmware:      " << tagforge::FirmwareText(version[3]) << "\n"
              << "Protokolltyp:  " << VESMOR_GetProtocolType(reader.Handle()) << "\n"
              << "Gerätetyp:     "
              << (VESMOR_IsProgrammer(reader.Handle()) == 1 ? "Programmer" : "reiner Leser") << "\n"
              << "Verbindung:    " << (VESMOR_IsUSB(reader.Handle()) == 1 ? "USB:" : "")
              << options.port << "\n";
    return kExitOk;
}

}  // namespace

void AddInfoCommand(CLI::App& app, int& exitCode) {
    CLI::App* command = app.add_subcommand("info", "open a reader and show model and firmware");
    auto options = std::make_shared<ConnectionOptions>();
    AddConnectionOptions(*command, *options);
    command->callback([options, &exitCode] { exitCode = RunInfo(*options); });
}

}  // namespace vesmor::cli
