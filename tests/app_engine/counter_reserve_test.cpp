// The engine reserves the next write text with its counter store before it touches a
// transponder, and writes nothing when the store cannot keep it.

#include <functional>

#include "tests/app_engine/engine_fixture.h"

namespace tagforge::test {
namespace {

using vesmor::sim::ChipKind;

class RecordingCounter final : public CounterStore {
  public:
    explicit RecordingCounter(std::function<size_t()> writesSoFar)
        : m_writesSoFar(std::move(writesSoFar)) {}
    std::optional<CounterFailure> Reserve(const WriteJob& writing,
                                          const std::string& next) override {
        calls.push_back({writing.LastData, next, m_writesSoFar()});
        if (fail) {
            return CounterFailure{"/home/u/.config/p.conf", "Datenträger voll"};
        }
        return std::nullopt;
    }
    struct Call {
        std::string writing;
        std::string next;
        size_t writesBefore;
    };
    std::vector<Call> calls;
    bool fail = false;

  private:
    std::function<size_t()> m_writesSoFar;
};

class CounterReserve : public EngineTest {
  public:
    size_t WriteRequests() { return IsoCount(kIsoWriteBlock); }
};

TEST_F(CounterReserve, NextValueIsReservedBeforeTheFirstBlockOfEveryWrite) {
    Connect();
    RecordingCounter counter([this] { return WriteRequests(); });
    Engine().SetCounterStore(&counter);
    SetJob(kFormatDecimalAscii, 4, "99");
    Engine().Job().AutoIncrement = true;
    Engine().Settings().BeepTime = 0;
    Field().Insert(ChipKind::kNxp);
    ASSERT_EQ(Engine().WriteOnce(), StepResult::kDone);
    ASSERT_EQ(counter.calls.size(), 1u);
    EXPECT_EQ(counter.calls[0].writing, "99");
    EXPECT_EQ(counter.calls[0].next, "100");
    EXPECT_EQ(counter.calls[0].writesBefore, 0u);

    // A store that cannot keep the value: the transponder is not touched.
    counter.fail = true;
    Field().Clear();
    const vesmor::sim::Uid uid = Field().Insert(ChipKind::kNxp);
    const size_t writes = WriteRequests();
    EXPECT_EQ(Engine().WriteOnce(), StepResult::kFailed);
    EXPECT_EQ(WriteRequests(), writes);
    EXPECT_EQ(TagBytes(uid, 0), (std::vector<uint8_t>{0, 0, 0, 0}));
    EXPECT_EQ(Engine().Job().LastData, "100");
    EXPECT_NE(StatusText().find("Zählerstand nicht gespeichert, Transponder nicht beschrieben: "
                                "/home/u/.config/p.conf (Datenträger voll)"),
              std::string::npos)
        << StatusText();
}

}  // namespace
}  // namespace tagforge::test
