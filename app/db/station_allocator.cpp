#include "app/db/station_allocator.h"

#include <unistd.h>

#include <climits>

namespace tagforge::db {

namespace {

// One statement, so one transaction: the job row's lock orders concurrent stations, and the
// value becomes a reservation row in the same commit, so no value is lost between the two.
constexpr const char* kReserve =
    "WITH j AS (UPDATE vesmor_jobs SET next_value = next_value + 1 "
    "           WHERE id = $1 AND next_value <= last_value RETURNING id, next_value - 1 AS v) "
    "INSERT INTO vesmor_writes (job_id, value, station, state) "
    "SELECT id, v, $2, 'reserved' FROM j RETURNING value";

// One statement: the look-up of the UID in the job and, when it is new there, the UID onto the
// held reservation, so that each transponder costs one commit before its write.
constexpr const char* kClaim =
    "WITH seen AS (SELECT value, station FROM vesmor_writes "
    "              WHERE job_id = $1 AND uid = $4 AND state = 'written'), "
    "marked AS (UPDATE vesmor_writes SET uid = $4, tag_type = $5, changed_at = now() "
    "           WHERE job_id = $1 AND value = $2 AND station = $3 AND state = 'reserved' "
    "           AND NOT EXISTS (SELECT 1 FROM seen) RETURNING value) "
    "SELECT 'seen', value, station FROM seen UNION ALL SELECT 'marked', value, NULL FROM marked";

// One statement: the held value written, and the next one reserved in the same commit (the
// reservation must not outlive the transponder it was for).
constexpr const char* kWrittenAndNext =
    "WITH done AS (UPDATE vesmor_writes SET state = 'written', changed_at = now() "
    "              WHERE job_id = $1 AND value = $2 AND station = $3 AND state = 'reserved' "
    "              AND uid IS NOT NULL RETURNING job_id), "
    "j AS (UPDATE vesmor_jobs SET next_value = next_value + 1 "
    "      WHERE id = $1 AND next_value <= last_value AND EXISTS (SELECT 1 FROM done) "
    "      RETURNING id, next_value - 1 AS v), "
    "ins AS (INSERT INTO vesmor_writes (job_id, value, station, state) "
    "        SELECT id, v, $3, 'reserved' FROM j RETURNING value) "
    "SELECT (SELECT count(*) FROM done), (SELECT value FROM ins)";

uint64_t ToU64(const std::string& text) {
    return std::stoull(text);
}

}  // namespace

std::string DefaultStationName() {
    char name[HOST_NAME_MAX + 1] = {};
    if (::gethostname(name, sizeof name - 1) != 0 || name[0] == '\0') {
        return "localhost";
    }
    return name;
}

StationAllocator::StationAllocator(PgSession& session, DbJob job, std::string station)
    : m_session(session), m_job(std::move(job)), m_station(std::move(station)) {}

Allocation StationAllocator::Lost(std::optional<DbError> error) {
    Allocation a;
    a.kind = Allocation::Kind::kError;
    a.error = std::move(error);
    return a;
}

Allocation StationAllocator::Reserve() {
    const PgSession::Outcome o = m_session.Exec(kReserve, {std::to_string(m_job.id), m_station});
    if (!o.Ok()) {
        return Lost(o.error);
    }
    if (o.rows.Size() == 0) {
        m_held.reset();
        return {Allocation::Kind::kExhausted, 0, m_station, std::nullopt};
    }
    m_held = ToU64(o.rows.Text(0, 0));
    return {Allocation::Kind::kValue, *m_held, m_station, std::nullopt};
}

Allocation StationAllocator::Resume() {
    m_held.reset();
    if (std::optional<DbError> error = m_session.Open()) {
        return Lost(error);
    }
    const PgSession::Outcome open = m_session.Exec(
        "SELECT value, uid FROM vesmor_writes WHERE job_id = $1 AND station = $2 "
        "AND state = 'reserved'",
        {std::to_string(m_job.id), m_station});
    if (!open.Ok()) {
        return Lost(open.error);
    }
    if (open.rows.Size() == 1) {
        const std::string value = open.rows.Text(0, 0);
        if (!open.rows.At(0, 1)) {
            m_held = ToU64(value);
            return {Allocation::Kind::kValue, *m_held, m_station, std::nullopt};
        }
        const PgSession::Outcome failed = m_session.Exec(
            "UPDATE vesmor_writes SET state = 'failed', changed_at = now(), "
            "error = 'Schreiben auf UID ' || uid || ' nicht abgeschlossen (Station beendet)' "
            "WHERE job_id = $1 AND value = $2 AND state = 'reserved'",
            {std::to_string(m_job.id), value});
        if (!failed.Ok()) {
            return Lost(failed.error);
        }
    }
    return Reserve();
}

Allocation StationAllocator::ForTransponder(const std::string& uid, const std::string& tagType) {
    if (!m_held) {
        const Allocation reserved = Reserve();
        if (reserved.kind != Allocation::Kind::kValue) {
            return reserved;
        }
    }
    // The UID goes onto the reservation before the first block is written: a station that ends
    // in the middle of the write leaves a row that says which transponder may hold the value.
    const PgSession::Outcome o = m_session.Exec(
        kClaim, {std::to_string(m_job.id), std::to_string(*m_held), m_station, uid, tagType});
    if (!o.Ok()) {
        return Lost(o.error);
    }
    for (size_t r = 0; r < o.rows.Size(); ++r) {
        if (o.rows.Text(r, 0) == "seen") {
            return {Allocation::Kind::kAlreadyWritten, ToU64(o.rows.Text(r, 1)), o.rows.Text(r, 2),
                    std::nullopt};
        }
    }
    if (o.rows.Size() == 0) {
        m_held.reset();
        return Lost(
            DbError{m_session.ServerName() + ": die Reservierung dieser Station fehlt", "", false});
    }
    return {Allocation::Kind::kValue, *m_held, m_station, std::nullopt};
}

Allocation StationAllocator::Written() {
    if (!m_held) {
        return Lost(DbError{m_session.ServerName() + ": kein Wert reserviert", "", false});
    }
    const PgSession::Outcome o = m_session.Exec(
        kWrittenAndNext, {std::to_string(m_job.id), std::to_string(*m_held), m_station});
    if (!o.Ok()) {
        return Lost(o.error);
    }
    if (o.rows.Text(0, 0) != "1") {
        return Lost(
            DbError{m_session.ServerName() + ": die Reservierung dieser Station fehlt", "", false});
    }
    m_held.reset();
    if (!o.rows.At(0, 1)) {
        return {Allocation::Kind::kExhausted, 0, m_station, std::nullopt};
    }
    m_held = ToU64(*o.rows.At(0, 1));
    return {Allocation::Kind::kValue, *m_held, m_station, std::nullopt};
}

std::optional<DbError> StationAllocator::Failed(const std::string& reason) {
    if (!m_held) {
        return std::nullopt;
    }
    const PgSession::Outcome o = m_session.Exec(
        "UPDATE vesmor_writes SET uid = NULL, tag_type = NULL, changed_at = now(), "
        "error = concat_ws('; ', error, $4 || coalesce(' (UID ' || uid || ')', '')) "
        "WHERE job_id = $1 AND value = $2 AND station = $3 AND state = 'reserved'",
        {std::to_string(m_job.id), std::to_string(*m_held), m_station, reason});
    return o.error;
}

}  // namespace tagforge::db
