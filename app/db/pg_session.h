#pragma once
// One connection to a PostgreSQL server over libpq, with bounded waits: the connection attempt
// and every statement end after a few seconds at the latest, so that a station whose server is
// gone or hangs stops instead of waiting for ever.

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

struct pg_conn;
struct pg_result;

namespace tagforge::db {

// Why a database call failed. `connectionLost`: the server did not answer (unreachable, gone,
// past the time-out); the session is closed and must be opened again.
struct DbError {
    std::string text;  // libpq's or the server's message, one line, naming the server
    std::string sqlState;
    bool connectionLost = false;
};

// Rows of a result as text (NULL as nullopt).
struct Rows {
    std::vector<std::string> columns;
    std::vector<std::vector<std::optional<std::string>>> values;

    size_t Size() const { return values.size(); }
    const std::optional<std::string>& At(size_t row, size_t column) const {
        return values.at(row).at(column);
    }
    // The cell as text, "" for NULL.
    std::string Text(size_t row, size_t column) const { return At(row, column).value_or(""); }
};

struct SessionLimits {
    std::chrono::milliseconds connect{5000};
    std::chrono::milliseconds statement{5000};
};

class PgSession {
  public:
    // `conninfo` as libpq takes it: a URI, "key=value ..." or empty for the PG* environment.
    // Passwords come from PGPASSFILE or ~/.pgpass, never from the program.
    explicit PgSession(std::string conninfo, SessionLimits limits = {});
    ~PgSession();
    PgSession(const PgSession&) = delete;
    PgSession& operator=(const PgSession&) = delete;

    // Connects (again, if the last connection was lost). Nothing when already connected.
    std::optional<DbError> Open();
    bool IsOpen() const { return m_conn != nullptr; }
    void Close();

    // Runs one statement with text parameters; the result rows, or why it failed.
    struct Outcome {
        Rows rows;
        std::optional<DbError> error;
        bool Ok() const { return !error.has_value(); }
    };
    Outcome Exec(const std::string& sql,
                 const std::vector<std::optional<std::string>>& params = {});

    // "host:port/db" or the socket directory, for messages.
    std::string ServerName() const;
    const std::string& Conninfo() const { return m_conninfo; }

  private:
    DbError LostError(const std::string& why);
    bool WaitSocket(bool forWrite, std::chrono::steady_clock::time_point deadline);
    std::optional<DbError> Flush(std::chrono::steady_clock::time_point deadline);

    std::string m_conninfo;
    SessionLimits m_limits;
    pg_conn* m_conn = nullptr;
    std::string m_serverName;
};

// Checks a connection text before it is used: libpq must understand it, and it must not carry
// a password (which would stand in the process list or the profile; PGPASSFILE or ~/.pgpass
// hold it instead). The reason, or nullopt when it may be used.
std::optional<std::string> RefuseConninfo(const std::string& conninfo);

// SQLSTATE of a unique index violation.
inline constexpr const char* kUniqueViolation = "23505";

}  // namespace tagforge::db
