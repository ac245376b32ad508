#pragma once
// The write/read engine against a simulated reader over a pseudo-terminal, with a clock the test
// moves, and a view, a status box and a beeper that record what the engine does.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/core/engine_stack.h"
#include "sim/pty_link.h"
#include "tests/periphery_ini/temp_dir.h"
#include "tests/sanitized_build.h"

namespace tagforge::test {

// A conveyor's period or stay for a test: a sanitized build runs the tool two to three times
// slower, so there each tag gets twice the time to be written whole.
constexpr int SlowBuildMs(int ms) {
    return vesmor::test::kSanitizedBuild ? 2 * ms : ms;
}

class FakeClock final : public Clock {
  public:
    int64_t NowMs() override { return now; }
    void Advance(int64_t ms) { now += ms; }
    int64_t now = 5'000'000;
};

class RecordingBeeper final : public Beeper {
  public:
    void Beep(int frequencyHz, int durationMs) override {
        beeps.emplace_back(frequencyHz, durationMs);
    }
    std::vector<std::pair<int, int>> beeps;
};

class RecordingView final : public EngineView, public StatusView {
  public:
    void ShowMessageBox(const std::string& text) override { messageBoxes.push_back(text); }
    void SetWaitCursor(bool waiting) override { waitCursor = waiting; }
    void SetTitle(const std::string& text) override { title = text; }
    void ShowWriteText(const std::string& text) override { writeText = text; }
    void ShowReadText(const std::string& text) override {
        readText = text;
        ++readTextShown;
    }
    void ClearLines() override {
        lines.clear();
        ++clears;
    }
    void AppendLine(const std::string& line) override { lines.push_back(line); }

    std::vector<std::string> messageBoxes;
    std::vector<std::string> lines;  // status lines as given, "\r\n" included
    std::string title;
    std::string writeText;
    std::string readText;
    int readTextShown = 0;
    int clears = 0;
    bool waitCursor = false;
};

inline std::tm FixedLogTime() {
    std::tm time{};
    time.tm_mday = 8;
    time.tm_mon = 11;
    time.tm_year = 126;
    time.tm_hour = 14;
    time.tm_min = 5;
    time.tm_sec = 9;
    return time;
}

inline vesmor::sim::ReaderConfig Programmer(int deviceCode = 0x125, char firmware = '7') {
    vesmor::sim::ReaderConfig config;
    config.deviceCode = deviceCode;
    config.firmware = firmware;
    return config;
}

class EngineTest : public ::testing::Test {
  protected:
    explicit EngineTest(const vesmor::sim::ReaderConfig& reader = Programmer())
        : link(reader),
          stack({VesmorLibrary(), view, view, beeper, clock}, "VESMOR Tagforge", FixedLogTime) {}
    ~EngineTest() override { stack.connection.Close(); }

    std::string ConnectionName() const { return link.Path() + ":1"; }
    void Connect() { ASSERT_TRUE(stack.connection.Connect({ConnectionName(), 19200, 500})); }

    CycleEngine& Engine() { return stack.engine; }
    vesmor::sim::TagField& Field() { return link.Field(); }

    void SetJob(int format, int byteCount, std::string text, int startblock = 0) {
        WriteJob& job = Engine().Job();
        job.Datenformat = format;
        job.Byteanzahl = byteCount;
        job.LastData = std::move(text);
        job.Startblock = startblock;
    }

    // ISO requests with this command byte that reached the transponders.
    size_t IsoCount(uint8_t command) {
        const auto requests = Field().IsoRequests();
        return static_cast<size_t>(std::count_if(
            requests.begin(), requests.end(),
            [command](const std::vector<uint8_t>& r) { return r.size() > 1 && r[1] == command; }));
    }
    static constexpr uint8_t kIsoReadBlock = 0x20;
    static constexpr uint8_t kIsoWriteBlock = 0x21;

    std::vector<uint8_t> TagBytes(const vesmor::sim::Uid& uid, int block) {
        return Field().Block(uid, block).value_or(std::vector<uint8_t>{});
    }

    std::string StatusText() const {
        std::string all;
        for (const std::string& line : view.lines) {
            all += line;
        }
        return all;
    }

    static std::string ReadFile(const std::filesystem::path& path) {
        std::ifstream in(path, std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

    vesmor::sim::PtyLink link;
    FakeClock clock;
    RecordingBeeper beeper;
    RecordingView view;
    EngineStack stack;
    TempDir scratch;
    std::filesystem::path logDir = scratch.Path();
};

}  // namespace tagforge::test
