// vesmor ports: the interfaces the library lists, one per line with its kind.

#include <iostream>
#include <vector>

#include "tools/common/printable_text.h"
#include "tools/vesmor/commands.h"
#include "tools/vesmor/common.h"
#include "vesmor.h"

namespace vesmor::cli {

namespace {

using ListFunction = int32_t (*)(char*, int32_t);

void PrintList(const char* kind, ListFunction list) {
    std::vector<char> buffer(64 * 1024);
    const int32_t written = list(buffer.data(), static_cast<int32_t>(buffer.size()));
    for (int32_t i = 0; i + 1 < written;) {
        const std::string name(buffer.data() + i);
        std::cout << kind << "\t" << tools::Printable(name) << "\n";
        i += static_cast<int32_t>(name.size()) + 1;
    }
}

}  // namespace

void AddPortsCommand(CLI::App& app, int& exitCode) {
    CLI::App* command = app.add_subcommand("ports", "list the reader interfaces present");
    command->callback([&exitCode] {
        // Kind, then the connection name to give to -p (a serial port's description in
        // brackets may stay: the device path is the text up to the first blank).
        std::cout << "# Art\tVerbindungsname (für -p)\n";
        PrintList("COM", VESMOR_GetComPorts);
        PrintList("USB", VESMOR_GetHidPorts);
        PrintList("Bluetooth", VESMOR_GetBluetoothPorts);
        exitCode = kExitOk;
    });
}

}  // namespace vesmor::cli
