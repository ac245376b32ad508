// The fault matrix: every fault a reader, its line or its transponder can cause, in the middle of
// a write of several blocks, on every transport. In each cell the call reports the fault's
// error, every block reported written is on the transponder, the port carries on once the fault
// is gone, and closing the port leaves no thread, descriptor or memory behind.

#include <gtest/gtest.h>

#include <dirent.h>

#include <cstdlib>
#include <fstream>
#include <functional>
#include <map>
#include <set>
#include <thread>

#include "tests/integration/fault_matrix_benches.h"
#include "tests/sanitized_build.h"

namespace vesmor::test {
namespace {

constexpr int32_t kTimeoutMs = 400;
constexpr int kBlocks = 6;        // the value spans blocks 0 to 5 of the NXP transponder
constexpr int32_t kFlags = 0x01;  // sub-carrier; the UID addresses the transponder
constexpr long kRssToleranceKb = 1024;

std::vector<uint8_t> Value(int block, int round) {
    return {static_cast<uint8_t>(0xA0 + block), static_cast<uint8_t>(0x10 + round), 0x5A,
            static_cast<uint8_t>(block)};
}

long RssKb() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmRSS:", 0) == 0) {
            return std::strtol(line.c_str() + 6, nullptr, 10);
        }
    }
    return 0;
}

// The thread ids of this process.
std::set<long> TaskIds() {
    std::set<long> ids;
    if (DIR* d = ::opendir("/proc/self/task")) {
        while (const dirent* entry = ::readdir(d)) {
            if (entry->d_name[0] != '.') {
                ids.insert(std::strtol(entry->d_name, nullptr, 10));
            }
        }
        ::closedir(d);
    }
    return ids;
}

// The threads of this process once one thread has come and gone: ThreadSanitizer starts a thread
// of its own with the first one, which would otherwise count as left behind.
std::set<long> ThreadBaseline() {
    std::thread([] {}).join();
    return TaskIds();
}

// Threads that are not in before and are still there once those that have ended are gone. A
// thread that was joined stays listed in /proc until the kernel has released it, which under
// load can take a moment: the new ones are given up to a second to go. (Counting instead made a
// thread of the previous cell, joined but not yet released at the count, look like a loss.)
std::set<long> ThreadsLeftBehind(const std::set<long>& before) {
    std::set<long> left;
    for (int waited = 0; waited <= 1000; waited += 5) {
        left.clear();
        for (const long id : TaskIds()) {
            if (before.count(id) == 0) {
                left.insert(id);
            }
        }
        if (left.empty()) {
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return left;
}

void Pause(int ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

class FaultCell : public ::testing::TestWithParam<Transport> {
  protected:
    void SetUp() override {
        threads_ = ThreadBaseline();
        descriptors_ = CountEntries("/proc/self/fd");
        rssKb_ = RssKb();
        bench_ = MakeBench();
        handle_ = VESMOR_OpenPort(bench_->PortName().c_str(), bench_->Baud(), kTimeoutMs);
        ASSERT_GT(handle_, 0) << bench_->PortName();
        uid_ = bench_->Uid();
        for (int block = 0; block < kBlocks; ++block) {
            before_[block] = bench_->TagBlock(block).value_or(std::vector<uint8_t>{});
        }
    }
    // The port closes and the simulated reader goes: nothing of either may be left.
    void TearDown() override {
        if (handle_ > 0) {
            EXPECT_EQ(VESMOR_ClosePort(handle_), 0);
        }
        bench_.reset();
        EXPECT_TRUE(ThreadsLeftBehind(threads_).empty()) << "threads left behind";
        EXPECT_EQ(CountEntries("/proc/self/fd"), descriptors_) << "descriptors left open";
        const long grownKb = RssKb() - rssKb_;
        RecordProperty("rss_growth_kb", std::to_string(grownKb));
        // A sanitizer's quarantine grows the RSS without a leak.
        if (!kSanitizedBuild) {
            EXPECT_LT(grownKb, kRssToleranceKb) << "memory grew";
        }
    }
    virtual std::unique_ptr<Bench> MakeBench() {
        return vesmor::test::MakeBench(GetParam());
    }

    // Writes the block's value of this round; remembers what the call reported.
    int32_t Write(int block, int round = 0) {
        const std::vector<uint8_t> data = Value(block, round);
        const int32_t result = VESMOR_WriteBlock(
            handle_, block, data.data(), static_cast<int32_t>(data.size()), uid_.data(), 8, kFlags);
        reported_[block] = {result, round};
        return result;
    }
    int32_t Error() const {
        return VESMOR_GetLastError(handle_);
    }
    // Writes blocks from..to-1; every one must succeed.
    void WriteAll(int from, int to, int round = 0) {
        for (int block = from; block < to; ++block) {
            EXPECT_EQ(Write(block, round), 0) << "block " << block << ", error " << Error();
        }
    }
    // Nothing reported that did not happen: a block reported written holds the value on the
    // transponder. A block reported failed may or may not hold it; the failure was reported.
    void ExpectEveryReportedWriteOnTheTag() {
        for (const auto& [block, report] : reported_) {
            if (report.first == 0) {
                EXPECT_EQ(bench_->TagBlock(block), Value(block, report.second))
                    << "block " << block << " reported written";
            }
        }
    }
    void ExpectUnwritten(int block) {
        EXPECT_EQ(bench_->TagBlock(block), before_[block]);
    }

    std::unique_ptr<Bench> bench_;
    int32_t handle_ = 0;
    sim::Uid uid_{};
    std::map<int, std::vector<uint8_t>> before_;
    std::map<int, std::pair<int32_t, int>> reported_;  // block -> result, round

  private:
    std::set<long> threads_;
    int descriptors_ = 0;
    long rssKb_ = 0;
};

// Calls after the reader has gone: each fails with a timeout, without waiting long.
void ExpectFailsQuickly(const std::function<int32_t()>& call) {
    int32_t result = 0;
    const long long ms = TimeMs([&] { result = call(); });
    EXPECT_EQ(result, -1);
    EXPECT_LT(ms, kTimeoutMs * 3 + 200);
}

// -- The reader is pulled away while block 3's answer is on its way. -------------------------

class UnpluggedMidWrite : public FaultCell {};

TEST_P(UnpluggedMidWrite, FailsEveryBlockFromThereOnAndReportsNoneOfThemWritten) {
    WriteAll(0, 3);
    sim::Faults slow;
    slow.delayMs = 150;  // within the timeout, but the reader is pulled first
    bench_->SetFaults(slow);
    std::thread puller([&] {
        Pause(40);
        bench_->Unplug();
    });
    EXPECT_EQ(Write(3), -1);
    puller.join();
    // A HID device or a Bluetooth dongle whose connection has died takes its port with it:
    // the handle names no port any more. The other ports stay until they are closed.
    const bool portGoes = GetParam() == Transport::kHid || GetParam() == Transport::kBluetooth;
    const int32_t error = portGoes ? VESMOR_ERR_UNKNOWN_HANDLE : VESMOR_ERR_TIMEOUT;
    EXPECT_EQ(Error(), error);
    for (int block = 4; block < kBlocks; ++block) {
        ExpectFailsQuickly([&] { return Write(block); });
        EXPECT_EQ(Error(), error);
        ExpectUnwritten(block);
    }
    // A reader that is gone is reported as gone, at the latest after the second failed call.
    EXPECT_EQ(VESMOR_IsConnected(handle_), portGoes ? -1 : 0);
    ExpectEveryReportedWriteOnTheTag();
    if (portGoes) {
        EXPECT_EQ(VESMOR_ClosePort(handle_), -1);
        handle_ = 0;
    }
}

// -- The transponder leaves the field between blocks 2 and 3 and comes back. ---------------

class TagLeavesBetweenBlocks : public FaultCell {};

TEST_P(TagLeavesBetweenBlocks, FailsWithNoTransponderAndTheReturnedTagTakesTheRest) {
    WriteAll(0, 3);
    bench_->TakeTagAway();
    EXPECT_EQ(Write(3), -1);
    EXPECT_EQ(Error(), VESMOR_ERR_NO_TRANSPONDER);
    EXPECT_EQ(bench_->TagBlock(3), std::nullopt);
    bench_->BringTagBack();
    WriteAll(3, kBlocks, 1);
    ExpectEveryReportedWriteOnTheTag();
}

// -- Line faults on one block's answer; the blocks before and after are clean. --------------

class LineFaultCell : public FaultCell {
  protected:
    // Blocks 0 and 1 clean, block 2 under the fault, then the rest clean again.
    void WriteThrough(const sim::Faults& fault, int32_t expected, int32_t expectedError) {
        WriteAll(0, 2);
        bench_->SetFaults(fault);
        EXPECT_EQ(Write(2), expected) << "error " << Error();
        EXPECT_EQ(Error(), expectedError);
        bench_->SetFaults({});
        // The fault is over once the line has been quiet for a timeout: an answer still owed
        // would have come by then.
        Pause(kTimeoutMs + 50);
        WriteAll(3, kBlocks);
        EXPECT_EQ(Write(2, 1), 0) << "the failed block written again, error " << Error();
        ExpectEveryReportedWriteOnTheTag();
    }
};

class LostBytes : public LineFaultCell {};

TEST_P(LostBytes, AnAnswerCutShortIsATimeoutAndTheNextBlockIsWritten) {
    sim::Faults cut;
    cut.cutBytes = 2;
    WriteThrough(cut, -1, VESMOR_ERR_TIMEOUT);
}

class StrayBytes : public LineFaultCell {};

TEST_P(StrayBytes, BytesBeforeTheAnswerAreDroppedAndTheWriteSucceeds) {
    sim::Faults stray;
    stray.strayBytes = Bytes({0x55, 0xAA, 0x00});
    WriteThrough(stray, 0, 0);
}

class BadChecksum : public LineFaultCell {};

TEST_P(BadChecksum, ASpoiledAnswerIsError10AndNotTakenAsSuccess) {
    sim::Faults spoiled;
    spoiled.badChecksum = true;
    WriteThrough(spoiled, -1, VESMOR_ERR_CHECKSUM);
}

class LateDuplicate : public LineFaultCell {};

TEST_P(LateDuplicate, AnAnswerSentTwiceIsFlushedBeforeTheNextBlock) {
    sim::Faults twice;
    twice.duplicateAfterMs = 20;
    WriteAll(0, 2);
    bench_->SetFaults(twice);
    EXPECT_EQ(Write(2), 0) << "error " << Error();
    Pause(120);  // the duplicate arrives between the two calls
    // The transponder has gone and the reader takes its time to say so: the duplicate of
    // block 2's answer, were it still about, would be taken for block 3's.
    sim::Faults slow;
    slow.delayMs = 50;
    bench_->SetFaults(slow);
    bench_->TakeTagAway();
    EXPECT_EQ(Write(3), -1);
    EXPECT_EQ(Error(), VESMOR_ERR_NO_TRANSPONDER);
    bench_->SetFaults({});
    bench_->BringTagBack();
    WriteAll(3, kBlocks, 1);
    ExpectEveryReportedWriteOnTheTag();
}

class AnswerAtTheTimeout : public LineFaultCell {};

TEST_P(AnswerAtTheTimeout, IsEitherTakenOrATimeoutButNeverAWrongReport) {
    WriteAll(0, 2);
    sim::Faults late;
    late.delayMs = kTimeoutMs;
    bench_->SetFaults(late);
    const int32_t result = Write(2);
    if (result != 0) {
        EXPECT_EQ(Error(), VESMOR_ERR_TIMEOUT);
    }
    // Just past the timeout the answer is too late, whatever the timing.
    late.delayMs = kTimeoutMs + 60;
    bench_->SetFaults(late);
    EXPECT_EQ(Write(3), -1);
    EXPECT_EQ(Error(), VESMOR_ERR_TIMEOUT);
    bench_->SetFaults({});
    Pause(kTimeoutMs + 100);
    WriteAll(3, kBlocks, 1);
    ExpectEveryReportedWriteOnTheTag();
}

// -- The LAN reader closes the TCP connection between blocks 1 and 2. ------------------------

// Identification is the reader's first answer, blocks 0 and 1 the next two; 100 ms after the
// third the reader drops the connection.
template <sim::PeerClose kStyle>
class PeerCloseCell : public FaultCell {
  protected:
    std::unique_ptr<Bench> MakeBench() override { return std::make_unique<TcpBench>(3, kStyle); }
    int Connections() const { return static_cast<TcpBench&>(*bench_).Connections(); }
};

class PeerClosesWithFin : public PeerCloseCell<sim::PeerClose::kFin> {};

TEST_P(PeerClosesWithFin, LosesOneBlockWhichIsReportedAndTheRestGoesOverANewConnection) {
    WriteAll(0, 2);
    Pause(300);
    EXPECT_EQ(Write(2), -1);
    EXPECT_EQ(Error(), VESMOR_ERR_TIMEOUT);
    ExpectUnwritten(2);
    EXPECT_EQ(VESMOR_IsConnected(handle_), 1) << "the reader is still there";
    // Once the line has been quiet for a timeout, the failed block again, then the rest.
    Pause(kTimeoutMs + 50);
    WriteAll(2, kBlocks);
    EXPECT_EQ(Connections(), 2);
    ExpectEveryReportedWriteOnTheTag();
}

class PeerClosesWithReset : public PeerCloseCell<sim::PeerClose::kReset> {};

TEST_P(PeerClosesWithReset, LosesNoBlockAndTheRestGoesOverANewConnection) {
    WriteAll(0, 2);
    Pause(300);
    WriteAll(2, kBlocks);
    EXPECT_EQ(Connections(), 2);
    ExpectEveryReportedWriteOnTheTag();
}

std::string CellName(const ::testing::TestParamInfo<Transport>& info) {
    return TransportName(info.param);
}

const auto kEveryTransport = ::testing::Values(Transport::kPty, Transport::kTcp, Transport::kHid,
                                               Transport::kD2xx, Transport::kBluetooth);

INSTANTIATE_TEST_SUITE_P(FaultMatrix, UnpluggedMidWrite, kEveryTransport, CellName);
INSTANTIATE_TEST_SUITE_P(FaultMatrix, TagLeavesBetweenBlocks, kEveryTransport, CellName);
INSTANTIATE_TEST_SUITE_P(FaultMatrix, LostBytes, kEveryTransport, CellName);
INSTANTIATE_TEST_SUITE_P(FaultMatrix, StrayBytes, kEveryTransport, CellName);
INSTANTIATE_TEST_SUITE_P(FaultMatrix, BadChecksum, kEveryTransport, CellName);
INSTANTIATE_TEST_SUITE_P(FaultMatrix, LateDuplicate, kEveryTransport, CellName);
INSTANTIATE_TEST_SUITE_P(FaultMatrix, AnswerAtTheTimeout, kEveryTransport, CellName);
// A peer that closes a connection exists only on TCP.
INSTANTIATE_TEST_SUITE_P(FaultMatrix, PeerClosesWithFin, ::testing::Values(Transport::kTcp),
                         CellName);
INSTANTIATE_TEST_SUITE_P(FaultMatrix, PeerClosesWithReset, ::testing::Values(Transport::kTcp),
                         CellName);

}  // namespace
}  // namespace vesmor::test
