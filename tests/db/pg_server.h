#pragma once
// A PostgreSQL server of the test's own: initdb into a temporary directory, pg_ctl with its
// Unix socket in that directory and no TCP port, stopped and removed afterwards. As root the
// server runs as the "postgres" system user (it refuses root), otherwise as the test's user.

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "tests/tools/run_program.h"

namespace tagforge::test {

class PgServer {
  public:
    static constexpr const char* kBin = "/usr/lib/postgresql/15/bin/";

    // `durable`: fsync on, as a production server runs (the benchmarks); the tests go without.
    explicit PgServer(bool durable = false) : m_durable(durable) {
        char dir[] = "/tmp/vesmor-pg-XXXXXX";
        if (::mkdtemp(dir) == nullptr) {
            throw std::runtime_error("mkdtemp");
        }
        m_dir = dir;
        if (::geteuid() == 0) {
            const passwd* pw = ::getpwnam("postgres");
            if (pw == nullptr || ::chown(dir, pw->pw_uid, pw->pw_gid) != 0) {
                throw std::runtime_error("no postgres user to run the server");
            }
            m_asPostgres = true;
        }
        const vesmor::test::ProgramResult init =
            Run("initdb", {"-D", DataDir(), "--auth=trust", "--username=postgres", "--no-sync",
                           "--encoding=UTF8", "--locale=C"});
        if (init.exitCode != 0) {
            throw std::runtime_error("initdb: " + init.err);
        }
        Start();
    }
    ~PgServer() {
        Stop();
        std::error_code ignored;
        std::filesystem::remove_all(m_dir, ignored);
    }
    PgServer(const PgServer&) = delete;
    PgServer& operator=(const PgServer&) = delete;

    void Start() {
        const vesmor::test::ProgramResult start =
            Run("pg_ctl", {"-D", DataDir(), "-w", "-t", "30", "-l", m_dir + "/server.log", "-o",
                           "-c listen_addresses='' -c unix_socket_directories=" + m_dir +
                               (m_durable ? "" : " -c fsync=off") + " -c max_connections=60",
                           "start"});
        if (start.exitCode != 0) {
            throw std::runtime_error("pg_ctl start: " + start.err +
                                     vesmor::test::ReadFileText(m_dir + "/server.log"));
        }
        m_running = true;
    }
    // "immediate" ends every connection at once, as a crash or a pulled cable would.
    void Stop(const std::string& mode = "fast") {
        if (m_running) {
            Run("pg_ctl", {"-D", DataDir(), "-w", "-t", "30", "-m", mode, "stop"});
            m_running = false;
        }
    }

    // The connection text for libpq: the socket directory as host.
    std::string Conninfo(const std::string& db = "postgres") const {
        return "host=" + m_dir + " user=postgres dbname=" + db;
    }
    const std::string& Dir() const { return m_dir; }

    // A fresh database for one test, so that tests share one server but not their tables.
    std::string CreateDatabase(const std::string& name) {
        const vesmor::test::ProgramResult created = vesmor::test::RunProgram(
            std::string(kBin) + "createdb", {"-h", m_dir, "-U", "postgres", name});
        if (created.exitCode != 0) {
            throw std::runtime_error("createdb: " + created.err);
        }
        return Conninfo(name);
    }

  private:
    std::string DataDir() const { return m_dir + "/data"; }

    vesmor::test::ProgramResult Run(const std::string& tool, const std::vector<std::string>& args) {
        const std::string path = std::string(kBin) + tool;
        if (!m_asPostgres) {
            return vesmor::test::RunProgram(path, args);
        }
        std::vector<std::string> wrapped{"-u", "postgres", "--", path};
        wrapped.insert(wrapped.end(), args.begin(), args.end());
        return vesmor::test::RunProgram("/usr/sbin/runuser", wrapped);
    }

    std::string m_dir;
    bool m_asPostgres = false;
    bool m_running = false;
    bool m_durable = false;
};

// Every test of a program shares one server, started by the first that asks for it.
inline PgServer& SharedServer() {
    static PgServer server;
    return server;
}

}  // namespace tagforge::test
