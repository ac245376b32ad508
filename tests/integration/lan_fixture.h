#pragma once
// A simulated LAN reader on a loopback address of this test process: a 127.x.y.z address
// derived from the process id, so that parallel test runs never share an address and port.

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "sim/lan_server.h"
#include "tests/integration/sim_fixture.h"

namespace vesmor::test {

inline std::string LoopbackAddress(int host) {
    const int pid = static_cast<int>(::getpid());
    return "127." + std::to_string(100 + pid % 100) + "." + std::to_string(pid / 100 % 250) + "." +
           std::to_string(host);
}

inline std::unique_ptr<sim::LanServer> LoopbackReader(int host, int tcpPort = 0, int closeAfter = 0,
                                                      sim::PeerClose style = sim::PeerClose::kFin) {
    sim::LanServer::Options options;
    options.device.address = LoopbackAddress(host);
    options.device.tcpPort = tcpPort;
    options.closeAfter = closeAfter;
    options.closeStyle = style;
    options.configPort = false;
    return std::make_unique<sim::LanServer>(Reader(0), options);
}

inline std::string NameOf(const sim::LanServer& server) {
    return server.Address() + "-" + std::to_string(server.TcpPort());
}

// vesmor-sim as a program of its own; the name to open is the first line it prints.
class SimProcess {
  public:
    explicit SimProcess(std::vector<std::string> args) {
        int out[2];
        if (::pipe(out) != 0) {
            return;
        }
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], 1);
        posix_spawn_file_actions_addclose(&actions, out[0]);
        args.insert(args.begin(), VESMOR_SIM);
        std::vector<char*> argv;
        for (std::string& a : args) {
            argv.push_back(a.data());
        }
        argv.push_back(nullptr);
        if (::posix_spawn(&pid_, VESMOR_SIM, &actions, nullptr, argv.data(), environ) != 0) {
            pid_ = -1;
        }
        posix_spawn_file_actions_destroy(&actions);
        ::close(out[1]);
        char c;
        while (::read(out[0], &c, 1) == 1 && c != '\n') {
            name_ += c;
        }
        // Kept open: the simulator reports conveyor events on its output.
        output_ = out[0];
    }
    ~SimProcess() { Kill(); }
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;

    const std::string& Name() const { return name_; }
    void Kill() {
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
            pid_ = -1;
        }
        if (output_ >= 0) {
            ::close(output_);
            output_ = -1;
        }
    }

  private:
    pid_t pid_ = -1;
    int output_ = -1;
    std::string name_;
};

}  // namespace vesmor::test
