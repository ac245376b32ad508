#include "app/db/schema.h"

#include <array>
#include <string>

namespace tagforge::db {

namespace {

// Each step brings the schema from its index to index + 1. Steps are never changed once
// released; a change of the tables is a new step at the end.
constexpr std::array<const char*, 1> kSteps = {
    // 0 -> 1: jobs, and one row per value that was ever handed out.
    R"sql(
CREATE TABLE vesmor_jobs (
    id          bigserial PRIMARY KEY,
    name        text NOT NULL UNIQUE,
    format      integer NOT NULL CHECK (format BETWEEN 0 AND 3),
    start_block integer NOT NULL CHECK (start_block BETWEEN 0 AND 1024),
    byte_count  integer NOT NULL CHECK (byte_count BETWEEN 1 AND 1023),
    zeros       boolean NOT NULL DEFAULT false,
    prefix      text NOT NULL DEFAULT '',
    suffix      text NOT NULL DEFAULT '',
    first_value numeric(20, 0) NOT NULL CHECK (first_value >= 0),
    last_value  numeric(20, 0) NOT NULL CHECK (last_value >= first_value),
    next_value  numeric(20, 0) NOT NULL,
    created     timestamptz NOT NULL DEFAULT now(),
    CHECK (next_value BETWEEN first_value AND last_value + 1)
);
CREATE TABLE vesmor_writes (
    job_id      bigint NOT NULL REFERENCES vesmor_jobs(id),
    value       numeric(20, 0) NOT NULL,
    uid         text,
    station     text NOT NULL,
    state       text NOT NULL CHECK (state IN ('reserved', 'written', 'failed', 'void')),
    tag_type    text,
    error       text,
    reserved_at timestamptz NOT NULL DEFAULT now(),
    changed_at  timestamptz NOT NULL DEFAULT now(),
    PRIMARY KEY (job_id, value)
);
CREATE UNIQUE INDEX vesmor_writes_uid_once ON vesmor_writes (job_id, uid) WHERE state = 'written';
CREATE UNIQUE INDEX vesmor_writes_one_reservation ON vesmor_writes (job_id, station)
    WHERE state = 'reserved';
)sql",
};

constexpr const char* kVersionTable =
    "CREATE TABLE IF NOT EXISTS vesmor_schema (version integer NOT NULL)";
// Any number, the same in every program of ours: stations that start together take turns.
constexpr const char* kInitLock = "SELECT pg_advisory_xact_lock(7265100215)";

std::optional<DbError> Rollback(PgSession& session, std::optional<DbError> error) {
    if (session.IsOpen()) {
        session.Exec("ROLLBACK");
    }
    return error;
}

int VersionOf(const Rows& rows) {
    return rows.Size() == 1 && rows.At(0, 0) ? std::stoi(*rows.At(0, 0)) : 0;
}

}  // namespace

int CurrentSchemaVersion() {
    return static_cast<int>(kSteps.size());
}

VersionCheck SchemaVersion(PgSession& session) {
    const PgSession::Outcome exists =
        session.Exec("SELECT to_regclass('vesmor_schema') IS NOT NULL");
    if (!exists.Ok()) {
        return {0, exists.error};
    }
    if (exists.rows.Text(0, 0) != "t") {
        return {0, std::nullopt};
    }
    const PgSession::Outcome version = session.Exec("SELECT max(version) FROM vesmor_schema");
    if (!version.Ok()) {
        return {0, version.error};
    }
    return {VersionOf(version.rows), std::nullopt};
}

std::optional<DbError> InitSchema(PgSession& session) {
    if (std::optional<DbError> error = session.Open()) {
        return error;
    }
    for (const char* sql : {"BEGIN", kInitLock, kVersionTable}) {
        if (const PgSession::Outcome o = session.Exec(sql); !o.Ok()) {
            return Rollback(session, o.error);
        }
    }
    const PgSession::Outcome have = session.Exec("SELECT max(version) FROM vesmor_schema");
    if (!have.Ok()) {
        return Rollback(session, have.error);
    }
    const int version = VersionOf(have.rows);
    if (version > CurrentSchemaVersion()) {
        return Rollback(session,
                        DbError{session.ServerName() + ": Datenbankschema Version " +
                                    std::to_string(version) + " ist neuer als dieses Programm (" +
                                    std::to_string(CurrentSchemaVersion()) + ")",
                                "", false});
    }
    for (int step = version; step < CurrentSchemaVersion(); ++step) {
        if (const PgSession::Outcome o = session.Exec(kSteps[static_cast<size_t>(step)]); !o.Ok()) {
            return Rollback(session, o.error);
        }
    }
    if (version < CurrentSchemaVersion()) {
        const PgSession::Outcome o =
            session.Exec("DELETE FROM vesmor_schema; INSERT INTO vesmor_schema VALUES (" +
                         std::to_string(CurrentSchemaVersion()) + ")");
        if (!o.Ok()) {
            return Rollback(session, o.error);
        }
    }
    if (const PgSession::Outcome o = session.Exec("COMMIT"); !o.Ok()) {
        return Rollback(session, o.error);
    }
    return std::nullopt;
}

std::optional<DbError> RequireCurrentSchema(PgSession& session) {
    const VersionCheck check = SchemaVersion(session);
    if (check.error) {
        return check.error;
    }
    if (check.version == CurrentSchemaVersion()) {
        return std::nullopt;
    }
    return DbError{session.ServerName() + ": Datenbankschema Version " +
                       std::to_string(check.version) + ", erwartet " +
                       std::to_string(CurrentSchemaVersion()) +
                       (check.version == 0 ? " (zuerst \"vesmor db init\")" : ""),
                   "", false};
}

}  // namespace tagforge::db
