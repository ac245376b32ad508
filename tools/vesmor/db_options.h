#pragma once
// The database connection options shared by "vesmor db …" and "vesmor program".

#include <CLI/CLI.hpp>
#include <memory>
#include <optional>
#include <string>

#include "app/db/pg_session.h"

namespace vesmor::cli {

// Adds --db CONN (libpq's connection text; without it the PG* environment).
void AddDbOption(CLI::App& command, std::string& conninfo);

// Opens a session for a db command after checking the connection text and the schema (unless
// `forInit`); prints why not and returns nullptr.
std::unique_ptr<tagforge::db::PgSession> OpenDbSession(const std::string& conninfo, bool forInit);

}  // namespace vesmor::cli
