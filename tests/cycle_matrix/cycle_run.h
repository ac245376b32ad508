#pragma once
// A write cycle of `vesmor program --cycle` as a child process, watched from outside: its exit
// code, output, duration and, sampled from /proc/PID while it runs, its descriptors and
// threads; and the check that nothing was lost between the tags and the log.

#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "tests/tools/run_program.h"

namespace tagforge::test {

using vesmor::test::ReadFileText;

struct ProcessSample {
    int descriptors = 0;
    int threads = 0;
    size_t logLines = 0;
};

struct CycleRun {
    int exitCode = -1;
    std::string out;
    std::string err;
    long ms = 0;                         // from start to exit
    long msAfterFault = -1;              // from the fault (Watch's Fault()) to exit
    std::vector<ProcessSample> samples;  // of the tool itself, every 10 ms
};

inline int CountEntries(const std::string& dir) {
    int n = 0;
    if (DIR* d = ::opendir(dir.c_str())) {
        while (const dirent* entry = ::readdir(d)) {
            n += entry->d_name[0] != '.';
        }
        ::closedir(d);
    }
    return n;
}

inline size_t LineCount(const std::string& path) {
    const std::string text = ReadFileText(path);
    return static_cast<size_t>(std::count(text.begin(), text.end(), '\n'));
}

// The tool's own process: pid itself once it runs the tool, else the child a shell started.
inline pid_t ToolProcess(pid_t pid) {
    const std::string base = "/proc/" + std::to_string(pid);
    if (ReadFileText(base + "/comm") == "vesmor\n") {
        return pid;
    }
    std::istringstream children(ReadFileText(base + "/task/" + std::to_string(pid) + "/children"));
    pid_t child = 0;
    return children >> child &&
                   ReadFileText("/proc/" + std::to_string(child) + "/comm") == "vesmor\n"
               ? child
               : 0;
}

// What the test does while the cycle runs: called every 10 ms with the run so far; a call that
// returns true marks the moment of the fault it caused.
using Watch = std::function<bool(const ProcessSample& now)>;

// Runs program with args and extra environment ("NAME=value"); stdout and stderr go to files
// in dir. Killed after limitMs (exit code -1 then).
inline CycleRun RunCycle(const std::string& program, const std::vector<std::string>& args,
                         const std::vector<std::string>& env, const std::string& dir,
                         const std::string& log, const Watch& watch = {}, long limitMs = 30000) {
    const std::string outPath = dir + "/stdout.txt", errPath = dir + "/stderr.txt";
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
    posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    std::vector<std::string> environment(env);
    for (char** e = environ; *e != nullptr; ++e)
        environment.emplace_back(*e);
    std::vector<char*> envp;
    for (std::string& e : environment)
        envp.push_back(e.data());
    envp.push_back(nullptr);
    CycleRun run;
    pid_t pid = 0;
    const auto start = std::chrono::steady_clock::now();
    const int spawned =
        ::posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        return run;
    }
    std::chrono::steady_clock::time_point fault{};
    const auto since = [](std::chrono::steady_clock::time_point t) {
        return std::chrono::duration_cast<std::chrono::milliseconds>(
                   std::chrono::steady_clock::now() - t)
            .count();
    };
    int status = 0;
    while (::waitpid(pid, &status, WNOHANG) == 0) {
        ProcessSample sample;
        if (const pid_t tool = ToolProcess(pid); tool > 0) {
            const std::string base = "/proc/" + std::to_string(tool);
            // The log as the tool sees it, also in a mount namespace of its own.
            sample.logLines = LineCount(base + "/root" + log);
            sample.descriptors = CountEntries(base + "/fd");
            sample.threads = CountEntries(base + "/task");
            if (sample.descriptors > 0) {  // none while it exits
                run.samples.push_back(sample);
            }
        }
        if (watch && fault == std::chrono::steady_clock::time_point{} && watch(sample)) {
            fault = std::chrono::steady_clock::now();
        }
        if (since(start) > limitMs) {
            ::kill(pid, SIGKILL);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    run.ms = since(start);
    if (fault != std::chrono::steady_clock::time_point{}) {
        run.msAfterFault = since(fault);
    }
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.out = ReadFileText(outPath);
    run.err = ReadFileText(errPath);
    return run;
}

// The tool's sample once it logged its first entry (none when it logged nothing).
inline const ProcessSample* FirstLogged(const CycleRun& run) {
    if (run.samples.empty()) {
        return nullptr;
    }
    const size_t before = run.samples.front().logLines;
    const auto first = std::find_if(run.samples.begin(), run.samples.end(),
                                    [&](const ProcessSample& s) { return s.logLines > before; });
    return first == run.samples.end() ? nullptr : &*first;
}

// The tool's descriptors and threads once it logged its first entry, and at its last sample:
// a cycle that goes on per tag must not keep what it opened for one. A log entry holds its file
// open for a moment, so one descriptor more is allowed.
inline void ExpectNoLeaks(const CycleRun& run) {
    const ProcessSample* first = FirstLogged(run);
    if (first == nullptr) {
        return;  // nothing logged: the cycle stopped before a base line
    }
    const ProcessSample& last = run.samples.back();
    EXPECT_LE(last.descriptors, first->descriptors + 1) << "descriptors left open";
    EXPECT_LE(last.threads, first->threads) << "threads left running";
}

// The row's figures, for the matrix table; descriptors and threads at the first log entry and
// at the end.
inline void PrintRow(const std::string& row, const CycleRun& run, size_t written, size_t logged,
                     int partial) {
    const ProcessSample none;
    const ProcessSample* first = FirstLogged(run);
    const ProcessSample& last = run.samples.empty() ? none : run.samples.back();
    std::printf(
        "matrix: %s: exit %d, %ld ms (%ld ms after the fault), %zu written / %zu logged, "
        "%d partial, fds %d -> %d, threads %d -> %d\n",
        row.c_str(), run.exitCode, run.ms, run.msAfterFault, written, logged, partial,
        first ? first->descriptors : 0, last.descriptors, first ? first->threads : 0, last.threads);
}

// A log's lines: their numbers and values (the text after the last tab, without the CR).
struct LogLine {
    long number = 0;
    std::string value;
};

inline std::vector<LogLine> LogLines(const std::string& text) {
    std::vector<LogLine> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        lines.push_back({std::atol(line.c_str()), line.substr(line.rfind('\t') + 1)});
    }
    return lines;
}

// The values in the lines of text that start with prefix and end with suffix, in order.
inline std::vector<std::string> Between(const std::string& text, const std::string& prefix,
                                        const std::string& suffix) {
    std::vector<std::string> values;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (line.rfind(prefix, 0) == 0 && line.size() >= prefix.size() + suffix.size() &&
            line.compare(line.size() - suffix.size(), suffix.size(), suffix) == 0) {
            values.push_back(
                line.substr(prefix.size(), line.size() - prefix.size() - suffix.size()));
        }
    }
    return values;
}

inline std::string Joined(const std::vector<std::string>& values) {
    std::string text;
    for (const std::string& v : values)
        text += (text.empty() ? "" : " ") + v;
    return text;
}

// Nothing lost: the values on the tags (in the order the tags came, tags holding none left out)
// are exactly the values logged by this run plus the entries it could not log and printed, the
// status lines say the same, the whole log is numbered 1..N, the values follow each other
// without a gap or a repeat, and a summary's count and last value are the tags'.
inline void ExpectNothingLost(const std::vector<std::string>& onTags, const std::string& logText,
                              size_t linesBefore, const CycleRun& run) {
    const std::vector<LogLine> lines = LogLines(logText);
    for (size_t i = 0; i < lines.size(); ++i) {
        ASSERT_EQ(lines[i].number, long(i + 1)) << logText;
    }
    std::vector<std::string> recorded;
    for (size_t i = linesBefore; i < lines.size(); ++i)
        recorded.push_back(lines[i].value);
    const std::vector<std::string> lost =
        Between(run.err, "Protokolleintrag nicht gespeichert: ", "");
    for (const std::string& entry : lost) {
        if (entry.find(". Eintrag: ") != std::string::npos) {
            recorded.push_back(entry.substr(entry.rfind('\t') + 1));
        }
    }
    EXPECT_EQ(Joined(recorded), Joined(onTags)) << "logged (then lost) vs. on the tags\n"
                                                << run.out << run.err;
    EXPECT_EQ(Joined(Between(run.out, "Wert <", "> erfolgreich geschrieben")), Joined(onTags))
        << run.out;
    for (size_t i = 1; i < onTags.size(); ++i) {
        EXPECT_EQ(std::atol(onTags[i].c_str()), std::atol(onTags[i - 1].c_str()) + 1)
            << "skipped or repeated: " << Joined(onTags);
    }
    const std::vector<std::string> summary = Between(run.err, "Zyklus beendet: ", ">");
    if (!summary.empty()) {
        const std::string expected = std::to_string(onTags.size()) + " Transponder geschrieben, ";
        EXPECT_EQ(summary.back().rfind(expected, 0), 0u) << summary.back();
        EXPECT_EQ(summary.back().substr(summary.back().rfind('<') + 1),
                  onTags.empty() ? "" : onTags.back())
            << summary.back();
    }
}

}  // namespace tagforge::test
