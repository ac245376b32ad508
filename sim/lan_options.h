#pragma once
// The command-line options of vesmor-sim for a LAN reader.

#include <CLI/CLI.hpp>
#include <memory>
#include <string>

#include "sim/lan_server.h"

namespace vesmor::sim {

struct LanCli {
    std::string address;  // ADDRESS[-PORT]; empty: no LAN reader
    std::string dhcpName;
    std::string product;
    std::string hardware;
    std::string mask = "255.255.255.0";
    std::string gateway = "0.0.0.0";
    bool foreign = false;
    bool noVek = false;
    bool noConfig = false;
    int closeAfter = 0;
    std::string closeStyle = "fin";
};

void AddLanOptions(CLI::App& app, LanCli& cli);

// The server the options describe; throws std::runtime_error for bad values or a failed bind.
std::unique_ptr<LanServer> StartLanServer(const ReaderConfig& reader, const LanCli& cli);

}  // namespace vesmor::sim
