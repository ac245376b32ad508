// vesmor-sim: a simulated reader of the VESMOR family behind a pseudo-terminal (POSIX) or on a
// COM port (Windows, --port), or a Bluetooth dongle with the reader in range (--dongle), or a
// LAN reader (--lan). Prints the device to open on its first line, then answers until
// interrupted. What differs between the systems is in sim/sim_host.h.

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <iostream>
#include <memory>
#include <string>

#include "sim/conveyor.h"
#include "sim/lan_options.h"
#include "sim/sim_host.h"

namespace {

std::vector<uint8_t> ParseHex(const std::string& text) {
    std::vector<uint8_t> bytes;
    std::string digits;
    for (char c : text) {
        if (std::isxdigit(static_cast<unsigned char>(c))) {
            digits += c;
        }
    }
    if (digits.size() % 2 != 0) {
        throw CLI::ValidationError("--stray", "needs whole bytes in hexadecimal");
    }
    for (size_t i = 0; i < digits.size(); i += 2) {
        bytes.push_back(static_cast<uint8_t>(std::stoi(digits.substr(i, 2), nullptr, 16)));
    }
    return bytes;
}

// One line per leaving tag, "UID HEX", written with a single write so that lines never mix.
void RecordBlocks(vesmor::sim::RecordFile& file, const vesmor::sim::TagField& field,
                  const std::string& uidText, int blockCount) {
    const std::optional<vesmor::sim::Uid> uid = vesmor::sim::ParseUid(uidText);
    if (!uid) {
        return;
    }
    std::string line = uidText + " ";
    char hex[3];
    for (int block = 0; block < blockCount; ++block) {
        for (uint8_t byte : field.Block(*uid, block).value_or(std::vector<uint8_t>{})) {
            std::snprintf(hex, sizeof hex, "%02X", byte);
            line += hex;
        }
    }
    line += "\n";
    file.Append(line);
}

}  // namespace

int main(int argc, char** argv) {
    CLI::App app{"Simulated VESMOR reader on a pseudo-terminal (Windows: on a COM port)"};
    vesmor::sim::ReaderConfig config;
    vesmor::sim::Faults faults;
    vesmor::sim::SerialCli options;
    std::string device = "125";
    std::string stray;
    std::vector<std::string> statuses;
    int firmware = 7;
    std::vector<std::string> tags;
    std::string conveyor;
    std::string conveyorKind = "nxp";
    int leaveAfterWrites = -1;

    app.add_option("--type", config.protocolType, "protocol type 0..3")->check(CLI::Range(0, 3));
    app.add_option("--device", device, "device type code, three hexadecimal digits");
    app.add_option("--firmware", firmware, "firmware version digit 0..35")
        ->check(CLI::Range(0, 35));
    app.add_option("--address", config.busAddress, "bus address");
    app.add_option("--fv", config.fvAnswer, "type 2: answer to the FV version request");
    app.add_option("--max-answer", config.maxAnswerData,
                   "cut transponder answers to this many data bytes (default 254)")
        ->check(CLI::Range(1, 254));
    app.add_option("--port", options.port,
                   "Windows: serve this COM port (COMn, e.g. one end of a virtual port pair)");
    app.add_option("--link", options.linkPath, "also make this symlink to the device");
    app.add_option("--baud", options.lineBaud,
                   "emulate a line of this speed (0: none; a COM port is set to it, else to "
                   "38400)");
    app.add_flag("--dongle", options.dongle,
                 "be a Bluetooth dongle with the reader in range (open as \"DEVICE BT\")");
    app.add_option("--delay", faults.delayMs, "pause in ms before every answer");
    app.add_flag("--silent", faults.silent, "never answer");
    app.add_option("--answer-from", faults.answerFromRequest, "answer from the Nth request on");
    app.add_option("--stray", stray, "hexadecimal bytes sent before every answer");
    app.add_option("--cut", faults.cutBytes, "lose the last N bytes of every answer");
    app.add_flag("--bad-checksum", faults.badChecksum, "spoil the checksum of every answer");
    app.add_option("--duplicate-after", faults.duplicateAfterMs,
                   "send every answer again after this many ms");
    app.add_option("--status", statuses, "CMD=STATUS in hexadecimal: answer CMD with STATUS");
    std::string kinds;
    for (const std::string& name : vesmor::sim::ChipKindNames()) {
        kinds += (kinds.empty() ? "" : ", ") + name;
    }
    app.add_option("--tag", tags, "put a transponder KIND[:UID] into the field (" + kinds + ")");
    app.add_option("--leave-after-writes", leaveAfterWrites,
                   "the --tag transponders leave the field during a write after N accepted writes")
        ->check(CLI::NonNegativeNumber);
    app.add_option("--conveyor", conveyor, "N:M: a new transponder every N ms, present for M ms");
    app.add_option("--conveyor-kind", conveyorKind, "chip kind of the conveyor's transponders");
    std::string firstUid;
    std::string recordFile;
    vesmor::sim::ConveyorRoute route;
    app.add_option("--conveyor-first-uid", firstUid,
                   "UID of the conveyor's first transponder (16 hexadecimal digits of its kind); "
                   "the next ones count up from it");
    app.add_option("--conveyor-loop", route.loop,
                   "after N transponders the first comes back, with what was written to it")
        ->check(CLI::Range(1, 1000000));
    app.add_option("--conveyor-record", recordFile,
                   "append \"UID BLOCKS\" (hexadecimal) of every transponder as it leaves");
    vesmor::sim::LanCli lan;
    vesmor::sim::AddLanOptions(app, lan);
    app.footer(
        "Read Multiple Blocks: every kind answers runs up to its size, except ti and infineon\n"
        "(refused: ISO error 0x01), em (Read Multiple Blocks only) and nxp-runs8 (112 blocks,\n"
        "runs of at most 8 blocks; longer ones: ISO error 0x10). --max-answer N cuts longer\n"
        "answers, as a reader with a small answer buffer does.");
    CLI11_PARSE(app, argc, argv);

    config.deviceCode = std::stoi(device, nullptr, 16);
    config.firmware = static_cast<char>(firmware < 10 ? '0' + firmware : 'A' + firmware - 10);
    faults.strayBytes = ParseHex(stray);
    for (const std::string& s : statuses) {
        const size_t eq = s.find('=');
        if (eq == std::string::npos) {
            std::cerr << "--status needs CMD=STATUS\n";
            return 2;
        }
        faults.statusFor[static_cast<uint8_t>(std::stoi(s.substr(0, eq), nullptr, 16))] =
            static_cast<uint8_t>(std::stoi(s.substr(eq + 1), nullptr, 16));
    }

    std::vector<std::pair<vesmor::sim::ChipKind, std::optional<vesmor::sim::Uid>>> placed;
    for (const std::string& tag : tags) {
        const size_t colon = tag.find(':');
        const auto kind = vesmor::sim::ChipKindByName(tag.substr(0, colon));
        std::optional<vesmor::sim::Uid> uid;
        if (colon != std::string::npos) {
            uid = vesmor::sim::ParseUid(tag.substr(colon + 1));
        }
        if (!kind || (colon != std::string::npos && !uid)) {
            std::cerr << "--tag " << tag << ": unknown kind or not 16 hexadecimal digits\n";
            return 2;
        }
        placed.emplace_back(*kind, uid);
    }
    int everyMs = 0, presentMs = 0;
    const auto conveyorKindValue = vesmor::sim::ChipKindByName(conveyorKind);
    if (!conveyor.empty() && (std::sscanf(conveyor.c_str(), "%d:%d", &everyMs, &presentMs) != 2 ||
                              everyMs <= 0 || presentMs <= 0 || !conveyorKindValue)) {
        std::cerr << "--conveyor needs N:M in ms and a known --conveyor-kind\n";
        return 2;
    }

    if (!firstUid.empty()) {
        const std::optional<vesmor::sim::Uid> uid = vesmor::sim::ParseUid(firstUid);
        const vesmor::sim::Uid kindUid = vesmor::sim::MakeUid(*conveyorKindValue, 0);
        if (!uid || !std::equal(uid->begin() + 5, uid->end(), kindUid.begin() + 5)) {
            std::cerr << "--conveyor-first-uid needs 16 hexadecimal digits beginning with "
                      << vesmor::sim::UidText(kindUid).substr(0, 6) << "\n";
            return 2;
        }
        for (int i = 0; i < 5; ++i) {
            route.firstSerial |= uint64_t{(*uid)[static_cast<size_t>(i)]} << (8 * i);
        }
        if (route.firstSerial == 0) {
            route.firstSerial = 1;
        }
    }
    vesmor::sim::RecordFile record;
    if (!recordFile.empty()) {
        std::string error;
        if (!record.Open(recordFile, error)) {
            std::cerr << "--conveyor-record " << recordFile << ": " << error << "\n";
            return 2;
        }
    }

    vesmor::sim::InstallStopRequest();
    std::unique_ptr<vesmor::sim::SerialReader> pty;
    std::unique_ptr<vesmor::sim::LanServer> lanServer;
    if (lan.address.empty()) {
        try {
            pty = vesmor::sim::OpenSerialReader(config, options);
        } catch (const std::exception& error) {
            std::cerr << "vesmor-sim: " << error.what() << "\n";
            return 2;
        }
        pty->SetFaults(faults);
    } else {
        try {
            lanServer = vesmor::sim::StartLanServer(config, lan);
        } catch (const std::exception& error) {
            std::cerr << "vesmor-sim: " << error.what() << "\n";
            return 2;
        }
        lanServer->SetFaults(faults);
    }
    // The transponders lie in the field before the first line tells that the reader is there:
    // a caller that opens it at once finds them.
    vesmor::sim::TagField& field = pty ? pty->Field() : lanServer->Field();
    for (const auto& [kind, uid] : placed) {
        field.LeaveAfterWrites(field.Insert(kind, uid), leaveAfterWrites);
    }
    if (pty) {
        pty->Announce();
        std::cout << pty->Name() << std::endl;
        if (options.dongle) {
            std::cerr << "Bluetooth-Dongle: " << pty->Name() << " BT" << std::endl;
        }
    } else {
        std::cout << lanServer->Address() << "-" << lanServer->TcpPort() << std::endl;
    }
    std::unique_ptr<vesmor::sim::Conveyor> belt;
    if (everyMs > 0) {
        const int blockCount = vesmor::sim::GeometryOf(*conveyorKindValue).blockCount;
        belt = std::make_unique<vesmor::sim::Conveyor>(
            field, *conveyorKindValue, everyMs, presentMs,
            [&field, &record, blockCount](const std::string& event) {
                std::cout << event << std::endl;
                if (record.IsOpen() && event.front() == '-') {
                    RecordBlocks(record, field, event.substr(1), blockCount);
                }
            },
            route);
    }
    vesmor::sim::WaitForStop();
    return 0;
}
