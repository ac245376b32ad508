// A small stand-in for libFuzzer's main, so that every build (gcc, with or without sanitizers)
// can run the fuzz targets: it runs each seed of the corpus directories once, then mutates
// seeds at random (bit flips, byte changes, inserts, deletions, splices) until the time budget
// is spent, and reports the executions. A crash or sanitizer report ends the run as it would
// under libFuzzer; the input that caused it is written to crash-<target>.bin first.
//
//   target [-max_total_time=SECONDS] [-seed=N] CORPUS_DIR...
// The clang build (scripts/fuzz_long.sh) links libFuzzer instead of this file.

#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

std::vector<uint8_t> g_current;
std::string g_crashFile = "crash.bin";

void SaveCurrent(int signal) {
    if (FILE* out = std::fopen(g_crashFile.c_str(), "wb")) {
        std::fwrite(g_current.data(), 1, g_current.size(), out);
        std::fclose(out);
    }
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

std::vector<uint8_t> ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void Mutate(std::vector<uint8_t>& input, const std::vector<std::vector<uint8_t>>& seeds,
            std::mt19937_64& random) {
    const int rounds = 1 + static_cast<int>(random() % 4);
    for (int round = 0; round < rounds; ++round) {
        const size_t size = input.size();
        switch (random() % 6) {
            case 0:
                if (size > 0)
                    input[random() % size] ^= static_cast<uint8_t>(1u << (random() % 8));
                break;
            case 1:
                if (size > 0)
                    input[random() % size] = static_cast<uint8_t>(random());
                break;
            case 2: {
                static constexpr uint8_t kInteresting[] = {0x00, 0x01, 0x02, 0x1E, 0x7F,
                                                           0x80, 0xFE, 0xFF, '\n', '='};
                if (size > 0)
                    input[random() % size] = kInteresting[random() % sizeof kInteresting];
                break;
            }
            case 3:
                if (size < 4096) {
                    input.insert(
                        input.begin() + static_cast<long>(size ? random() % (size + 1) : 0),
                        static_cast<uint8_t>(random()));
                }
                break;
            case 4:
                if (size > 0)
                    input.erase(input.begin() + static_cast<long>(random() % size));
                break;
            default: {
                const std::vector<uint8_t>& other = seeds[random() % seeds.size()];
                if (!other.empty()) {
                    const size_t from = random() % other.size();
                    const size_t count = 1 + random() % (other.size() - from);
                    const size_t at = size ? random() % (size + 1) : 0;
                    input.insert(input.begin() + static_cast<long>(at),
                                 other.begin() + static_cast<long>(from),
                                 other.begin() + static_cast<long>(from + count));
                }
                break;
            }
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    // Without -max_total_time: 4 s in the short test run (VESMOR_TEST_SHORT), else 20 s.
    double seconds = std::getenv("VESMOR_TEST_SHORT") != nullptr ? 4 : 20;
    uint64_t seed = 1;
    std::vector<std::vector<uint8_t>> seeds;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg.rfind("-max_total_time=", 0) == 0) {
            seconds = std::stod(arg.substr(16));
        } else if (arg.rfind("-seed=", 0) == 0) {
            seed = std::stoull(arg.substr(6));
        } else if (arg.rfind("-", 0) == 0) {
            continue;  // other libFuzzer flags mean nothing here
        } else if (std::filesystem::is_directory(arg)) {
            for (const auto& entry : std::filesystem::directory_iterator(arg)) {
                if (entry.is_regular_file())
                    seeds.push_back(ReadFile(entry.path()));
            }
        } else {
            seeds.push_back(ReadFile(arg));
        }
    }
    if (seeds.empty())
        seeds.emplace_back();
    g_crashFile = "crash-" + std::filesystem::path(argv[0]).filename().string() + ".bin";
    for (int signal : {SIGSEGV, SIGABRT, SIGBUS, SIGFPE, SIGILL})
        std::signal(signal, SaveCurrent);

    uint64_t executions = 0;
    for (const auto& input : seeds) {
        g_current = input;
        LLVMFuzzerTestOneInput(g_current.data(), g_current.size());
        ++executions;
    }
    std::mt19937_64 random(seed);
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (std::chrono::steady_clock::now() < end) {
        for (int i = 0; i < 64; ++i) {
            g_current = seeds[random() % seeds.size()];
            Mutate(g_current, seeds, random);
            LLVMFuzzerTestOneInput(g_current.data(), g_current.size());
            ++executions;
        }
    }
    std::printf("%s: %llu executions from %zu seeds in %.0f s, no finding\n", argv[0],
                static_cast<unsigned long long>(executions), seeds.size(), seconds);
    return 0;
}
