// The port's exchange over a transport polled by the waiting caller, with a clock that the
// test moves: timeouts per phase, start-byte resynchronisation, hooks and trace dumps.

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "library/checksum.h"
#include "library/port.h"
#include "library/wait_hooks.h"

namespace vesmor {
namespace {

// Delivers scripted bytes when the test clock reaches their time; every poll is one millisecond.
class ScriptedTransport : public PortTransport {
  public:
    explicit ScriptedTransport(int64_t& clock, bool hid = false) : clock_(clock), hid_(hid) {}
    bool IsHid() const override { return hid_; }
    int32_t Identifier() const override { return open_ ? 10001 : 0; }
    void Write(const uint8_t* data, size_t count) override { written.Append(data, count); }
    bool IsPolled() const override { return true; }
    size_t ReadPending(uint8_t* buffer, size_t max) override {
        ++clock_;
        size_t n = 0;
        for (auto it = script_.begin(); it != script_.end() && it->first <= clock_;) {
            for (uint8_t b : it->second) {
                if (n < max)
                    buffer[n++] = b;
            }
            it = script_.erase(it);
        }
        return n;
    }
    void Close() override { open_ = false; }
    void At(int64_t ms, std::vector<uint8_t> bytes) { script_.emplace(ms, std::move(bytes)); }

    CMyByteArray written;

  private:
    int64_t& clock_;
    bool hid_;
    bool open_ = true;
    std::multimap<int64_t, std::vector<uint8_t>> script_;
};

std::vector<uint8_t> Type0Answer(std::vector<uint8_t> data) {
    std::vector<uint8_t> frame = {0x02, 0x01, 0x00, static_cast<uint8_t>(data.size())};
    frame.insert(frame.end(), data.begin(), data.end());
    frame.push_back(Bcc(frame.data() + 1, frame.size() - 1));
    return frame;
}

class PortWaitTest : public ::testing::Test {
  protected:
    void SetUp() override {
        auto transport = std::make_unique<ScriptedTransport>(clock);
        script = transport.get();
        port.AttachTransport(CVESMOR_Port::kBluetoothSlot, std::move(transport));
        port.SetClock([this] { return clock; });
        port.SetTimeout(kTimeout);
    }
    bool Send(std::vector<uint8_t> command) {
        port.TransmitBuffer().RemoveAll();
        for (uint8_t b : command)
            port.TransmitBuffer().Add(b);
        return port.SendCommand();
    }

    static constexpr int32_t kTimeout = 20;
    int64_t clock = 0;
    CVESMOR_Port port;
    ScriptedTransport* script = nullptr;
};

TEST_F(PortWaitTest, AnswerCompletedExactlyAtTheTimeoutIsAccepted) {
    script->At(kTimeout, Type0Answer({0x31, 0x32, 0x35, 0x37}));
    ASSERT_TRUE(Send({0xF0}));
    CMyByteArray answer;
    ASSERT_TRUE(port.ReceiveAnswer(answer));
    EXPECT_EQ(answer, (CMyByteArray{0x31, 0x32, 0x35, 0x37}));
    EXPECT_EQ(script->written, (CMyByteArray{0x02, 0x01, 0xF0, 0x00, 0xF1}));
    EXPECT_EQ(port.LastError(), 0);
}

TEST_F(PortWaitTest, SilenceFailsOnceMoreThanTheTimeoutHasPassed) {
    EXPECT_FALSE(Send({0xF0}));
    EXPECT_EQ(port.LastError(), 4);
    EXPECT_EQ(clock, kTimeout + 1);
}

TEST_F(PortWaitTest, AnAnswerTooLateFails) {
    script->At(kTimeout + 2, Type0Answer({1}));
    EXPECT_FALSE(Send({0xF0}));
    EXPECT_EQ(port.LastError(), 4);
}

TEST_F(PortWaitTest, EveryPhaseHasItsOwnTimeout) {
    const std::vector<uint8_t> answer = Type0Answer({1, 2, 3});
    script->At(kTimeout, {answer.begin(), answer.begin() + 4});
    script->At(2 * kTimeout, {answer.begin() + 4, answer.end()});
    EXPECT_TRUE(Send({0xF0}));
}

TEST_F(PortWaitTest, StrayBytesBeforeTheStartByteAreDropped) {
    std::vector<uint8_t> bytes = {0x55, 0x66, 0x77};
    const std::vector<uint8_t> answer = Type0Answer({0xAB});
    bytes.insert(bytes.end(), answer.begin(), answer.end());
    script->At(3, bytes);
    ASSERT_TRUE(Send({0xF0}));
    CMyByteArray data;
    ASSERT_TRUE(port.ReceiveAnswer(data));
    EXPECT_EQ(data, CMyByteArray{0xAB});
}

TEST_F(PortWaitTest, Type1HasNoResynchronisation) {
    port.SetProtocolType(1);
    std::vector<uint8_t> frame = {0x01, 0x00, 0x00};
    const uint16_t crc = Crc16Modbus(frame.data(), frame.size());
    frame.push_back(crc & 0xFF);
    frame.push_back(crc >> 8);
    frame.insert(frame.begin(), 0x99);
    script->At(2, frame);
    ASSERT_TRUE(Send({0xF0}));
    CMyByteArray data;
    EXPECT_FALSE(port.ReceiveAnswer(data));
    EXPECT_EQ(port.LastError(), 10);
}

TEST_F(PortWaitTest, ChainedAnswerWithoutBlocksYieldsNoData) {
    std::vector<uint8_t> frame = {0x02, 0x01, 0x00, 0xFF, 0xFF};
    frame.push_back(Bcc(frame.data() + 1, frame.size() - 1));
    script->At(1, {frame.begin(), frame.end() - 1});  // checksum still missing
    script->At(5, {frame.back()});
    ASSERT_TRUE(Send({0x20, 0x04, 0x01, 0x00}));
    CMyByteArray data = {0x01};
    ASSERT_TRUE(port.ReceiveAnswer(data));
    EXPECT_TRUE(data.IsEmpty());
    EXPECT_GE(clock, 5);
}

TEST_F(PortWaitTest, Status0x20IsAcceptedWithError32) {
    std::vector<uint8_t> frame = {0x02, 0x01, 0x20, 0x02, 0x00, 0x77};
    frame.push_back(Bcc(frame.data() + 1, frame.size() - 1));
    script->At(1, frame);
    ASSERT_TRUE(Send({0x20, 0x02, 0x20, 0x00}));
    CMyByteArray data;
    ASSERT_TRUE(port.ReceiveIsoAnswer(data));
    EXPECT_EQ(data, CMyByteArray{0x77});
    EXPECT_EQ(port.LastError(), 32);
}

TEST_F(PortWaitTest, EmptyTransmitBufferIsError8) {
    port.TransmitBuffer().RemoveAll();
    EXPECT_FALSE(port.SendCommand());
    EXPECT_EQ(port.LastError(), 8);
    EXPECT_TRUE(script->written.IsEmpty());
}

TEST_F(PortWaitTest, TooLongRequestIsRefusedBeforeSending) {
    EXPECT_FALSE(Send(std::vector<uint8_t>(257, 0x20)));
    EXPECT_EQ(port.LastError(), 7);
    EXPECT_TRUE(script->written.IsEmpty());
}

TEST_F(PortWaitTest, LateBytesAreFlushedByTheNextCommand) {
    script->At(1, Type0Answer({1}));
    ASSERT_TRUE(Send({0xF0}));
    CMyByteArray data;
    ASSERT_TRUE(port.ReceiveAnswer(data));
    script->At(clock + 1, Type0Answer({1}));  // a late duplicate, arriving between exchanges
    port.PollTransport();
    EXPECT_GT(port.ReceivedCount(), 0u);
    script->At(clock + 3, Type0Answer({2}));
    ASSERT_TRUE(Send({0xF0}));
    ASSERT_TRUE(port.ReceiveAnswer(data));
    EXPECT_EQ(data, CMyByteArray{2});
}

// A port whose scripted transport is a HID device.
class PortWaitHid : public ::testing::Test {
  protected:
    void SetUp() override {
        auto owned = std::make_unique<ScriptedTransport>(clock, true);
        hid = owned.get();
        port.AttachTransport(CVESMOR_Port::kHidSlot, std::move(owned));
        port.SetClock([this] { return clock; });
    }

    int64_t clock = 0;
    CVESMOR_Port port;
    ScriptedTransport* hid = nullptr;
};

TEST_F(PortWaitHid, PendingHidInputIsDiscardedBeforeACommand) {
    hid->At(1, std::vector<uint8_t>(25, 0x02));  // stale input, read in pieces of 10
    hid->At(5, Type0Answer({0x42}));
    port.TransmitBuffer().Add(0xF0);
    ASSERT_TRUE(port.SendCommand());
    CMyByteArray data;
    ASSERT_TRUE(port.ReceiveAnswer(data));
    EXPECT_EQ(data, CMyByteArray{0x42});
    EXPECT_EQ(port.Handle(), 10001);
}

// A late answer that is still in the HID device when the next command starts came between the
// two exchanges: it goes with the flush, and the next command's own answer is taken.
TEST_F(PortWaitHid, ALateAnswerStillInTheHidDeviceGoesWithTheFlushAndOwesNothing) {
    port.SetTimeout(20);
    port.TransmitBuffer().Add(0xF0);
    EXPECT_FALSE(port.SendCommand());
    hid->At(25, Type0Answer({0x01}));  // the late answer, not read before the next command
    clock = 30;
    hid->At(35, Type0Answer({0x42}));
    port.TransmitBuffer().Add(0xF1);
    ASSERT_TRUE(port.SendCommand());
    CMyByteArray data;
    ASSERT_TRUE(port.ReceiveAnswer(data));
    EXPECT_EQ(data, CMyByteArray{0x42});
}

struct HookLog {
    int begins = 0, pumps = 0, ends = 0;
};

TEST_F(PortWaitTest, WaitHooksFrameTheWaitAndPumpBetweenSlices) {
    HookLog log;
    SetWaitHooks({[](void* c) { static_cast<HookLog*>(c)->begins++; },
                  [](void* c) { static_cast<HookLog*>(c)->pumps++; },
                  [](void* c) { static_cast<HookLog*>(c)->ends++; }, &log});
    script->At(10, Type0Answer({1}));
    EXPECT_TRUE(Send({0xF0}));
    SetWaitHooks({});
    EXPECT_EQ(log.begins, 1);
    EXPECT_EQ(log.ends, 1);
    // The answer came with the tenth poll: one pump ran between each two polls.
    EXPECT_GE(log.pumps, 9);
}

std::vector<std::string> g_traces;

TEST_F(PortWaitTest, TraceHookReceivesFrameDumps) {
    g_traces.clear();
    port.SetTraceHook([](intptr_t, const char* text) { g_traces.emplace_back(text); });
    script->At(1, Type0Answer({0xAB}));
    ASSERT_TRUE(Send({0xF0}));
    CMyByteArray data;
    ASSERT_TRUE(port.ReceiveAnswer(data));
    ASSERT_EQ(g_traces.size(), 2u);
    EXPECT_EQ(g_traces[0], ">(00002711) 02 01 f0 00 f1 \r\n");
    EXPECT_EQ(g_traces[1], "<(00002711) 02 01 00 01 ab ab \r\n");
}

}  // namespace
}  // namespace vesmor
