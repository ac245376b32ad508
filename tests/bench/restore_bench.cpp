// `vesmor restore --all` of a 2048-block image to a STMicroelectronics tag behind a simulated
// reader on an emulated 115200-baud line: the time against the wire time of every frame it
// exchanged (bytes x 10 bits / baud) — the writes, their read-backs and the reading of the
// tag before them. VESMOR_TEST_SHORT=1 uses a 64-block tag instead.

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "sim/pty_link.h"
#include "tests/tools/run_program.h"

namespace {

constexpr double kBitsPerByte = 10.0;  // 8N1
constexpr int kBaud = 115200;

}  // namespace

int main() {
    const bool shortRun = std::getenv("VESMOR_TEST_SHORT") != nullptr;
    const vesmor::sim::ChipKind kind =
        shortRun ? vesmor::sim::ChipKind::kStSmall : vesmor::sim::ChipKind::kStLarge;
    char pattern[] = "/tmp/vesmor-restore-bench-XXXXXX";
    const std::string dir = ::mkdtemp(pattern);
    const std::string image = dir + "/image.json";
    vesmor::sim::PtyLink link{vesmor::sim::ReaderConfig{}};
    const vesmor::sim::Uid uid = link.Field().Insert(kind);
    const int blocks = vesmor::sim::GeometryOf(kind).blockCount;
    for (int block = 0; block < blocks; ++block) {
        link.Field().SetBlock(
            uid, block,
            {static_cast<uint8_t>(block), 0x5A, 0xA5, static_cast<uint8_t>(block >> 8)});
    }
    const std::string baud = std::to_string(kBaud);
    int code = vesmor::test::RunProgram(VESMOR_CLI,
                                        {"dump", "-p", link.Path(), "-b", baud, "--out", image})
                   .exitCode;
    link.SetLineBaud(kBaud);
    link.ClearLog();
    const auto start = std::chrono::steady_clock::now();
    const vesmor::test::ProgramResult r = vesmor::test::RunProgram(
        VESMOR_CLI, {"restore", "-p", link.Path(), "-b", baud, "--file", image, "--all"});
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::filesystem::remove_all(dir);
    if (code != 0 || r.exitCode != 0) {
        std::fprintf(stderr, "restore failed: %s\n", r.err.c_str());
        return 1;
    }
    const size_t bytes = link.ReceivedBytes().size() + link.SentByteCount();
    const double floor = static_cast<double>(bytes) * kBitsPerByte / kBaud;
    std::printf(
        "%-9s %4d blocks @%6d  restore --all  requests %5zu  bytes %7zu  floor %.3f s  "
        "restore %.3f s  ratio %.2f\n",
        vesmor::sim::ChipKindName(kind).c_str(), blocks, kBaud, link.Requests().size(), bytes,
        floor, seconds, seconds / floor);
    return 0;
}
