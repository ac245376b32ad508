// A waiting call sleeps: opening a silent port must not burn a processor core.

#include <sys/resource.h>

#include <gtest/gtest.h>

#include "tests/integration/sim_fixture.h"

namespace vesmor::test {
namespace {

double ProcessCpuMs() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1000.0 +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1000.0;
}

TEST(WaitCpu, SilentOpenUsesFarLessThanFivePercentOfACore) {
    sim::PtyLink reader(Reader(0));
    sim::Faults faults;
    faults.silent = true;
    reader.SetFaults(faults);
    const double cpuBefore = ProcessCpuMs();
    const long long wallMs =
        TimeMs([&] { EXPECT_EQ(VESMOR_OpenPort(reader.Path().c_str(), 19200, 500), -11); });
    const double cpuPercent = 100.0 * (ProcessCpuMs() - cpuBefore) / static_cast<double>(wallMs);
    RecordProperty("cpu_percent", std::to_string(cpuPercent));
    EXPECT_LT(cpuPercent, 5.0);
}

}  // namespace
}  // namespace vesmor::test
