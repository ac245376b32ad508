// `vesmor dump` behind a simulated reader on an emulated line: with runs of Read Multiple Blocks
// and with one Read Single Block per block (--single), each against the wire time of the frames
// it exchanged (bytes x 10 bits / baud), the physical floor of that link. A 2048-block
// STMicroelectronics tag at 115200 baud and a 28-block NXP tag at 19200 baud;
// VESMOR_TEST_SHORT=1 uses a 64-block STMicroelectronics tag instead of the large one.

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "sim/pty_link.h"
#include "tests/tools/run_program.h"

namespace {

constexpr double kBitsPerByte = 10.0;  // 8N1

struct Figures {
    bool ok = false;
    double seconds = 0;
    size_t bytes = 0;
    size_t requests = 0;
};

Figures Dump(vesmor::sim::PtyLink& link, int baud, bool single) {
    link.ClearLog();
    std::vector<std::string> args = {"dump", "-p", link.Path(), "-b", std::to_string(baud)};
    if (single) {
        args.push_back("--single");
    }
    const auto start = std::chrono::steady_clock::now();
    const vesmor::test::ProgramResult result = vesmor::test::RunProgram(VESMOR_CLI, args);
    Figures f;
    f.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    f.ok = result.exitCode == 0;
    if (!f.ok) {
        std::fprintf(stderr, "dump failed: %s\n", result.err.c_str());
    }
    f.bytes = link.ReceivedBytes().size() + link.SentByteCount();
    f.requests = link.Requests().size();
    return f;
}

bool Report(vesmor::sim::ChipKind kind, int baud) {
    vesmor::sim::PtyLink link{vesmor::sim::ReaderConfig{}};
    link.SetLineBaud(baud);
    link.Field().Insert(kind);
    const Figures multi = Dump(link, baud, false);
    const Figures single = Dump(link, baud, true);
    if (!multi.ok || !single.ok) {
        return false;
    }
    const auto line = [&](const char* how, const Figures& f) {
        const double floor = static_cast<double>(f.bytes) * kBitsPerByte / baud;
        std::printf(
            "%-9s %4d blocks @%6d  %-6s  requests %5zu  bytes %6zu  floor %.3f s  dump %.3f s  "
            "ratio %.2f\n",
            vesmor::sim::ChipKindName(kind).c_str(), vesmor::sim::GeometryOf(kind).blockCount, baud,
            how, f.requests, f.bytes, floor, f.seconds, f.seconds / floor);
    };
    line("multi", multi);
    line("single", single);
    std::printf("%-9s speed-up of runs: %.2fx\n", vesmor::sim::ChipKindName(kind).c_str(),
                single.seconds / multi.seconds);
    return true;
}

}  // namespace

int main() {
    const bool shortRun = std::getenv("VESMOR_TEST_SHORT") != nullptr;
    const bool ok =
        Report(shortRun ? vesmor::sim::ChipKind::kStSmall : vesmor::sim::ChipKind::kStLarge,
               115200) &&
        Report(vesmor::sim::ChipKind::kNxp, 19200);
    return ok ? 0 : 1;
}
