// What the command-line tool says when it is used wrongly or cannot reach its reader: short
// messages that name the option, the command or the reason.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "sim/pty_link.h"
#include "tests/tools/run_program.h"

namespace vesmor::test {
namespace {

ProgramResult Vesmor(const std::vector<std::string>& args) {
    return RunProgram(VESMOR_CLI, args);
}

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

TEST(CliUsage, UnknownCommandNamesItselfAndTheCommands) {
    const ProgramResult r = Vesmor({"bogus"});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(r.err.rfind("vesmor: unknown command 'bogus'; commands: ports info", 0), 0u) << r.err;
}

TEST(CliUsage, VersionIsPrinted) {
    const ProgramResult r = Vesmor({"--version"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out.rfind("vesmor 1.", 0), 0u) << r.out;
}

TEST(CliUsage, BaudValueMustBeARateWithALineCode) {
    for (const char* bad : {"19250", "12345", "-1", "fast", "19204"}) {
        const ProgramResult r = Vesmor({"info", "-p", "/dev/null", "-b", bad});
        EXPECT_EQ(r.exitCode, 2) << bad;
        EXPECT_TRUE(Contains(r.err, std::string("--baud: ") + bad +
                                        " is not an encoded baud value: a rate (2400, 4800"))
            << r.err;
    }
    sim::PtyLink reader(sim::ReaderConfig{});
    for (const char* good : {"19200", "19201", "9603", "115200"}) {
        EXPECT_EQ(Vesmor({"info", "-p", reader.Path(), "-b", good}).exitCode, 0) << good;
    }
}

TEST(CliUsage, BlockNumberOutsideItsRangeIsOneShortLine) {
    for (const char* bad : {"-1", "65536", "x"}) {
        const ProgramResult r = Vesmor({"read", "-p", "x", "--block", bad});
        EXPECT_EQ(r.exitCode, 2);
        EXPECT_EQ(
            r.err.rfind(std::string("--block: ") + bad + " is not a block number (0-65535)\n", 0),
            0u)
            << r.err;
    }
}

TEST(CliUsage, RefusedJobNamesItsOptionBeforeTheWindowsMessage) {
    ProgramResult r = Vesmor({"program", "-p", "x", "--format", "9", "--value", "1"});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(r.err, "--format: Geben Sie eine ganze Zahl zwischen 0 und 5 ein.\n");
    r = Vesmor({"program", "-p", "x", "--start", "2000", "--value", "1"});
    EXPECT_EQ(r.err, "--start: Geben Sie eine ganze Zahl zwischen 0 und 1024 ein.\n");
    r = Vesmor({"program", "-p", "x", "--format", "2", "--bytes", "9", "--value", "1"});
    EXPECT_EQ(r.err, "--bytes: Geben Sie eine ganze Zahl zwischen 1 und 8 ein.\n");
    r = Vesmor({"program", "-p", "x", "--format", "3", "--bytes", "2", "--value", "123"});
    EXPECT_EQ(r.err, "--value: Geben Sie höchstens 2 Zeichen ein.\n");
}

TEST(CliOpenFailures, MissingDeviceSaysSo) {
    const ProgramResult r = Vesmor({"info", "-p", "/dev/tagforge-no-such-reader"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(Contains(r.err, "\n/dev/tagforge-no-such-reader: Gerät nicht vorhanden")) << r.err;
}

TEST(CliOpenFailures, PortHeldByAnotherProgramSaysSo) {
    sim::PtyLink reader(sim::ReaderConfig{});
    const int holder = ::open(reader.Path().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    ASSERT_GE(holder, 0);
    ASSERT_EQ(::flock(holder, LOCK_EX | LOCK_NB), 0);
    const ProgramResult r = Vesmor({"program", "-p", reader.Path(), "--value", "1"});
    ::close(holder);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(Contains(r.err, reader.Path() + ": wird von einem anderen Programm benutzt"))
        << r.err;
}

TEST(CliOpenFailures, SilentPortSaysThatNoReaderAnsweredThere) {
    sim::PtyLink reader(sim::ReaderConfig{});
    sim::Faults silent;
    silent.silent = true;
    reader.SetFaults(silent);
    const ProgramResult r = Vesmor({"info", "-p", reader.Path() + ":3", "-b", "9600"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(Contains(
        r.err, "Kein Leser hat an " + reader.Path() + ":3 (Adresse 3, Baudwert 9600) geantwortet"))
        << r.err;
}

TEST(CliOpenFailures, DeviceWithoutAccessNamesTheGroupToJoin) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "needs root to run the tool as another user";
    }
    sim::PtyLink reader(sim::ReaderConfig{});
    ASSERT_EQ(::chmod(reader.Path().c_str(), 0600), 0);
    const ProgramResult r =
        RunProgram("/usr/bin/setpriv", {"--reuid=65534", "--regid=65534", "--clear-groups",
                                        VESMOR_CLI, "info", "-p", reader.Path()});
    EXPECT_EQ(r.exitCode, 1) << r.err;
    EXPECT_TRUE(Contains(r.err, reader.Path() + ": Zugriff verweigert: den Benutzer in die Gruppe "
                                                "dialout aufnehmen"))
        << r.err;
}

TEST(SimulatorAnnouncement, RunningSimulatorIsListedUntilItStops) {
    char dir[] = "/tmp/vesmor-announce-XXXXXX";
    ASSERT_NE(::mkdtemp(dir), nullptr);
    ASSERT_EQ(::setenv("VESMOR_RUNTIME_DIR", dir, 1), 0);  // the children inherit it
    int out[2];
    ASSERT_EQ(::pipe(out), 0);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    char* argv[] = {const_cast<char*>(VESMOR_SIM), nullptr};
    pid_t simulator = 0;
    ASSERT_EQ(::posix_spawn(&simulator, VESMOR_SIM, &actions, nullptr, argv, environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    FILE* lines = ::fdopen(out[0], "r");
    char first[256] = {};
    ASSERT_NE(std::fgets(first, sizeof first, lines), nullptr);
    const std::string pty = std::string(first).substr(0, std::strlen(first) - 1);

    ProgramResult r = Vesmor({"ports"});
    EXPECT_EQ(r.out.rfind("# Art\tVerbindungsname (für -p)\n", 0), 0u) << r.out;
    EXPECT_TRUE(Contains(r.out, "COM\t" + pty + " [VESMOR Simulator]\n")) << r.out;
    r = Vesmor({"info", "-p", pty + " [VESMOR Simulator]"});
    EXPECT_EQ(r.exitCode, 0) << "the listed name opens the simulated reader: " << r.err;

    ::kill(simulator, SIGINT);
    ::waitpid(simulator, nullptr, 0);
    std::fclose(lines);
    EXPECT_FALSE(std::filesystem::exists(std::string(dir) + "/vesmor-sim/" +
                                         std::to_string(simulator) + ".pty"));
    EXPECT_FALSE(Contains(Vesmor({"ports"}).out, "[VESMOR Simulator]"));
    ::unsetenv("VESMOR_RUNTIME_DIR");
    std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace vesmor::test
