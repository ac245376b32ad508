// Several stations ("vesmor program" processes, each with its own simulated reader and
// conveyor) on one database job of a PostgreSQL server of the test's own.

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <set>

#include "app/db/job_store.h"
#include "app/db/schema.h"
#include "tests/db/pg_server.h"
#include "tests/db/station_rig.h"

namespace tagforge::test {
namespace {

using namespace std::chrono_literals;

// A cycle that ended by itself: 0, or 1 when a transponder left the field in the middle of its
// write (under load a step can take longer than a tag stays).
bool Ended(std::optional<int> exit) {
    return exit == 0 || exit == 1;
}

bool ShortMode() {
    const char* value = std::getenv("VESMOR_TEST_SHORT");
    return value != nullptr && *value != '\0' && std::string(value) != "0";
}

class DbStationsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        static int counter = 0;
        const std::string name = "stations" + std::to_string(++counter);
        conninfo = SharedServer().CreateDatabase(name);
        dir = std::filesystem::temp_directory_path() /
              ("vesmor_db_" + std::to_string(::getpid()) + "_" + name);
        std::filesystem::create_directories(dir);
        session = std::make_unique<db::PgSession>(conninfo);
        ASSERT_FALSE(db::InitSchema(*session));
    }
    void TearDown() override { std::filesystem::remove_all(dir); }

    db::DbJob CreateJob(const std::string& name, uint64_t first, uint64_t last) {
        db::DbJob job;
        job.name = name;
        job.format = kFormatDecimalAscii;
        job.byteCount = 8;
        job.zeros = true;
        job.first = first;
        job.last = last;
        EXPECT_FALSE(db::CreateJob(*session, job));
        return job;
    }
    std::vector<db::WriteRow> Rows(const db::DbJob& job) {
        if (!session->IsOpen()) {
            session->Open();
        }
        std::optional<db::DbError> error;
        std::vector<db::WriteRow> rows = db::ReportRows(*session, job.id, error);
        EXPECT_FALSE(error) << error->text;
        return rows;
    }
    int Written(const db::DbJob& job) {
        const std::vector<db::WriteRow> rows = Rows(job);
        return static_cast<int>(std::count_if(rows.begin(), rows.end(),
                                              [](const auto& r) { return r.state == "written"; }));
    }
    void WaitForWritten(const db::DbJob& job, int atLeast) {
        const auto until = std::chrono::steady_clock::now() + 30s;
        while (Written(job) < atLeast && std::chrono::steady_clock::now() < until) {
            std::this_thread::sleep_for(50ms);
        }
    }

    // The record and the conveyors agree: values from the first on without a gap, none twice;
    // every written row's tag holds exactly its value; every value a tag holds has a row
    // naming that tag; a value that reached no tag has a row saying why.
    void ExpectConsistent(const db::DbJob& job, const std::vector<std::string>& records) {
        const std::vector<db::WriteRow> rows = Rows(job);
        const std::map<std::string, std::string> tags = RecordedTags(records);
        std::set<std::string> uidsWritten;
        for (size_t i = 0; i < rows.size(); ++i) {
            const db::WriteRow& r = rows[i];
            EXPECT_EQ(r.value, job.first + i) << "a value was skipped without a row";
            if (r.state == "written") {
                EXPECT_TRUE(uidsWritten.insert(r.uid).second) << r.uid << " written twice";
                const auto tag = tags.find(r.uid);
                ASSERT_NE(tag, tags.end()) << r.uid << " never left its conveyor";
                EXPECT_EQ(AsciiOf(tag->second, 8), db::ValueText(job, r.value)) << r.uid;
            } else if (r.state == "failed") {
                EXPECT_FALSE(r.error.empty()) << r.value;
            } else {
                EXPECT_EQ(r.state, "reserved") << r.value;
            }
        }
        // A tag whose write failed half-way holds the first blocks of the value its row names.
        std::map<std::string, std::string> rowFor;
        std::map<std::string, std::string> partFor;
        for (const db::WriteRow& r : rows) {
            if (!r.uid.empty()) {
                rowFor[r.uid] = db::ValueText(job, r.value);
            }
            for (const auto& [uid, blocks] : tags) {
                if (r.error.find(uid) != std::string::npos) {
                    partFor[uid] = db::ValueText(job, r.value);
                }
            }
        }
        for (const auto& [uid, blocks] : tags) {
            const std::string value = AsciiOf(blocks, 8);
            if (value.empty()) {
                continue;
            }
            if (rowFor.count(uid) && rowFor[uid] == value) {
                continue;
            }
            ASSERT_TRUE(partFor.count(uid)) << uid << " holds " << value << " without a row";
            EXPECT_EQ(partFor[uid].rfind(value, 0), 0u) << uid << " holds " << value;
        }
    }

    std::string conninfo;
    std::filesystem::path dir;
    std::unique_ptr<db::PgSession> session;
};

// The stations run until the range is used up: one that misses a tag (under load a step can
// take longer than a tag stays) writes fewer and the others more, and every value is written.
// (With a count per station and a range of the same size, a station that finishes first would
// hold its next value reserved and leave the others short of the range.)
TEST_F(DbStationsTest, FourStationsShareOneJobUntilItsRangeIsUsedUp) {
    const int perStation = ShortMode() ? 40 : 500;
    const db::DbJob job = CreateJob("line", 10000, 10000 + 4 * perStation - 1);
    std::vector<std::unique_ptr<Station>> stations;
    std::vector<std::string> records;
    for (int n = 1; n <= 4; ++n) {
        stations.push_back(std::make_unique<Station>(dir, StationOptions{n, "60:40", 0}));
        ASSERT_FALSE(stations.back()->Port().empty());
        records.push_back(stations.back()->File("record"));
    }
    for (auto& station : stations) {
        station->StartProgram(conninfo, "line", 0);
    }
    // A station whose transponder left the field in the middle of a write says so in its exit
    // code (1); that value's row names the transponder.
    for (auto& station : stations) {
        EXPECT_TRUE(Ended(station->Program().Wait(perStation * 400ms + 30s)))
            << vesmor::test::ReadFileText(station->File("err0"));
        EXPECT_NE(vesmor::test::ReadFileText(station->File("err0")).find("ausgeschöpft"),
                  std::string::npos)
            << vesmor::test::ReadFileText(station->File("err0"));
    }
    std::this_thread::sleep_for(200ms);  // the last tags leave their conveyors
    stations.clear();                    // and the simulators end
    EXPECT_EQ(Written(job), 4 * perStation);
    EXPECT_EQ(Rows(job).size(), size_t(4 * perStation));
    ExpectConsistent(job, records);
    // The report of the command line lists every write.
    const vesmor::test::ProgramResult report =
        vesmor::test::RunProgram(VESMOR_TOOL, {"db", "report", "line", "--db", conninfo, "--csv"});
    EXPECT_EQ(report.exitCode, 0) << report.err;
    EXPECT_EQ(static_cast<int>(std::count(report.out.begin(), report.out.end(), '\n')),
              1 + static_cast<int>(Rows(job).size()));
}

TEST_F(DbStationsTest, AKilledStationResumesItsReservation) {
    const db::DbJob job = CreateJob("killed", 1, 2000);
    Station station(dir, {1, "60:40", 0});
    station.StartProgram(conninfo, "killed", 0);
    WaitForWritten(job, 5);
    station.Program().Kill(SIGKILL);
    std::vector<db::WriteRow> rows = Rows(job);
    ASSERT_FALSE(rows.empty());
    const db::WriteRow held = rows.back();
    EXPECT_EQ(held.state, "reserved");
    const int before = Written(job);
    station.StartProgram(conninfo, "killed", 3, 1);
    EXPECT_TRUE(Ended(station.Program().Wait(30s)))
        << vesmor::test::ReadFileText(station.File("err1"));
    rows = Rows(job);
    EXPECT_EQ(Written(job), before + 3);
    // The held value went to the next transponder, unless the kill came in the middle of a
    // write: then that value is marked failed, naming its transponder.
    const db::WriteRow& resumed = rows.at(held.value - 1);
    if (held.uid.empty()) {
        EXPECT_EQ(resumed.state, "written");
    } else {
        EXPECT_EQ(resumed.state, "failed");
        EXPECT_NE(resumed.error.find(held.uid), std::string::npos);
    }
    std::this_thread::sleep_for(200ms);
    ExpectConsistent(job, {station.File("record")});
}

TEST_F(DbStationsTest, AStoppedServerStopsTheStationsAndTheyContinueAfterItsRestart) {
    const db::DbJob job = CreateJob("outage", 1, 2000);
    Station a(dir, {1, "60:40", 0});
    Station b(dir, {2, "60:40", 0});
    a.StartProgram(conninfo, "outage", 0);
    b.StartProgram(conninfo, "outage", 0);
    WaitForWritten(job, 6);
    session->Close();
    SharedServer().Stop("immediate");
    for (Station* s : {&a, &b}) {
        EXPECT_EQ(s->Program().Wait(15s), 1) << "a station went on without its database";
        const std::string err = vesmor::test::ReadFileText(s->File("err0"));
        EXPECT_NE(err.find("Datenbank"), std::string::npos) << err;
        EXPECT_NE(err.find(SharedServer().Dir()), std::string::npos) << err;
    }
    SharedServer().Start();
    const int before = Written(job);
    a.StartProgram(conninfo, "outage", 3, 1);
    b.StartProgram(conninfo, "outage", 3, 1);
    EXPECT_TRUE(Ended(a.Program().Wait(30s))) << vesmor::test::ReadFileText(a.File("err1"));
    EXPECT_TRUE(Ended(b.Program().Wait(30s))) << vesmor::test::ReadFileText(b.File("err1"));
    EXPECT_EQ(Written(job), before + 6);
    std::this_thread::sleep_for(200ms);
    ExpectConsistent(job, {a.File("record"), b.File("record")});
}

TEST_F(DbStationsTest, ATagThatPassesAgainIsNotWrittenAgain) {
    const db::DbJob job = CreateJob("again", 1, 2000);
    Station station(dir, {1, "80:50", 3});
    station.StartProgram(conninfo, "again", 0);
    // Three tags, then the same three again and again.
    const auto until = std::chrono::steady_clock::now() + 30s;
    while (vesmor::test::ReadFileText(station.File("out0")).find("hat bereits") ==
               std::string::npos &&
           std::chrono::steady_clock::now() < until) {
        std::this_thread::sleep_for(50ms);
    }
    std::this_thread::sleep_for(500ms);
    station.Program().Kill(SIGINT);
    EXPECT_EQ(Written(job), 3);
    const std::string out = vesmor::test::ReadFileText(station.File("out0"));
    // The first tag to come back names the value its first pass got. Which tag that is
    // depends on whether the very first one passed before the cycle began: it is read from the
    // line and checked against the record.
    const std::string prefix = "Transponder UID ";
    const size_t at = out.find(prefix);
    ASSERT_NE(at, std::string::npos) << out;
    const std::string uid = out.substr(at + prefix.size(), 16);
    const std::string middle = " hat bereits den Wert ";
    ASSERT_EQ(out.compare(at + prefix.size() + 16, middle.size(), middle), 0) << out;
    const std::string value = out.substr(at + prefix.size() + 16 + middle.size(), 8);
    const std::string station1 = " (Station Station1)";
    ASSERT_EQ(out.compare(at + prefix.size() + 24 + middle.size(), station1.size(), station1), 0)
        << out;
    EXPECT_TRUE(std::all_of(uid.begin(), uid.end(),
                            [](unsigned char c) { return std::isxdigit(c) != 0; }))
        << out;
    const std::vector<db::WriteRow> rows = Rows(job);
    EXPECT_TRUE(std::any_of(rows.begin(), rows.end(), [&](const db::WriteRow& r) {
        return r.state == "written" && r.uid == uid && db::ValueText(job, r.value) == value;
    })) << out;
    // A new run of the station does not write them either.
    station.StartProgram(conninfo, "again", 0, 1);
    std::this_thread::sleep_for(800ms);
    station.Program().Kill(SIGINT);
    EXPECT_EQ(Written(job), 3);
    ExpectConsistent(job, {station.File("record")});
}

TEST_F(DbStationsTest, ARangeOfTenStopsCleanlyAtItsEnd) {
    const db::DbJob job = CreateJob("ten", 1, 10);
    Station station(dir, {1, "60:40", 0});
    station.StartProgram(conninfo, "ten", 0);
    EXPECT_TRUE(Ended(station.Program().Wait(30s)));
    const std::string err = vesmor::test::ReadFileText(station.File("err0"));
    EXPECT_NE(err.find("Job ten: Wertebereich ausgeschöpft (letzter Wert 00000010)."),
              std::string::npos)
        << err;
    EXPECT_EQ(Written(job), 10);
    EXPECT_EQ(Rows(job).size(), 10u);
    // Started again, it says so at once.
    station.StartProgram(conninfo, "ten", 0, 1);
    EXPECT_EQ(station.Program().Wait(10s), 1);
    EXPECT_NE(vesmor::test::ReadFileText(station.File("err1")).find("ausgeschöpft"),
              std::string::npos);
    std::this_thread::sleep_for(200ms);
    ExpectConsistent(job, {station.File("record")});
}

}  // namespace
}  // namespace tagforge::test
