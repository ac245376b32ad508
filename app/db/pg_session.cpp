#include "app/db/pg_session.h"

#include <libpq-fe.h>
#include <poll.h>

#include <algorithm>
#include <cerrno>

namespace tagforge::db {

namespace {

using Steady = std::chrono::steady_clock;

// The server ends a statement itself after the statement limit; the client waits a little
// longer for that answer before it gives the connection up.
constexpr std::chrono::milliseconds kClientGrace{1000};

// libpq's messages end in a line break and may hold several lines: one line for a status box.
std::string OneLine(const char* text) {
    std::string line = text != nullptr ? text : "";
    while (!line.empty() && (line.back() == '\n' || line.back() == ' ')) {
        line.pop_back();
    }
    std::replace(line.begin(), line.end(), '\n', ' ');
    std::replace(line.begin(), line.end(), '\t', ' ');
    // Server texts are the network's: no control characters reach a terminal.
    std::erase_if(line, [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7f; });
    return line;
}

std::string Describe(const pg_conn* conn) {
    if (conn == nullptr) {
        return "PostgreSQL";
    }
    const std::string host = PQhost(conn) != nullptr ? PQhost(conn) : "";
    const std::string port = PQport(conn) != nullptr ? PQport(conn) : "";
    const std::string db = PQdb(conn) != nullptr ? PQdb(conn) : "";
    std::string name = host.empty() ? "localhost" : host;
    if (!port.empty()) {
        name += ":" + port;
    }
    return name + (db.empty() ? "" : "/" + db);
}

}  // namespace

PgSession::PgSession(std::string conninfo, SessionLimits limits)
    : m_conninfo(std::move(conninfo)), m_limits(limits) {}

PgSession::~PgSession() {
    Close();
}

void PgSession::Close() {
    if (m_conn != nullptr) {
        PQfinish(m_conn);
        m_conn = nullptr;
    }
}

std::string PgSession::ServerName() const {
    return m_serverName.empty() ? "PostgreSQL" : m_serverName;
}

DbError PgSession::LostError(const std::string& why) {
    DbError error{ServerName() + ": " + why, "", true};
    Close();
    return error;
}

bool PgSession::WaitSocket(bool forWrite, Steady::time_point deadline) {
    const int fd = PQsocket(m_conn);
    if (fd < 0) {
        return false;
    }
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Steady::now());
        if (left.count() <= 0) {
            return false;
        }
        pollfd p{fd, static_cast<short>(forWrite ? POLLOUT : POLLIN), 0};
        const int n = ::poll(&p, 1, static_cast<int>(left.count()));
        if (n > 0) {
            return true;
        }
        if (n < 0 && errno != EINTR) {
            return false;
        }
    }
}

std::optional<DbError> PgSession::Open() {
    if (m_conn != nullptr && PQstatus(m_conn) == CONNECTION_OK) {
        return std::nullopt;
    }
    Close();
    // The connection text is expanded in place of dbname; what comes before it (the time-out)
    // it may override, the program's name it may not.
    const std::string timeout =
        std::to_string(std::max<int64_t>(1, m_limits.connect.count() / 1000));
    const char* keys[] = {"connect_timeout", "dbname", "fallback_application_name", nullptr};
    const char* values[] = {timeout.c_str(), m_conninfo.c_str(), "vesmor", nullptr};
    m_conn = PQconnectStartParams(keys, values, 1);
    if (m_conn == nullptr) {
        return DbError{"PostgreSQL: out of memory", "", true};
    }
    m_serverName = Describe(m_conn);
    // Notices ("already exists, skipping") are the server's chatter, not the user's business.
    PQsetNoticeProcessor(
        m_conn, [](void*, const char*) {}, nullptr);
    if (PQstatus(m_conn) == CONNECTION_BAD) {
        return LostError(OneLine(PQerrorMessage(m_conn)));
    }
    const Steady::time_point deadline = Steady::now() + m_limits.connect;
    PostgresPollingStatusType state = PGRES_POLLING_WRITING;
    while (state != PGRES_POLLING_OK) {
        if (state == PGRES_POLLING_FAILED) {
            return LostError(OneLine(PQerrorMessage(m_conn)));
        }
        if (!WaitSocket(state == PGRES_POLLING_WRITING, deadline)) {
            return LostError("keine Antwort (Zeitüberschreitung beim Verbinden)");
        }
        state = PQconnectPoll(m_conn);
        m_serverName = Describe(m_conn);
    }
    PQsetnonblocking(m_conn, 1);
    const Outcome set = Exec("SELECT set_config('statement_timeout', $1, false)",
                             {std::to_string(m_limits.statement.count())});
    return set.error;
}

std::optional<DbError> PgSession::Flush(Steady::time_point deadline) {
    for (;;) {
        const int left = PQflush(m_conn);
        if (left == 0) {
            return std::nullopt;
        }
        if (left < 0 || !WaitSocket(true, deadline)) {
            return LostError(left < 0 ? OneLine(PQerrorMessage(m_conn))
                                      : "keine Antwort (Zeitüberschreitung)");
        }
    }
}

PgSession::Outcome PgSession::Exec(const std::string& sql,
                                   const std::vector<std::optional<std::string>>& params) {
    Outcome outcome;
    if (m_conn == nullptr) {
        outcome.error = DbError{ServerName() + ": nicht verbunden", "", true};
        return outcome;
    }
    std::vector<const char*> values;
    for (const std::optional<std::string>& p : params) {
        values.push_back(p ? p->c_str() : nullptr);
    }
    const Steady::time_point deadline = Steady::now() + m_limits.statement + kClientGrace;
    // Without parameters the simple protocol runs a script of several statements (the schema).
    const int sent = params.empty()
                         ? PQsendQuery(m_conn, sql.c_str())
                         : PQsendQueryParams(m_conn, sql.c_str(), static_cast<int>(values.size()),
                                             nullptr, values.data(), nullptr, nullptr, 0);
    if (sent == 0) {
        outcome.error = LostError(OneLine(PQerrorMessage(m_conn)));
        return outcome;
    }
    if ((outcome.error = Flush(deadline))) {
        return outcome;
    }
    // Every result of the statement is taken, so that the connection is ready for the next one.
    for (;;) {
        while (PQisBusy(m_conn) != 0) {
            if (!WaitSocket(false, deadline)) {
                outcome.error = LostError("keine Antwort (Zeitüberschreitung)");
                return outcome;
            }
            if (PQconsumeInput(m_conn) == 0) {
                outcome.error = LostError(OneLine(PQerrorMessage(m_conn)));
                return outcome;
            }
        }
        PGresult* result = PQgetResult(m_conn);
        if (result == nullptr) {
            break;
        }
        const ExecStatusType status = PQresultStatus(result);
        if (status == PGRES_TUPLES_OK) {
            outcome.rows = {};
            for (int c = 0; c < PQnfields(result); ++c) {
                outcome.rows.columns.emplace_back(PQfname(result, c));
            }
            for (int r = 0; r < PQntuples(result); ++r) {
                auto& row = outcome.rows.values.emplace_back();
                for (int c = 0; c < PQnfields(result); ++c) {
                    if (PQgetisnull(result, r, c) != 0) {
                        row.emplace_back(std::nullopt);
                    } else {
                        row.emplace_back(PQgetvalue(result, r, c));
                    }
                }
            }
        } else if (status != PGRES_COMMAND_OK && !outcome.error) {
            const char* state = PQresultErrorField(result, PG_DIAG_SQLSTATE);
            outcome.error = DbError{ServerName() + ": " + OneLine(PQresultErrorMessage(result)),
                                    state != nullptr ? state : "", false};
        }
        PQclear(result);
    }
    if (PQstatus(m_conn) == CONNECTION_BAD) {
        if (outcome.error) {
            outcome.error->connectionLost = true;
            Close();
        } else {
            outcome.error = LostError(OneLine(PQerrorMessage(m_conn)));
        }
    }
    return outcome;
}

std::optional<std::string> RefuseConninfo(const std::string& conninfo) {
    if (conninfo.empty()) {
        return std::nullopt;  // the PG* environment
    }
    char* message = nullptr;
    PQconninfoOption* options = PQconninfoParse(conninfo.c_str(), &message);
    if (options == nullptr) {
        std::string why = message != nullptr ? OneLine(message) : "out of memory";
        PQfreemem(message);
        // A plain word is a database name, which libpq takes as it is.
        if (conninfo.find('=') == std::string::npos && conninfo.find("://") == std::string::npos) {
            return std::nullopt;
        }
        return why;
    }
    std::optional<std::string> refused;
    for (const PQconninfoOption* o = options; o->keyword != nullptr; ++o) {
        if (std::string(o->keyword) == "password" && o->val != nullptr && *o->val != '\0') {
            refused = "kein Passwort in der Verbindung: PGPASSFILE oder ~/.pgpass verwenden";
        }
    }
    PQconninfoFree(options);
    return refused;
}

}  // namespace tagforge::db
