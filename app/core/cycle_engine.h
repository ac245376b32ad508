#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/core/counter_store.h"
#include "app/core/engine_host.h"
#include "app/core/increment.h"
#include "app/core/log_file.h"
#include "app/core/number_source.h"
#include "app/core/reader_connection.h"
#include "app/core/reader_library.h"
#include "app/core/status_box.h"
#include "common/write_job.h"

// The write and read engine of the main window: finds the single transponder in the field,
// writes the write text into its blocks or reads them back, once or on every tick of a cycle,
// and reports each step in the status box. The command-line tool runs the same engine.
namespace tagforge {

using Uid = std::array<uint8_t, 8>;

// Settings the engine reads from the profile.
struct CycleSettings {
    int RequestFlag = 1;
    int BeepTime = 300;    // ms, 0 = silent
    int ZyklusZeit = 250;  // ms, period of both cycles
};

// "Logdateien": each log is written when it is enabled and has a name.
struct LogTargets {
    bool writeEnabled = false;
    std::string writeFile;
    bool readEnabled = false;
    std::string readFile;
};

// How one write or read step ended.
enum class StepResult {
    kDone,           // written, or read and shown
    kRepeated,       // the transponder of the last step is still in the field: nothing done
    kNoTransponder,  // the field is empty (no message)
    kFailed,         // a message in the status box says why
    kReaderLost,     // failed, and the reader's connection is gone: no later step can succeed
    kSourceLost,     // the number source can give or record no value: the cycle must stop
};

// A log entry that was not stored, with the log file it was meant for.
struct LostLogEntry {
    std::string file;
    LogFailure failure;
};

struct EngineParts {
    ReaderLibrary& library;
    ReaderConnection& connection;
    StatusBox& status;
    EngineView& view;
    Beeper& beeper;
    Clock& clock;
    LogWriter& log;
};

class CycleEngine {
  public:
    // A transponder that has been out of the field this long is written or read again.
    static constexpr int64_t kAbsenceMs = 1000;
    static constexpr int kBeepHz = 440;

    explicit CycleEngine(const EngineParts& parts);

    // The write job and the settings, as the window's controls last gave them.
    WriteJob& Job() { return m_job; }
    const WriteJob& Job() const { return m_job; }
    CycleSettings& Settings() { return m_settings; }
    const CycleSettings& Settings() const { return m_settings; }
    LogTargets& Logs() { return m_logs; }
    const LogTargets& Logs() const { return m_logs; }
    // "letzten Wert beibehalten": a failed read, or a tick without a transponder, leaves the
    // read field as it is.
    void SetKeepLastValue(bool keep) { m_keepLastValue = keep; }
    // The source of the values to write; null (the default) writes the write text and counts
    // it up with "Auto increment". Not owned.
    void SetNumberSource(NumberSource* source) { m_source = source; }
    NumberSource* Source() const { return m_source; }
    // Where the next write text is reserved before each write (null: nowhere, as in the
    // command-line tool without a profile). Not owned.
    void SetCounterStore(CounterStore* store) { m_counter = store; }

    // "Einmalig": one step; a write numbers its success message from 1 again.
    StepResult WriteOnce();
    StepResult ReadOnce();

    // A cycle forgets the last transponder, so the one in the field is handled at once.
    void StartWriteCycle();
    void StartReadCycle();

    // One timer tick; a tick that arrives while the previous one still runs is skipped (nullopt).
    std::optional<StepResult> WriteTick();
    std::optional<StepResult> ReadTick();

    // Geometry of the transponder of the last tag information (for the format switch).
    const TagGeometry& Tag() const { return m_tag; }
    const std::optional<Uid>& LastUid() const { return m_lastUid; }
    // The transponder whose blocks the last step wrote or began to write (nothing when it sent
    // no block): the one a failed write may leave half-written.
    const std::optional<Uid>& WrittenUid() const { return m_writtenUid; }
    const std::string& LastReadValue() const { return m_lastReadValue; }
    // The value of the last successful write, as its status line showed it.
    const std::string& LastWrittenValue() const { return m_lastWrittenValue; }

    // The log entry of the last step that could not be stored (shown in the status box too);
    // cleared by taking it.
    std::optional<LostLogEntry> TakeLostLogEntry() { return std::exchange(m_lostLogEntry, {}); }

  private:
    StepResult TransponderStep(bool cyclic);
    StepResult NoSingleTransponder(int32_t count);
    StepResult WriteStep(bool cyclic);
    // Takes the value of the number source into the job; nullopt when the write may go on.
    std::optional<StepResult> ClaimValue();
    StepResult WriteFailed(StepResult failure);
    std::optional<StepResult> WriteBlocks(const std::vector<uint8_t>& bytes, uint32_t blocks);
    bool ReserveNext(const WrittenValue& written);
    void FinishWrite(const WrittenValue& written);
    std::optional<StepResult> ReadBlocks(std::vector<uint8_t>& bytes);
    StepResult ReadStep(bool cyclic);
    void ShowRead(const std::string& text);

    bool DuringTick() const { return m_readBusy || m_writeBusy; }
    void Report(int messageId);
    void Report(int messageId, const std::string& text);
    // Reports a failed library call; tells whether the reader's connection is gone as well.
    StepResult LibraryFailure(int messageId);
    void AppendLog(const std::string& file, const LogEntry& entry);
    int32_t Handle() const { return m_parts.connection.Handle(); }
    int32_t BlockFlags(int32_t block) const;

    EngineParts m_parts;
    WriteJob m_job;
    CycleSettings m_settings;
    LogTargets m_logs;
    bool m_keepLastValue = false;
    NumberSource* m_source = nullptr;
    std::string m_lastReport;  // the text of the last status message, for the number source
    Uid m_currentUid{};
    std::optional<Uid> m_lastUid;
    std::optional<Uid> m_writtenUid;
    std::optional<int64_t> m_detectedAt;
    bool m_sameTransponder = false;
    TagGeometry m_tag;
    std::string m_lastReadValue;
    std::string m_lastWrittenValue;
    int m_dataCounter = 1;
    bool m_readBusy = false;
    bool m_writeBusy = false;
    int32_t m_lostHandle = 0;  // the handle whose lost connection was reported
    std::optional<LostLogEntry> m_lostLogEntry;
    CounterStore* m_counter = nullptr;
};

}  // namespace tagforge
