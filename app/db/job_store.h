#pragma once
// Jobs of the shared number range and the record of their writes: create, list, report, void.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "app/db/pg_session.h"
#include "common/write_job.h"

namespace tagforge::db {

// A job: what is written (format, blocks, zeros, text around the number) and its range.
struct DbJob {
    int64_t id = 0;
    std::string name;
    int format = kFormatDecimalAscii;  // 0..3: the formats that hold a number
    int startBlock = 0;
    int byteCount = 4;
    bool zeros = false;
    std::string prefix;  // text before and after the number ("Zusatztext zulassen")
    std::string suffix;
    uint64_t first = 0;
    uint64_t last = 0;
    uint64_t next = 0;  // the next value no station has had yet; last + 1 when used up
    std::string created;
    int64_t written = 0;  // rows in state "written" (in lists and reports)
};

// The write text of a value: hexadecimal digits (upper case) in formats 0 and 1, decimal in 2
// and 3, padded with zeros to the byte count in formats 1 and 3 when `zeros` is set, with the
// prefix and the suffix around it.
std::string ValueText(const DbJob& job, uint64_t value);
// A value as written on the command line: hexadecimal in formats 0 and 1, decimal in 2 and 3.
std::optional<uint64_t> ParseValue(int format, const std::string& text);
// The write job of the window and the value formats for a job (the write text of `value`).
WriteJob AsWriteJob(const DbJob& job, uint64_t value);

struct JobResult {
    std::optional<DbJob> job;
    std::optional<DbError> error;  // neither: no such job
};

// Creates the job; fails with a clear text when the name is taken or a value is refused.
std::optional<DbError> CreateJob(PgSession& session, DbJob& job);
JobResult FindJob(PgSession& session, const std::string& name);
std::vector<DbJob> ListJobs(PgSession& session, std::optional<DbError>& error);

// One row of the record, oldest value first.
struct WriteRow {
    uint64_t value = 0;
    std::string uid;  // "" when the value never reached a transponder
    std::string station;
    std::string time;  // of the last change, ISO 8601 in UTC
    std::string state;
    std::string tagType;
    std::string error;
};
std::vector<WriteRow> ReportRows(PgSession& session, int64_t jobId, std::optional<DbError>& error);

// Marks a written value void (its transponder was thrown away), with the reason. Only a
// written value can be voided; the text says why not otherwise.
std::optional<DbError> VoidValue(PgSession& session, int64_t jobId, uint64_t value,
                                 const std::string& reason);

}  // namespace tagforge::db
