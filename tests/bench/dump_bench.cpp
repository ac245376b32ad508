// `vesmor dump` of a large transponder behind a simulated reader on an emulated 115200-baud line:
// the time it takes against the wire time of every frame exchanged, the physical floor of that
// link. VESMOR_TEST_SHORT=1 uses a 64-block transponder instead of the 2048-block one.

#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "sim/pty_link.h"
#include "tests/tools/run_program.h"

int main() {
    constexpr int kBaud = 115200;
    constexpr double kBitsPerByte = 10.0;  // 8N1
    const bool shortRun = std::getenv("VESMOR_TEST_SHORT") != nullptr;
    vesmor::sim::ReaderConfig config;
    vesmor::sim::PtyLink link(config);
    link.SetLineBaud(kBaud);
    link.Field().Insert(shortRun ? vesmor::sim::ChipKind::kStSmall
                                 : vesmor::sim::ChipKind::kStLarge);

    const auto start = std::chrono::steady_clock::now();
    const vesmor::test::ProgramResult result =
        vesmor::test::RunProgram(VESMOR_CLI, {"dump", "-p", link.Path()});
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (result.exitCode != 0) {
        std::fprintf(stderr, "dump failed: %s\n", result.err.c_str());
        return 1;
    }
    const size_t bytes = link.ReceivedBytes().size() + link.SentByteCount();
    const double floor = static_cast<double>(bytes) * kBitsPerByte / kBaud;
    std::printf(
        "blocks: %s, bytes on the wire: %zu, wire time: %.3f s, dump: %.3f s, ratio: %.4f\n",
        shortRun ? "64" : "2048", bytes, floor, seconds, seconds / floor);
    return 0;
}
