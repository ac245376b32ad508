#include "app/db/job_store.h"

#include <charconv>

#include "common/input_check.h"

namespace tagforge::db {

namespace {

constexpr const char* kJobColumns =
    "j.id, j.name, j.format, j.start_block, j.byte_count, j.zeros, j.prefix, j.suffix, "
    "j.first_value, j.last_value, j.next_value, "
    "to_char(j.created AT TIME ZONE 'UTC', 'YYYY-MM-DD\"T\"HH24:MI:SS\"Z\"'), "
    "(SELECT count(*) FROM vesmor_writes w WHERE w.job_id = j.id AND w.state = 'written')";

uint64_t ToU64(const std::string& text) {
    uint64_t value = 0;
    std::from_chars(text.data(), text.data() + text.size(), value);
    return value;
}

DbJob JobFromRow(const Rows& rows, size_t r) {
    DbJob job;
    job.id = std::stoll(rows.Text(r, 0));
    job.name = rows.Text(r, 1);
    job.format = std::stoi(rows.Text(r, 2));
    job.startBlock = std::stoi(rows.Text(r, 3));
    job.byteCount = std::stoi(rows.Text(r, 4));
    job.zeros = rows.Text(r, 5) == "t";
    job.prefix = rows.Text(r, 6);
    job.suffix = rows.Text(r, 7);
    job.first = ToU64(rows.Text(r, 8));
    job.last = ToU64(rows.Text(r, 9));
    job.next = ToU64(rows.Text(r, 10));
    job.created = rows.Text(r, 11);
    job.written = std::stoll(rows.Text(r, 12));
    return job;
}

DbError Refused(const PgSession& session, const std::string& text) {
    return DbError{session.ServerName() + ": " + text, "", false};
}

}  // namespace

std::string ValueText(const DbJob& job, uint64_t value) {
    const bool hex = job.format == kFormatHexBinary || job.format == kFormatHexAscii;
    char digits[32];
    const auto end = std::to_chars(digits, digits + sizeof digits, value, hex ? 16 : 10).ptr;
    std::string number(digits, end);
    for (char& c : number) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    const bool ascii = job.format == kFormatHexAscii || job.format == kFormatDecimalAscii;
    const size_t around = job.prefix.size() + job.suffix.size();
    const size_t width = static_cast<size_t>(std::max(job.byteCount, 0));
    if (job.zeros && ascii && width > around + number.size()) {
        number.insert(0, width - around - number.size(), '0');
    }
    return job.prefix + number + job.suffix;
}

std::optional<uint64_t> ParseValue(int format, const std::string& text) {
    const int base = format == kFormatHexBinary || format == kFormatHexAscii ? 16 : 10;
    uint64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    if (text.empty() || error != std::errc{} || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

WriteJob AsWriteJob(const DbJob& job, uint64_t value) {
    WriteJob w;
    w.LastData = ValueText(job, value);
    w.AutoIncrement = false;
    w.AutoNull = job.zeros;
    w.PrefixZulassen = !job.prefix.empty() || !job.suffix.empty();
    w.Datenformat = job.format;
    w.Startblock = job.startBlock;
    w.Byteanzahl = job.byteCount;
    return w;
}

std::optional<DbError> CreateJob(PgSession& session, DbJob& job) {
    if (job.format < kFormatHexBinary || job.format > kFormatDecimalAscii) {
        return Refused(session, "ein Job braucht ein Zahlenformat (0..3)");
    }
    if (job.last < job.first) {
        return Refused(session, "der letzte Wert liegt vor dem ersten");
    }
    // Both ends of the range must fit the bytes, so that the last transponder is not refused.
    for (const uint64_t value : {job.first, job.last}) {
        const CheckResult check = CheckJob(AsWriteJob(job, value), true);
        if (!check.Ok()) {
            return Refused(session, "Wert " + ValueText(job, value) + ": " + check.Text());
        }
    }
    const PgSession::Outcome o = session.Exec(
        "INSERT INTO vesmor_jobs (name, format, start_block, byte_count, zeros, prefix, suffix, "
        "first_value, last_value, next_value) VALUES ($1, $2, $3, $4, $5, $6, $7, $8, $9, $8) "
        "RETURNING id",
        {job.name, std::to_string(job.format), std::to_string(job.startBlock),
         std::to_string(job.byteCount), job.zeros ? "true" : "false", job.prefix, job.suffix,
         std::to_string(job.first), std::to_string(job.last)});
    if (!o.Ok()) {
        if (o.error->sqlState == kUniqueViolation) {
            return Refused(session, "Job \"" + job.name + "\" gibt es bereits");
        }
        return o.error;
    }
    job.id = std::stoll(o.rows.Text(0, 0));
    job.next = job.first;
    return std::nullopt;
}

JobResult FindJob(PgSession& session, const std::string& name) {
    const PgSession::Outcome o = session.Exec(
        std::string("SELECT ") + kJobColumns + " FROM vesmor_jobs j WHERE j.name = $1", {name});
    if (!o.Ok()) {
        return {std::nullopt, o.error};
    }
    if (o.rows.Size() == 0) {
        return {};
    }
    return {JobFromRow(o.rows, 0), std::nullopt};
}

std::vector<DbJob> ListJobs(PgSession& session, std::optional<DbError>& error) {
    const PgSession::Outcome o =
        session.Exec(std::string("SELECT ") + kJobColumns + " FROM vesmor_jobs j ORDER BY j.name");
    std::vector<DbJob> jobs;
    error = o.error;
    for (size_t r = 0; o.Ok() && r < o.rows.Size(); ++r) {
        jobs.push_back(JobFromRow(o.rows, r));
    }
    return jobs;
}

std::vector<WriteRow> ReportRows(PgSession& session, int64_t jobId, std::optional<DbError>& error) {
    const PgSession::Outcome o = session.Exec(
        "SELECT value, uid, station, "
        "to_char(changed_at AT TIME ZONE 'UTC', 'YYYY-MM-DD\"T\"HH24:MI:SS.MS\"Z\"'), state, "
        "tag_type, error FROM vesmor_writes WHERE job_id = $1 ORDER BY value",
        {std::to_string(jobId)});
    std::vector<WriteRow> rows;
    error = o.error;
    for (size_t r = 0; o.Ok() && r < o.rows.Size(); ++r) {
        rows.push_back({ToU64(o.rows.Text(r, 0)), o.rows.Text(r, 1), o.rows.Text(r, 2),
                        o.rows.Text(r, 3), o.rows.Text(r, 4), o.rows.Text(r, 5),
                        o.rows.Text(r, 6)});
    }
    return rows;
}

std::optional<DbError> VoidValue(PgSession& session, int64_t jobId, uint64_t value,
                                 const std::string& reason) {
    const PgSession::Outcome o = session.Exec(
        "UPDATE vesmor_writes SET state = 'void', error = $3, changed_at = now() "
        "WHERE job_id = $1 AND value = $2 AND state = 'written' RETURNING value",
        {std::to_string(jobId), std::to_string(value), reason});
    if (!o.Ok()) {
        return o.error;
    }
    if (o.rows.Size() == 0) {
        return Refused(session, "Wert " + std::to_string(value) + " ist nicht geschrieben");
    }
    return std::nullopt;
}

}  // namespace tagforge::db
