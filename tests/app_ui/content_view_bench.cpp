// The content window filling its table from a large transponder behind a simulated reader on
// an emulated 115200-baud line, against the wire time of the frames it exchanged, and
// `vesmor dump` of the same transponder in the same run for comparison. VESMOR_TEST_SHORT=1
// uses a 64-block transponder instead of the 2048-block one.

#include <QAbstractButton>
#include <QApplication>
#include <QTest>
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "tests/app_ui/content_fixture.h"
#include "tests/tools/run_program.h"

namespace {

constexpr int kBaud = 115200;
constexpr double kBitsPerByte = 10.0;  // 8N1

double Seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

double WireSeconds(const vesmor::sim::PtyLink& link) {
    const size_t bytes = link.ReceivedBytes().size() + link.SentByteCount();
    return static_cast<double>(bytes) * kBitsPerByte / kBaud;
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const bool shortRun = std::getenv("VESMOR_TEST_SHORT") != nullptr;
    tagforge::ui::test::ContentView view(kBaud);
    view.link.Field().Insert(shortRun ? vesmor::sim::ChipKind::kStSmall
                                      : vesmor::sim::ChipKind::kStLarge);
    const int blocks = shortRun ? 64 : 2048;

    auto& window = view.Make(view.handle);
    std::chrono::steady_clock::time_point start;
    QObject::connect(view.Control<QAbstractButton>("buttonReadAll"), &QAbstractButton::pressed,
                     [&] {
                         view.link.ClearLog();
                         start = std::chrono::steady_clock::now();
                     });
    window.show();
    if (!view.WaitForRead(1, 120000)) {
        std::fprintf(stderr, "the window did not finish reading\n");
        return 1;
    }
    const double windowSeconds = Seconds(start);
    const double windowFloor = WireSeconds(view.link);
    const size_t windowExchanges = view.link.Requests().size();
    const int singles = static_cast<int>(view.library.singleReads.size());
    const int runs = static_cast<int>(view.library.requests.size()) - singles;
    const int cells = window.Table().rowCount();
    if (window.Slot().blockCount != blocks || cells != blocks / 4 ||
        window.Table().ItemText(cells - 1, 4).isEmpty()) {
        std::fprintf(stderr, "the table is incomplete: %d rows\n", cells);
        return 1;
    }
    window.reject();
    VESMOR_ClosePort(view.handle);
    view.handle = 0;

    view.link.ClearLog();
    const auto dumpStart = std::chrono::steady_clock::now();
    const vesmor::test::ProgramResult dump =
        vesmor::test::RunProgram(VESMOR_CLI, {"dump", "-p", view.link.Path()});
    const double dumpSeconds = Seconds(dumpStart);
    const double dumpFloor = WireSeconds(view.link);
    if (dump.exitCode != 0) {
        std::fprintf(stderr, "dump failed: %s\n", dump.err.c_str());
        return 1;
    }
    std::printf("blocks: %d\n", blocks);
    std::printf("window: %.3f s, wire time %.3f s, ratio %.4f\n", windowSeconds, windowFloor,
                windowSeconds / windowFloor);
    std::printf("window requests: %d runs, %d single reads, %zu reader exchanges\n", runs, singles,
                windowExchanges);
    std::printf("dump:   %.3f s, wire time %.3f s, ratio %.4f\n", dumpSeconds, dumpFloor,
                dumpSeconds / dumpFloor);
    std::printf("window against dump: %.4f\n",
                (windowSeconds / windowFloor) / (dumpSeconds / dumpFloor));
    return 0;
}
