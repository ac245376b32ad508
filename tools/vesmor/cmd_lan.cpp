// vesmor lan: finds LAN readers on the local networks, shows and changes their network
// settings.

#include <chrono>
#include <iostream>
#include <memory>
#include <thread>

#include "common/messages.h"
#include "periphery/interface_library.h"
#include "periphery/lan_settings.h"
#include "tools/common/printable_text.h"
#include "tools/vesmor/commands.h"
#include "tools/vesmor/common.h"
#include "vesmor.h"

namespace vesmor::cli {

namespace {

using tagforge::Ipv4Octets;

// VESMOR_GetLanConfig writes at most this many bytes into each text.
constexpr size_t kConfigTextBytes = 32;
// A reader restarts after a change; it is given this long to answer at its new address.
constexpr auto kReaderReturn = std::chrono::seconds(25);
constexpr auto kReaderPoll = std::chrono::milliseconds(100);

struct LanSetOptions {
    std::string reader;
    std::string address;
    std::string dhcpName;
    std::string mask;
    std::string gateway;
};

struct LanConfig {
    std::string name;
    std::string address;
    std::string mask;
    std::string gateway;
};

int RunSearch(bool readersOnly) {
    tagforge::InterfaceLibrary& library = tagforge::VesmorInterfaces();
    const std::vector<std::string> found =
        readersOnly ? tagforge::FetchInterfaceList(library, tagforge::InterfaceKind::kLan)
                    : tagforge::FetchLanDevices(library);
    for (const std::string& name : found) {
        std::cout << tools::Printable(name) << "\n";
    }
    if (found.empty()) {
        std::cerr << tagforge::MessageText(tagforge::kMsgNoLanDevices) << "\n";
        return kExitFailed;
    }
    return kExitOk;
}

bool ReadConfig(const std::string& reader, LanConfig& config) {
    char name[kConfigTextBytes] = {};
    char address[kConfigTextBytes] = {};
    char mask[kConfigTextBytes] = {};
    char gateway[kConfigTextBytes] = {};
    const int32_t result = VESMOR_GetLanConfig(reader.c_str(), name, address, mask, gateway);
    if (result != 0) {
        std::cerr << "VESMOR_GetLanConfig = " << result << ": der Leser " << reader
                  << " antwortet nicht (vesmor lan search zeigt die Leser)\n";
        return false;
    }
    for (char* text : {name, address, mask, gateway}) {
        text[kConfigTextBytes - 1] = '\0';
    }
    config = {name, address, mask, gateway};
    return true;
}

int RunShow(const std::string& reader) {
    LanConfig config;
    if (!ReadConfig(reader, config)) {
        return kExitFailed;
    }
    const tagforge::LanSettings settings =
        tagforge::SettingsFromLanConfig(config.name, config.address, config.mask, config.gateway);
    using tools::Printable;
    std::cout << "Name:          " << Printable(settings.name) << "\n"
              << "Adresse:       " << (settings.dhcp ? "DHCP" : Printable(settings.address)) << "\n"
              << "TCP-Port:      " << settings.port << "\n"
              << "Subnetzmaske:  " << Printable(settings.mask) << "\n"
              << "Gateway:       " << Printable(settings.gateway) << "\n";
    return kExitOk;
}

// What the reader gets: the options given, its present settings for the others.
std::string NewAddress(const LanSetOptions& options, const LanConfig& current) {
    if (!options.address.empty()) {
        return options.address;
    }
    if (!options.dhcpName.empty()) {
        return "[" + options.dhcpName + "]";
    }
    // The name text carries a DHCP reader's port ("[NAME]-PORT").
    return current.address.empty() ? current.name : current.address;
}

// The wait counts from the start of the change: the library has already waited up to 5 s
// for the reader at its new address.
bool WaitForReader(const std::string& address, std::chrono::steady_clock::time_point since) {
    const auto end = since + kReaderReturn;
    while (VESMOR_TestLanDevice(address.c_str()) < 1) {
        if (std::chrono::steady_clock::now() >= end) {
            return false;
        }
        std::this_thread::sleep_for(kReaderPoll);
    }
    return true;
}

int RunSet(const LanSetOptions& options) {
    LanConfig current;
    if (!ReadConfig(options.reader, current)) {
        return kExitFailed;
    }
    const std::string address = NewAddress(options, current);
    const std::string mask = options.mask.empty() ? current.mask : options.mask;
    const std::string gateway = options.gateway.empty() ? current.gateway : options.gateway;
    const auto started = std::chrono::steady_clock::now();
    const int32_t result =
        VESMOR_SetLanConfig(options.reader.c_str(), address.c_str(), mask.c_str(), gateway.c_str());
    if (result != 0) {
        std::cerr << "VESMOR_SetLanConfig = " << result << ": "
                  << tagforge::MessageText(tagforge::kMsgLanConfigFailed) << "\n";
        return kExitFailed;
    }
    std::cout << "Gesetzt: " << address << ", Subnetzmaske " << mask << ", Gateway " << gateway
              << "\n";
    if (!WaitForReader(address, started)) {
        std::cerr << "Der Leser antwortet nach "
                  << std::chrono::duration_cast<std::chrono::seconds>(kReaderReturn).count()
                  << " s nicht unter " << address << "\n";
        return kExitFailed;
    }
    std::cout << "Der Leser antwortet unter " << address << "\n";
    return kExitOk;
}

CLI::Validator DottedAddress(const std::string& what) {
    return CLI::Validator(
        [what](std::string& text) {
            return tagforge::ParseDottedAddress(text)
                       ? std::string()
                       : text + " is not " + what + " (a.b.c.d, each 0-255)";
        },
        "A.B.C.D");
}

CLI::Validator LanAddress() {
    return CLI::Validator(
        [](std::string& text) {
            const std::string host = tagforge::SplitLanPort(text).host;
            if (!tagforge::IsValidLanAddress(text) || host == "0.0.0.0") {
                return text + " is not a reader address (a.b.c.d, each 0-255, not 0.0.0.0, " +
                       "optionally -PORT with PORT 1-65535)";
            }
            return std::string();
        },
        "A.B.C.D[-PORT]");
}

CLI::Validator DhcpName() {
    return CLI::Validator(
        [](std::string& text) {
            return tagforge::IsValidDhcpName(text)
                       ? std::string()
                       : text +
                             " is not a DHCP name (1-15 printable ASCII characters without "
                             "blanks, \"[\" and \"]\")";
        },
        "NAME");
}

CLI::Validator SubnetMask() {
    return CLI::Validator(
        [](std::string& text) {
            const std::optional<Ipv4Octets> mask = tagforge::ParseDottedAddress(text);
            return mask && tagforge::MaskHostBits(*mask)
                       ? std::string()
                       : text +
                             " is not a subnet mask (a.b.c.d with the set bits in one run "
                             "from the top, e.g. 255.255.255.0)";
        },
        "MASK");
}

// A reader by its address, or by its bracketed DHCP name (as the search lists it, address and
// port may follow).
CLI::Validator ReaderName() {
    return CLI::Validator(
        [](std::string& text) {
            const std::string key = tagforge::LanSearchKey(text);
            const bool named = key.size() >= 2 && key.front() == '[' && key.back() == ']' &&
                               tagforge::IsValidDhcpName(key.substr(1, key.size() - 2)) &&
                               (key.size() == text.size() ||
                                tagforge::IsValidLanAddress(text.substr(key.size())) ||
                                tagforge::SplitLanPort(text).host == key);
            return named || tagforge::IsValidLanAddress(text)
                       ? std::string()
                       : text + " is not a reader (a.b.c.d[-PORT] or [DHCP name])";
        },
        "READER");
}

}  // namespace

void AddLanCommand(CLI::App& app, int& exitCode) {
    CLI::App* lan = app.add_subcommand("lan", "find LAN readers, show and change their settings");
    lan->require_subcommand(1);

    CLI::App* search = lan->add_subcommand("search", "list the devices that answer the search");
    auto readersOnly = std::make_shared<bool>(false);
    search->add_flag("--readers", *readersOnly, "only readers of the family, DHCP ones by name");
    search->callback([readersOnly, &exitCode] { exitCode = RunSearch(*readersOnly); });

    CLI::App* show = lan->add_subcommand("show", "show a reader's network settings");
    auto shown = std::make_shared<std::string>();
    show->add_option("READER", *shown, "address (a.b.c.d[-PORT]) or [DHCP name]")
        ->required()
        ->check(ReaderName());
    show->callback([shown, &exitCode] { exitCode = RunShow(*shown); });

    CLI::App* set = lan->add_subcommand("set", "change a reader's network settings");
    auto options = std::make_shared<LanSetOptions>();
    set->add_option("READER", options->reader, "address (a.b.c.d[-PORT]) or [DHCP name]")
        ->required()
        ->check(ReaderName());
    CLI::Option* address =
        set->add_option("--address", options->address, "fixed address, optionally with -PORT")
            ->check(LanAddress());
    CLI::Option* dhcp =
        set->add_option("--dhcp", options->dhcpName, "take the address by DHCP")->check(DhcpName());
    address->excludes(dhcp);
    set->add_option("--mask", options->mask, "subnet mask")->check(SubnetMask());
    set->add_option("--gateway", options->gateway, "gateway address")
        ->check(DottedAddress("a gateway address"));
    set->callback([options, &exitCode] { exitCode = RunSet(*options); });
}

}  // namespace vesmor::cli
