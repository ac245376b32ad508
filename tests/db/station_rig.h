#pragma once
// A station of the line: a simulated reader with its own conveyor (its own UIDs, a record of
// every tag as it leaves) and "vesmor program" on a database job, both as child processes.

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fcntl.h>
#include <chrono>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "sim/tag_field.h"
#include "tests/tools/run_program.h"

namespace tagforge::test {

// A child process with its output in files; killed (SIGKILL) if still running at the end.
class Child {
  public:
    Child(const std::string& program, const std::vector<std::string>& args,
          const std::string& outFile, const std::string& errFile) {
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0600);
        posix_spawn_file_actions_addopen(&actions, 2, errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0600);
        std::vector<char*> argv{const_cast<char*>(program.c_str())};
        for (const std::string& a : args) {
            argv.push_back(const_cast<char*>(a.c_str()));
        }
        argv.push_back(nullptr);
        if (::posix_spawn(&m_pid, program.c_str(), &actions, nullptr, argv.data(), environ) != 0) {
            m_pid = -1;
        }
        posix_spawn_file_actions_destroy(&actions);
    }
    ~Child() { Kill(SIGKILL); }
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    void Kill(int signal) {
        if (m_pid > 0) {
            ::kill(m_pid, signal);
            Wait(std::chrono::seconds(10));
        }
    }
    // The exit code, -1 for a signal, nullopt when it has not ended within `limit`.
    std::optional<int> Wait(std::chrono::milliseconds limit) {
        const auto until = std::chrono::steady_clock::now() + limit;
        while (m_pid > 0) {
            int status = 0;
            const pid_t done = ::waitpid(m_pid, &status, WNOHANG);
            if (done == m_pid) {
                m_pid = -1;
                m_exit = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
                break;
            }
            if (std::chrono::steady_clock::now() > until) {
                return std::nullopt;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return m_exit;
    }
    bool Running() const { return m_pid > 0; }

  private:
    pid_t m_pid = -1;
    int m_exit = -1;
};

inline std::string FirstLine(const std::string& file, std::chrono::milliseconds limit) {
    const auto until = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < until) {
        const std::string text = vesmor::test::ReadFileText(file);
        if (const size_t end = text.find('\n'); end != std::string::npos) {
            return text.substr(0, end);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return "";
}

// The UIDs of station `n`'s conveyor begin at a serial of their own.
inline std::string StationFirstUid(int n) {
    return vesmor::sim::UidText(vesmor::sim::MakeUid(
        vesmor::sim::ChipKind::kNxp, (uint64_t{static_cast<unsigned>(n)} << 24) | 1));
}

struct StationOptions {
    int number = 0;
    std::string conveyor = "60:40";
    int loop = 0;
};

class Station {
  public:
    Station(const std::filesystem::path& dir, const StationOptions& o) : m_dir(dir), m_options(o) {
        const std::string n = std::to_string(o.number);
        std::vector<std::string> args{"--conveyor",           o.conveyor,
                                      "--conveyor-kind",      "nxp",
                                      "--conveyor-first-uid", StationFirstUid(o.number),
                                      "--conveyor-record",    File("record")};
        if (o.loop > 0) {
            args.insert(args.end(), {"--conveyor-loop", std::to_string(o.loop)});
        }
        m_sim = std::make_unique<Child>(VESMOR_SIM, args, File("sim.out"), File("sim.err"));
        m_port = FirstLine(File("sim.out"), std::chrono::seconds(10));
    }
    ~Station() {
        m_program.reset();
        if (m_sim) {
            m_sim->Kill(SIGTERM);
        }
    }

    std::string Name() const { return "Station" + std::to_string(m_options.number); }
    std::string File(const std::string& what) const {
        return (m_dir / (Name() + "." + what)).string();
    }

    // Starts "vesmor program" on the job; `count` 0 runs until stopped.
    void StartProgram(const std::string& conninfo, const std::string& job, int count, int run = 0) {
        std::vector<std::string> args{"program", "-p",       m_port + ":1", "--db",
                                      conninfo,  "--db-job", job,           "--station",
                                      Name(),    "--cycle",  "--period",    "10"};
        if (count > 0) {
            args.insert(args.end(), {"--count", std::to_string(count)});
        }
        const std::string tag = std::to_string(run);
        m_program =
            std::make_unique<Child>(VESMOR_TOOL, args, File("out" + tag), File("err" + tag));
    }
    Child& Program() { return *m_program; }
    const std::string& Port() const { return m_port; }

  private:
    std::filesystem::path m_dir;
    StationOptions m_options;
    std::unique_ptr<Child> m_sim;
    std::unique_ptr<Child> m_program;
    std::string m_port;
};

// What the conveyors' records say: each UID's last contents as it left, as hexadecimal text.
inline std::map<std::string, std::string> RecordedTags(const std::vector<std::string>& files) {
    std::map<std::string, std::string> tags;
    for (const std::string& file : files) {
        std::istringstream lines(vesmor::test::ReadFileText(file));
        std::string uid, blocks;
        while (lines >> uid >> blocks) {
            tags[uid] = blocks;
        }
    }
    return tags;
}

// The first `bytes` bytes of a record as ASCII text (format 3), without trailing zero bytes.
inline std::string AsciiOf(const std::string& hex, int bytes) {
    std::string text;
    for (int i = 0; i < bytes && size_t(2 * i + 1) < hex.size(); ++i) {
        const char c = static_cast<char>(std::stoi(hex.substr(size_t(2 * i), 2), nullptr, 16));
        if (c == '\0') {
            break;
        }
        text += c;
    }
    return text;
}

}  // namespace tagforge::test
