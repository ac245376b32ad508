// What the database costs a station: the time of one transponder's database work (look up its
// UID, mark the reservation with it, mark it written, reserve the next value) on the local
// socket, and how many transponders per second one server records for 1, 4 and 16 stations at
// once, on a server with fsync on (each commit waits for the disk) and off. VESMOR_TEST_SHORT=1
// measures briefly.

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "app/db/job_store.h"
#include "app/db/schema.h"
#include "app/db/station_allocator.h"
#include "tests/db/pg_server.h"

namespace {

using Steady = std::chrono::steady_clock;
using namespace tagforge::db;

bool ShortMode() {
    const char* value = std::getenv("VESMOR_TEST_SHORT");
    return value != nullptr && *value != '\0' && std::string(value) != "0";
}

std::string Uid(int station, uint64_t n) {
    char text[40];
    std::snprintf(text, sizeof text, "E00401%02X%08llX", station,
                  static_cast<unsigned long long>(n));
    return text;
}

// One transponder's work; false when the database refused it.
bool OneTransponder(StationAllocator& station, int number, uint64_t n) {
    return station.ForTransponder(Uid(number, n), "bench").kind == Allocation::Kind::kValue &&
           station.Written().kind == Allocation::Kind::kValue;
}

DbJob MakeJob(PgSession& session, const std::string& name) {
    DbJob job;
    job.name = name;
    job.format = tagforge::kFormatDecimalAscii;
    job.byteCount = 12;
    job.first = 1;
    job.last = 999999999999ULL;
    if (const std::optional<DbError> error = CreateJob(session, job)) {
        std::fprintf(stderr, "%s\n", error->text.c_str());
        std::exit(1);
    }
    return job;
}

}  // namespace

int Figures(bool durable) {
    tagforge::test::PgServer server(durable);
    std::printf("%s\n", durable ? "server with fsync on (as in production):"
                                : "server with fsync off (as in the tests):");
    const std::string conninfo = server.Conninfo();
    PgSession admin(conninfo);
    if (InitSchema(admin)) {
        return 1;
    }
    const int samples = ShortMode() ? 300 : 5000;
    const auto window = ShortMode() ? std::chrono::milliseconds(700) : std::chrono::seconds(5);

    {
        const DbJob job = MakeJob(admin, "overhead");
        PgSession session(conninfo);
        StationAllocator station(session, job, "bench");
        station.Resume();
        std::vector<double> ms;
        for (int i = 0; i < samples; ++i) {
            const Steady::time_point start = Steady::now();
            if (!OneTransponder(station, 0, static_cast<uint64_t>(i))) {
                return 1;
            }
            ms.push_back(std::chrono::duration<double, std::milli>(Steady::now() - start).count());
        }
        std::sort(ms.begin(), ms.end());
        const double median = ms[ms.size() / 2];
        const double p99 = ms[ms.size() * 99 / 100];
        std::printf(
            "database work per transponder (%d): median %.3f ms, p99 %.3f ms "
            "(%.1f%% / %.1f%% of a 45 ms write step)\n",
            samples, median, p99, median / 45 * 100, p99 / 45 * 100);
    }

    double perSecondAt16 = 0;
    for (const int stations : {1, 4, 16}) {
        const DbJob job = MakeJob(admin, "rate" + std::to_string(stations));
        std::atomic<bool> stop{false};
        std::atomic<long> done{0};
        std::atomic<bool> failed{false};
        std::vector<std::thread> threads;
        const Steady::time_point start = Steady::now();
        for (int s = 0; s < stations; ++s) {
            threads.emplace_back([&, s] {
                PgSession session(conninfo);
                StationAllocator station(session, job, "S" + std::to_string(s));
                station.Resume();
                for (uint64_t n = 0; !stop.load(); ++n) {
                    if (!OneTransponder(station, s + 1, n)) {
                        failed = true;
                        return;
                    }
                    ++done;
                }
            });
        }
        std::this_thread::sleep_for(window);
        stop = true;
        for (std::thread& t : threads) {
            t.join();
        }
        const double seconds = std::chrono::duration<double>(Steady::now() - start).count();
        const double perSecond = static_cast<double>(done.load()) / seconds;
        if (stations == 16) {
            perSecondAt16 = perSecond;
        }
        std::printf("%2d stations at once: %.0f transponders/s recorded%s\n", stations, perSecond,
                    failed ? " (a station failed)" : "");
        if (failed) {
            return 1;
        }
    }
    // 1,300 tags per minute and station.
    const double perStation = 1300.0 / 60.0;
    std::printf("stations at 1,300 tags/min one server carries (from 16 at once): %.0f\n",
                perSecondAt16 / perStation);
    return 0;
}

int main() {
    return Figures(true) != 0 || Figures(false) != 0 ? 1 : 0;
}
