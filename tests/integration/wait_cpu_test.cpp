// A waiting call sleeps: opening a silent port must not burn a processor core.

#include <gtest/gtest.h>

#include "tests/integration/sim_fixture.h"

namespace vesmor::test {
namespace {

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
