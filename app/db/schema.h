#pragma once
// The tables of the shared number range, created and upgraded by the program itself: a version
// table says which steps a database has had, and each missing step runs once, in order, in one
// transaction with the version row.

#include <optional>

#include "app/db/pg_session.h"

namespace tagforge::db {

// The schema version this program writes and expects.
int CurrentSchemaVersion();

// Creates the tables or brings them to the current version. Several stations may call it at
// once: a lock makes them take turns. Fails on a database newer than this program.
std::optional<DbError> InitSchema(PgSession& session);

// The version a database has (0: none of our tables), or why it could not be read.
struct VersionCheck {
    int version = 0;
    std::optional<DbError> error;
};
VersionCheck SchemaVersion(PgSession& session);

// Fails unless the database has exactly the current version ("vesmor db init" missing, or a
// newer program upgraded it).
std::optional<DbError> RequireCurrentSchema(PgSession& session);

}  // namespace tagforge::db
