#pragma once
// Two private network namespaces joined by a veth pair, made for one test and removed with it:
// the reader side holds 10.77.0.2/24, the tool side 10.77.0.1/24, each with a default route
// into the pair, so that broadcasts of either side reach the other and nothing else. Programs
// run inside with `ip netns exec`; a thread of the test enters a side with setns.

#include <fcntl.h>
#include <sched.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "tests/tools/run_program.h"

namespace vesmor::test {

class LanNamespaces {
  public:
    static constexpr const char* kReaderAddress = "10.77.0.2";
    static constexpr const char* kToolAddress = "10.77.0.1";

    // The namespaces, or none with the reason in `why` (not root, no `ip`, no namespaces).
    static std::unique_ptr<LanNamespaces> Make(std::string& why) {
        if (::geteuid() != 0) {
            why = "needs root to make network namespaces (ip netns add)";
            return nullptr;
        }
        const std::string ip = FindIp();
        if (ip.empty()) {
            why = "no ip program (iproute2) found";
            return nullptr;
        }
        std::unique_ptr<LanNamespaces> made(new LanNamespaces(ip));
        why = made->Build();
        return why.empty() ? std::move(made) : nullptr;
    }

    ~LanNamespaces() {
        StopAll();
        for (const std::string& ns : m_made) {
            RunProgram(m_ip, {"netns", "del", ns});
        }
    }
    LanNamespaces(const LanNamespaces&) = delete;
    LanNamespaces& operator=(const LanNamespaces&) = delete;

    const std::string& ReaderSide() const { return m_reader; }
    const std::string& ToolSide() const { return m_tool; }

    // A further address of the reader side, for a reader that moves.
    bool AddReaderAddress(const std::string& cidr) {
        return Ip({"-n", m_reader, "addr", "add", cidr, "dev", "lan0"}).empty();
    }

    // The reader side gives up its addresses: what reaches it is dropped without an answer or a
    // reset, as with a reader switched off behind a switch.
    bool SilenceReaderSide() { return Ip({"-n", m_reader, "addr", "flush", "dev", "lan0"}).empty(); }

    // Runs a program in a namespace and waits for it.
    ProgramResult Run(const std::string& ns, const std::string& program,
                      const std::vector<std::string>& args) const {
        std::vector<std::string> all{"netns", "exec", ns, program};
        all.insert(all.end(), args.begin(), args.end());
        return RunProgram(m_ip, all);
    }

    // Starts a program in a namespace in the background; it is stopped with the namespaces.
    pid_t Start(const std::string& ns, const std::string& program,
                const std::vector<std::string>& args) {
        std::vector<std::string> all{m_ip, "netns", "exec", ns, program};
        all.insert(all.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (std::string& a : all) {
            argv.push_back(a.data());
        }
        argv.push_back(nullptr);
        pid_t pid = -1;
        if (::posix_spawn(&pid, m_ip.c_str(), nullptr, nullptr, argv.data(), environ) != 0) {
            return -1;
        }
        m_started.push_back(pid);
        return pid;
    }

    void StopAll() {
        for (pid_t pid : m_started) {
            ::kill(pid, SIGTERM);
            int status = 0;
            for (int i = 0; i < 200 && ::waitpid(pid, &status, WNOHANG) == 0; ++i) {
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            }
            if (::waitpid(pid, &status, WNOHANG) == 0) {
                ::kill(pid, SIGKILL);
                ::waitpid(pid, &status, 0);
            }
        }
        m_started.clear();
    }

    // Runs `work` on a thread of its own inside the namespace; false when it cannot enter.
    static bool InNamespace(const std::string& ns, const std::function<void()>& work) {
        bool entered = false;
        std::thread thread([&] {
            const int fd = ::open(("/run/netns/" + ns).c_str(), O_RDONLY | O_CLOEXEC);
            entered = fd >= 0 && ::setns(fd, CLONE_NEWNET) == 0;
            if (fd >= 0) {
                ::close(fd);
            }
            if (entered) {
                work();
            }
        });
        thread.join();
        return entered;
    }

  private:
    explicit LanNamespaces(std::string ip)
        : m_ip(std::move(ip)),
          m_reader("vesmor-lan-" + std::to_string(::getpid()) + "-reader"),
          m_tool("vesmor-lan-" + std::to_string(::getpid()) + "-tool") {}

    static std::string FindIp() {
        for (const char* path : {"/usr/sbin/ip", "/sbin/ip", "/usr/bin/ip", "/bin/ip"}) {
            if (::access(path, X_OK) == 0) {
                return path;
            }
        }
        return {};
    }

    // "" on success, else what `ip` said.
    std::string Ip(const std::vector<std::string>& args) const {
        const ProgramResult r = RunProgram(m_ip, args);
        return r.exitCode == 0 ? std::string() : "ip " + args.front() + ": " + r.err;
    }

    std::string Build() {
        for (const std::string& ns : {m_reader, m_tool}) {
            if (std::string error = Ip({"netns", "add", ns}); !error.empty()) {
                return "cannot make network namespaces: " + error;
            }
            m_made.push_back(ns);
        }
        const std::vector<std::vector<std::string>> steps{
            {"link", "add", "lan0", "netns", m_reader, "type", "veth", "peer", "name", "lan0",
             "netns", m_tool},
            {"-n", m_reader, "addr", "add", std::string(kReaderAddress) + "/24", "dev", "lan0"},
            {"-n", m_tool, "addr", "add", std::string(kToolAddress) + "/24", "dev", "lan0"},
            {"-n", m_reader, "link", "set", "lo", "up"},
            {"-n", m_tool, "link", "set", "lo", "up"},
            {"-n", m_reader, "link", "set", "lan0", "up"},
            {"-n", m_tool, "link", "set", "lan0", "up"},
            {"-n", m_reader, "route", "add", "default", "dev", "lan0"},
            {"-n", m_tool, "route", "add", "default", "dev", "lan0"},
        };
        for (const std::vector<std::string>& step : steps) {
            if (std::string error = Ip(step); !error.empty()) {
                return "cannot join the namespaces: " + error;
            }
        }
        return {};
    }

    std::string m_ip;
    std::string m_reader;
    std::string m_tool;
    std::vector<std::string> m_made;
    std::vector<pid_t> m_started;
};

}  // namespace vesmor::test
