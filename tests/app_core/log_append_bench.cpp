// Appending one entry to a log that already holds 1,000,000 lines: once with a writer that has
// counted the file before (the usual case of a write cycle), once with a fresh writer that must
// count it all. VESMOR_TEST_SHORT=1 runs a few iterations only.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/core/log_file.h"
#include "tests/periphery_ini/temp_dir.h"

namespace {

constexpr int kExistingLines = 1000000;

void WriteMillionLineLog(const std::string& path) {
    std::string text;
    text.reserve(static_cast<size_t>(kExistingLines) * 50);
    char line[96];  // room for two ints of any size
    for (int i = 1; i <= kExistingLines; ++i) {
        std::snprintf(line, sizeof line, "%6d\t08.12.2026 14:05:09\tDEZ ASCII\t   0\t   8\t%d\r\n",
                      i, i);
        text += line;
    }
    WriteBytes(path, text);
}

const tagforge::LogEntry kEntry{3, 0, 8, "1234"};

}  // namespace

int main(int argc, char** argv) {
    TempDir dir;
    const std::string path = dir.File("Protokoll_S.txt");
    WriteMillionLineLog(path);
    const char* shortMode = std::getenv("VESMOR_TEST_SHORT");
    const bool isShort = shortMode != nullptr && std::strcmp(shortMode, "1") == 0;

    tagforge::LogWriter warmWriter;
    warmWriter.Append(path, kEntry);
    auto* warm = benchmark::RegisterBenchmark(
        "AppendToMillionLineLog/counted", [&](benchmark::State& state) {
            for (auto _ : state) {
                benchmark::DoNotOptimize(warmWriter.Append(path, kEntry));
            }
        });
    auto* cold =
        benchmark::RegisterBenchmark("AppendToMillionLineLog/fresh", [&](benchmark::State& state) {
            for (auto _ : state) {
                tagforge::LogWriter freshWriter;
                benchmark::DoNotOptimize(freshWriter.Append(path, kEntry));
            }
        });
    // One entry into a small log: the cost an entry adds to a write step (about 45 ms) now
    // that it waits for the disk (fdatasync).
    const std::string small = dir.File("Protokoll_klein.txt");
    tagforge::LogWriter smallWriter;
    auto* durable = benchmark::RegisterBenchmark(
        "AppendDurableEntry/small", [&](benchmark::State& state) {
            for (auto _ : state) {
                benchmark::DoNotOptimize(smallWriter.Append(small, kEntry));
            }
        });
    durable->Unit(benchmark::kMillisecond)->Repetitions(isShort ? 2 : 5)->ReportAggregatesOnly();
    durable->Iterations(isShort ? 20 : 200);
    for (auto* bench : {warm, cold}) {
        bench->Unit(benchmark::kMillisecond);
        if (isShort) {
            bench->Iterations(bench == warm ? 50 : 3);
        }
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
