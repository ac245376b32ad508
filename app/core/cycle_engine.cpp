#include "app/core/cycle_engine.h"

#include <algorithm>

#include "app/core/increment.h"
#include "app/core/tag_layout.h"
#include "app/core/value_format.h"
#include "common/messages.h"
#include "vesmor.h"

namespace tagforge {

namespace {

constexpr int32_t kInventoryBufferBytes = 176;  // 16 records of 11 bytes
constexpr int32_t kRecordBytes = 11;
constexpr int32_t kUidOffset = 3;
// In an inventory request the addressed flag asks for one slot only.
constexpr int32_t kOneSlotFlag = 0x20;
constexpr int32_t kUidBytes = 8;

// Sets a flag for the lifetime of the scope.
class BusyScope {
  public:
    explicit BusyScope(bool& flag) : m_flag(flag) { m_flag = true; }
    ~BusyScope() { m_flag = false; }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

  private:
    bool& m_flag;
};

// A geometry value of the library; a negative one (never sent by a sane reader) counts as 0.
uint32_t GeometryValue(int32_t value) {
    return static_cast<uint32_t>(std::max(value, 0));
}

}  // namespace

CycleEngine::CycleEngine(const EngineParts& parts) : m_parts(parts) {}

StepResult CycleEngine::WriteOnce() {
    m_dataCounter = 1;
    return WriteStep(false);
}

StepResult CycleEngine::ReadOnce() {
    return ReadStep(false);
}

void CycleEngine::StartWriteCycle() {
    m_lastUid.reset();
    m_parts.status.ForgetLastMessage();
    m_dataCounter = 1;
}

void CycleEngine::StartReadCycle() {
    m_parts.status.ForgetLastMessage();
    m_lastUid.reset();
    m_lastReadValue.clear();
}

std::optional<StepResult> CycleEngine::WriteTick() {
    if (m_writeBusy) {
        return std::nullopt;
    }
    BusyScope busy(m_writeBusy);
    return WriteStep(true);
}

std::optional<StepResult> CycleEngine::ReadTick() {
    if (m_readBusy) {
        return std::nullopt;
    }
    BusyScope busy(m_readBusy);
    return ReadStep(true);
}

// Blocks above 255 of STMicroelectronics chips are addressed with the protocol extension flag,
// by the same rule as in the content view.
int32_t CycleEngine::BlockFlags(int32_t block) const {
    return BlockRequestFlags(m_settings.RequestFlag, static_cast<int>(m_tag.icManufacturer), block);
}

StepResult CycleEngine::TransponderStep(bool cyclic) {
    // Traces "Nach Inventory" after the inventory and "Inventory" when the step ends.
    TraceStopwatch stopwatch(m_parts.library, "Inventory");
    std::vector<uint8_t> records(kInventoryBufferBytes);
    const int32_t count = m_parts.library.Inventory(Handle(), records.data(), kInventoryBufferBytes,
                                                    m_settings.RequestFlag | kOneSlotFlag);
    stopwatch.Trace("Nach Inventory");
    m_writtenUid.reset();
    if (count != kRecordBytes) {
        m_sameTransponder = false;
        return NoSingleTransponder(count);
    }
    std::copy_n(records.begin() + kUidOffset, kUidBytes, m_currentUid.begin());
    m_detectedAt = m_parts.clock.NowMs();
    if (m_lastUid == m_currentUid) {
        if (!cyclic) {
            return StepResult::kDone;
        }
        m_sameTransponder = true;
        return StepResult::kRepeated;
    }
    m_sameTransponder = false;
    int32_t blockCount = 0;
    int32_t blockSize = 0;
    int32_t icManufacturer = 0;
    if (m_parts.library.GetTagInfo(Handle(), m_currentUid.data(), kUidBytes, &blockCount,
                                   &blockSize, &icManufacturer, m_settings.RequestFlag) == -1) {
        return LibraryFailure(kMsgTagInfoFailed);
    }
    m_tag = {GeometryValue(blockCount), GeometryValue(blockSize), GeometryValue(icManufacturer)};
    return StepResult::kDone;
}

StepResult CycleEngine::NoSingleTransponder(int32_t count) {
    if (count == -1) {
        const int32_t code = m_parts.library.GetLastError(Handle());
        if (code == VESMOR_ERR_NO_TRANSPONDER) {
            if (m_detectedAt && m_parts.clock.NowMs() - *m_detectedAt > kAbsenceMs) {
                m_lastUid.reset();
                m_detectedAt.reset();
            }
            return StepResult::kNoTransponder;
        }
        return LibraryFailure(code == VESMOR_ERR_COLLISION ? kMsgTransponderNotUnique
                                                           : ErrorCodeMessageId(code));
    }
    Report(count <= 0 ? kMsgNoTransponderRead : kMsgTransponderNotUnique);
    return StepResult::kFailed;
}

StepResult CycleEngine::WriteStep(bool cyclic) {
    const StepResult found = TransponderStep(cyclic);
    if (found != StepResult::kDone) {
        return found;
    }
    if (const std::optional<StepResult> refused = ClaimValue()) {
        return *refused;
    }
    const BlockData data = ConvertForWrite(m_job, m_tag);
    if (!data.Ok()) {
        Report(data.messageId, MessageWithArgs(data.messageId, data.messageArgs));
        return WriteFailed(StepResult::kFailed);
    }
    // A log that cannot take the entry (a directory, a FIFO, a device) is refused before the
    // transponder is touched.
    if (m_logs.writeEnabled) {
        if (const std::optional<std::string> problem = LogPathProblem(m_logs.writeFile)) {
            Report(kMsgLogNotRegularFile, *problem);
            return StepResult::kFailed;
        }
    }
    const WrittenValue written = AfterWrite(m_job);
    // A number source holds its own reservation; the local counter is left as it is.
    if (m_source == nullptr && !ReserveNext(written)) {
        return StepResult::kFailed;
    }
    if (const std::optional<StepResult> failed = WriteBlocks(data.bytes, data.blocksToWrite)) {
        return WriteFailed(*failed);
    }
    FinishWrite(written);
    if (m_source != nullptr) {
        if (!m_source->Written(m_currentUid)) {
            Report(kMsgDbUnavailable, m_source->Problem());
            return StepResult::kSourceLost;
        }
        m_job.LastData = m_source->HeldText();
        m_parts.view.ShowWriteText(m_job.LastData);
    }
    return StepResult::kDone;
}

std::optional<StepResult> CycleEngine::ClaimValue() {
    if (m_source == nullptr) {
        return std::nullopt;
    }
    NumberClaim claim = m_source->ForTransponder(m_currentUid, m_tag);
    switch (claim.kind) {
        case NumberClaim::Kind::kValue:
            m_job = std::move(claim.job);
            return std::nullopt;
        case NumberClaim::Kind::kAlreadyWritten:
            // Not written again, and not asked again while it stays in the field.
            m_lastUid = m_currentUid;
            Report(kMsgDbUidWrittenBefore, claim.text);
            return StepResult::kRepeated;
        case NumberClaim::Kind::kStop:
            break;
    }
    Report(kMsgDbUnavailable, claim.text);
    return StepResult::kSourceLost;
}

// The reservation of a failed write stays for the next transponder, as the local counter keeps
// its value.
StepResult CycleEngine::WriteFailed(StepResult failure) {
    if (m_source != nullptr && !m_source->WriteFailed(m_lastReport)) {
        Report(kMsgDbUnavailable, m_source->Problem());
        return StepResult::kSourceLost;
    }
    return failure;
}

std::optional<StepResult> CycleEngine::WriteBlocks(const std::vector<uint8_t>& bytes,
                                                   uint32_t blocks) {
    m_writtenUid = m_currentUid;
    m_parts.view.SetWaitCursor(true);
    const auto blockSize = static_cast<int32_t>(m_tag.blockSize);
    for (uint32_t i = 0; i < blocks; ++i) {
        const int32_t block = m_job.Startblock + static_cast<int32_t>(i);
        const unsigned char* source = bytes.data() + size_t{i} * m_tag.blockSize;
        if (m_parts.library.WriteBlock(Handle(), block, source, blockSize, m_currentUid.data(),
                                       kUidBytes, BlockFlags(block)) == -1) {
            m_parts.view.SetWaitCursor(false);
            return LibraryFailure(ErrorCodeMessageId(m_parts.library.GetLastError(Handle())));
        }
    }
    m_parts.view.SetWaitCursor(false);
    return std::nullopt;
}

// The text of the transponder after this one is on disk before this one is touched: a crash
// after the write can then only skip a number, never hand out this one again.
bool CycleEngine::ReserveNext(const WrittenValue& written) {
    if (m_counter == nullptr) {
        return true;
    }
    const std::optional<CounterFailure> failure = m_counter->Reserve(m_job, written.nextText);
    if (!failure) {
        return true;
    }
    Report(kMsgCounterNotStored,
           MessageWithArgs(kMsgCounterNotStored, {failure->file, failure->reason}));
    return false;
}

void CycleEngine::FinishWrite(const WrittenValue& written) {
    m_lastUid = m_currentUid;
    if (m_job.Datenformat == kFormatDecimalBinary) {
        // The number without its leading zeros is in the write field before the log and beep.
        m_parts.view.ShowWriteText(written.logValue);
    }
    if (m_logs.writeEnabled) {
        AppendLog(m_logs.writeFile,
                  {m_job.Datenformat, m_job.Startblock, m_job.Byteanzahl, written.logValue});
    }
    if (m_settings.BeepTime > 0) {
        m_parts.beeper.Beep(kBeepHz, m_settings.BeepTime);
    }
    m_job.LastData = written.shownText;
    m_lastWrittenValue = written.shownText;
    if (m_job.Datenformat == kFormatDataBinary || m_job.Datenformat == kFormatDataAscii) {
        Report(kMsgDataWritten, MessageWithNumber(kMsgDataWritten, m_dataCounter));
        ++m_dataCounter;
    } else {
        Report(kMsgValueWritten, MessageWithText(kMsgValueWritten, m_job.LastData));
    }
    m_parts.status.ForgetLastMessage();
    m_job.LastData = written.nextText;
    m_parts.view.ShowWriteText(m_job.LastData);
}

std::optional<StepResult> CycleEngine::ReadBlocks(std::vector<uint8_t>& bytes) {
    const int64_t needed = int64_t{m_job.Byteanzahl} + int64_t{m_job.Startblock} * m_tag.blockSize;
    if (m_job.Byteanzahl < 1 || m_job.Startblock < 0 ||
        static_cast<int64_t>(m_tag.TotalMemory()) < needed) {
        Report(kMsgMaxBlockExceeded);
        return StepResult::kFailed;
    }
    const uint32_t blockSize = m_tag.blockSize;
    const uint32_t blocks = (static_cast<uint32_t>(m_job.Byteanzahl) + blockSize - 1) / blockSize;
    bytes.assign(size_t{blocks} * blockSize, 0);
    for (uint32_t i = 0; i < blocks; ++i) {
        const int32_t block = m_job.Startblock + static_cast<int32_t>(i);
        if (m_parts.library.ReadBlock(Handle(), block, bytes.data() + size_t{i} * blockSize,
                                      static_cast<int32_t>(blockSize), m_currentUid.data(),
                                      kUidBytes, BlockFlags(block)) == -1) {
            return LibraryFailure(ErrorCodeMessageId(m_parts.library.GetLastError(Handle())));
        }
    }
    return std::nullopt;
}

StepResult CycleEngine::ReadStep(bool cyclic) {
    const StepResult found = TransponderStep(cyclic);
    if (found == StepResult::kDone) {
        std::vector<uint8_t> bytes;
        if (const std::optional<StepResult> failed = ReadBlocks(bytes)) {
            if (!m_keepLastValue) {
                ShowRead("");
            }
            return *failed;
        }
        const RenderedText rendered = RenderBytes(bytes, m_job.Datenformat, m_job.Byteanzahl);
        if (rendered.messageId != 0) {
            Report(rendered.messageId);
        }
        m_lastReadValue = rendered.text;
        ShowRead(m_lastReadValue);
        m_lastUid = m_currentUid;
        m_parts.status.ForgetLastMessage();
        if (m_logs.readEnabled) {
            AppendLog(m_logs.readFile,
                      {m_job.Datenformat, m_job.Startblock, m_job.Byteanzahl, m_lastReadValue});
        }
        return StepResult::kDone;
    }
    if (m_sameTransponder) {
        ShowRead(m_lastReadValue);
        return StepResult::kRepeated;
    }
    if (!cyclic || !m_keepLastValue) {
        ShowRead("");
    }
    return found;
}

void CycleEngine::ShowRead(const std::string& text) {
    m_parts.view.ShowReadText(text);
}

void CycleEngine::Report(int messageId) {
    Report(messageId, MessageText(messageId));
}

void CycleEngine::Report(int messageId, const std::string& text) {
    m_lastReport = text;
    m_parts.status.ShowMessage(messageId, text, DuringTick());
}

StepResult CycleEngine::LibraryFailure(int messageId) {
    const int32_t handle = Handle();
    if (handle <= 0 || m_parts.library.IsConnected(handle) == 1) {
        m_lostHandle = 0;
        Report(messageId);
        return StepResult::kFailed;
    }
    // The reader has gone (unplugged): after the first failure's own message, every failure says
    // so, and the filter of a cycle keeps it to one line.
    if (m_lostHandle != handle) {
        m_lostHandle = handle;
        Report(messageId);
    }
    Report(kMsgReaderLost);
    return StepResult::kReaderLost;
}

void CycleEngine::AppendLog(const std::string& file, const LogEntry& entry) {
    if (m_parts.log.Append(file, entry) != 0 || !m_parts.log.LastFailure()) {
        return;
    }
    const LogFailure& failure = *m_parts.log.LastFailure();
    m_lostLogEntry = LostLogEntry{file, failure};
    Report(kMsgLogNotWritten, MessageWithArgs(kMsgLogNotWritten, {file, failure.reason}));
}

}  // namespace tagforge
