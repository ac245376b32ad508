// "vesmor db …" and the database options of "vesmor program" as a user types them.

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "app/db/schema.h"
#include "app/db/station_allocator.h"
#include "tests/db/pg_server.h"

namespace tagforge::test {
namespace {

using vesmor::test::ProgramResult;

ProgramResult Vesmor(const std::vector<std::string>& args) {
    return vesmor::test::RunProgram(VESMOR_TOOL, args);
}

class DbCliTest : public ::testing::Test {
  protected:
    void SetUp() override {
        static int counter = 0;
        conninfo = SharedServer().CreateDatabase("cli" + std::to_string(++counter));
    }
    ProgramResult Db(std::vector<std::string> args) {
        args.insert(args.begin(), "db");
        args.insert(args.end(), {"--db", conninfo});
        return Vesmor(args);
    }
    std::string conninfo;
};

TEST_F(DbCliTest, InitCreatesAJobIsListedReportedAndVoided) {
    ProgramResult r = Db({"job", "list"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("zuerst \"vesmor db init\""), std::string::npos) << r.err;
    r = Db({"init"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out.rfind("Datenbankschema Version 1: ", 0), 0u) << r.out;
    EXPECT_EQ(Db({"init"}).exitCode, 0);  // again: nothing to do

    r = Db({"job", "create", "Serie 7", "--format", "1", "--start", "2", "--bytes", "8", "--first",
            "a0", "--last", "a2", "--zeros", "--affix", "S#"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "Job \"Serie 7\": S00000A0 bis S00000A2\n");
    r = Db({"job", "create", "Serie 7", "--format", "1", "--start", "2", "--bytes", "8", "--first",
            "1", "--last", "2"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("gibt es bereits"), std::string::npos);
    r = Db({"job", "create", "x", "--format", "3", "--start", "0", "--bytes", "2", "--first", "1",
            "--last", "100"});
    EXPECT_EQ(r.exitCode, 1) << "100 does not fit 2 bytes";
    r = Db({"job", "create", "x", "--format", "3", "--start", "0", "--bytes", "2", "--first", "1a",
            "--last", "10"});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_NE(r.err.find("--first"), std::string::npos);
    r = Db({"job", "create", "x", "--format", "4", "--start", "0", "--bytes", "2", "--first", "1",
            "--last", "10"});
    EXPECT_EQ(r.exitCode, 2) << "format 4 has no number";

    r = Db({"job", "list"});
    ASSERT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out.rfind("Serie 7\t1\t2\t8\tS00000A0\tS00000A2\tS00000A0\t0\t", 0), 0u) << r.out;

    // One value written by a station, one held.
    {
        db::PgSession session(conninfo);
        ASSERT_FALSE(session.Open());
        const db::JobResult job = db::FindJob(session, "Serie 7");
        ASSERT_TRUE(job.job);
        db::StationAllocator station(session, *job.job, "Linie\x1b[2J1");
        station.Resume();
        station.ForTransponder("E004010000000001", "IC 4, 28x4");
        station.Written();
    }
    r = Db({"report", "Serie 7"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out.find('\x1b'), std::string::npos) << "a control character reached the terminal";
    EXPECT_NE(r.out.find("S00000A0\tE004010000000001\tLinie\\e[2J1\t"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\twritten\tIC 4, 28x4\t\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("S00000A1\t\tLinie\\e[2J1\t"), std::string::npos) << r.out;
    r = Db({"report", "Serie 7", "--csv"});
    EXPECT_EQ(
        r.out.rfind("value,uid,station,time,state,tag_type,error\r\nS00000A0,E004010000000001,", 0),
        0u)
        << r.out;
    EXPECT_NE(r.out.find(",written,\"IC 4, 28x4\",\r\n"), std::string::npos) << r.out;
    r = Db({"report", "Serie 7", "--json"});
    const nlohmann::json report = nlohmann::json::parse(r.out);
    ASSERT_EQ(report.size(), 2u);
    EXPECT_EQ(report[0]["value"], "S00000A0");
    EXPECT_EQ(report[0]["state"], "written");
    EXPECT_EQ(report[1]["state"], "reserved");
    EXPECT_EQ(Db({"report", "Serie 7", "--csv", "--json"}).exitCode, 2);

    r = Db({"void", "Serie 7", "S00000A1", "--reason", "x"});
    EXPECT_EQ(r.exitCode, 1) << "a reserved value is not voided";
    r = Db({"void", "Serie 7", "S00000A0", "--reason", "Etikett zerrissen"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    r = Db({"report", "Serie 7"});
    EXPECT_NE(r.out.find("\tvoid\tIC 4, 28x4\tEtikett zerrissen\n"), std::string::npos) << r.out;
    r = Db({"report", "Serie 8"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "Job \"Serie 8\" gibt es nicht\n");
    EXPECT_EQ(Db({"void", "Serie 7"}).exitCode, 2);
}

TEST_F(DbCliTest, ConnectionProblemsAreClearAndPasswordsRefused) {
    ProgramResult r = Vesmor({"db", "init", "--db", "host=/nonexistent-vesmor user=postgres"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("/nonexistent-vesmor"), std::string::npos) << r.err;
    r = Vesmor({"db", "init", "--db", conninfo + " password=geheim"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("PGPASSFILE"), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find("geheim"), std::string::npos);
    // Without --db, libpq's environment.
    ::setenv("PGHOST", SharedServer().Dir().c_str(), 1);
    ::setenv("PGUSER", "postgres", 1);
    ::setenv("PGDATABASE", "cli2", 1);
    r = Vesmor({"db", "init"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    ::unsetenv("PGHOST");
    ::unsetenv("PGUSER");
    ::unsetenv("PGDATABASE");
}

TEST_F(DbCliTest, ProgramTakesItsJobFromTheDatabaseOnly) {
    ASSERT_EQ(Db({"init"}).exitCode, 0);
    ProgramResult r =
        Vesmor({"program", "-p", "/dev/null", "--db", conninfo, "--db-job", "x", "--value", "1"});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_NE(r.err.find("--value"), std::string::npos);
    r = Vesmor({"program", "-p", "/dev/null", "--value", "1", "--station", "A"});
    EXPECT_EQ(r.exitCode, 2);
    r = Vesmor({"program", "-p", "/dev/null", "--db", conninfo, "--db-job", "x"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("Job \"x\" gibt es in der Datenbank nicht."), std::string::npos) << r.err;
}

}  // namespace
}  // namespace tagforge::test
