// What `vesmor lan` says to arguments it cannot use, before it sends anything: every case here
// fails its check, so no datagram ever leaves the machine's own network.

#include <gtest/gtest.h>

#include "tests/tools/run_program.h"

namespace vesmor::test {
namespace {

ProgramResult Vesmor(const std::vector<std::string>& args) {
    return RunProgram(VESMOR_CLI, args);
}

// Exit code 2 and the first line of the error names the option and the reason.
void ExpectRefused(const std::vector<std::string>& args, const std::string& firstLine) {
    const ProgramResult r = Vesmor(args);
    EXPECT_EQ(r.exitCode, 2) << r.err;
    EXPECT_EQ(r.err.substr(0, r.err.find('\n')), firstLine);
}

TEST(CliLanUsage, LanNeedsOneOfItsCommands) {
    const ProgramResult r = Vesmor({"lan"});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_NE(r.err.find("A subcommand is required"), std::string::npos) << r.err;
}

TEST(CliLanUsage, ReaderMustBeAnAddressOrABracketedName) {
    for (const char* bad : {"reader", "10.77.0.256", "10.77.0.2-70000", "[]", "[a b]", "[x"}) {
        ExpectRefused({"lan", "show", bad}, std::string("READER: ") + bad +
                                                " is not a reader (a.b.c.d[-PORT] or [DHCP name])");
    }
}

TEST(CliLanUsage, AddressMustBeDottedWithAnOptionalPort) {
    for (const char* bad : {"10.77.0", "10.77.0.2.5", "0.0.0.0", "10.77.0.2-0", "10.77.0.2-x"}) {
        ExpectRefused({"lan", "set", "10.77.0.2", "--address", bad},
                      std::string("--address: ") + bad +
                          " is not a reader address (a.b.c.d, each 0-255, not 0.0.0.0, "
                          "optionally -PORT with PORT 1-65535)");
    }
}

TEST(CliLanUsage, MaskMustBeOneRunOfSetBits) {
    for (const char* bad : {"255.0.255.0", "255.255.255.1", "0.0.0.0", "255.255.255"}) {
        ExpectRefused({"lan", "set", "10.77.0.2", "--mask", bad},
                      std::string("--mask: ") + bad +
                          " is not a subnet mask (a.b.c.d with the set bits in one run from the "
                          "top, e.g. 255.255.255.0)");
    }
}

TEST(CliLanUsage, GatewayMustBeDotted) {
    ExpectRefused({"lan", "set", "10.77.0.2", "--gateway", "10.77.0.1.1"},
                  "--gateway: 10.77.0.1.1 is not a gateway address (a.b.c.d, each 0-255)");
}

TEST(CliLanUsage, DhcpNameMustFitTheReader) {
    ExpectRefused({"lan", "set", "10.77.0.2", "--dhcp", "sixteen-letters!"},
                  "--dhcp: sixteen-letters! is not a DHCP name (1-15 printable ASCII characters "
                  "without blanks, \"[\" and \"]\")");
}

TEST(CliLanUsage, FixedAddressAndDhcpExcludeEachOther) {
    const ProgramResult r =
        Vesmor({"lan", "set", "10.77.0.2", "--address", "10.77.0.3", "--dhcp", "QX-Lager"});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_NE(r.err.find("--address excludes --dhcp"), std::string::npos) << r.err;
}

}  // namespace
}  // namespace vesmor::test
