// Random write jobs through the checks, the conversions, the format switch and the increment.
// Whatever the operator types, nothing crashes and a converted value covers whole blocks; and a
// value that passed the checks, once written and read back, converts to the very same bytes
// again, so a read value copied into the write field writes what the transponder holds.

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "app/core/increment.h"
#include "app/core/value_format.h"
#include "common/input_check.h"
#include "tests/app_core/make_job.h"

namespace tagforge {
namespace {

using Rng = std::mt19937;

int Uniform(Rng& rng, int low, int high) {
    return std::uniform_int_distribution<int>(low, high)(rng);
}

// Texts made of what the formats care about: digits, hex letters, blanks, affixes, and now and
// then anything at all.
std::string RandomText(Rng& rng, bool printableOnly) {
    static const std::string kAlphabet = "0123456789abcdefABCDEF -xyZ_#";
    std::string text;
    const int length = Uniform(rng, 0, Uniform(rng, 0, 1) ? 12 : 40);
    for (int i = 0; i < length; ++i) {
        if (!printableOnly && Uniform(rng, 0, 19) == 0)
            text += static_cast<char>(Uniform(rng, 0, 255));
        else
            text += kAlphabet[static_cast<size_t>(Uniform(rng, 0, int(kAlphabet.size()) - 1))];
    }
    return text;
}

WriteJob RandomJob(Rng& rng, bool printableOnly) {
    JobOptions options;
    options.autoNull = Uniform(rng, 0, 1);
    options.prefix = Uniform(rng, 0, 1);
    options.autoIncrement = Uniform(rng, 0, 1);
    options.startblock = Uniform(rng, 0, 9) == 0 ? Uniform(rng, -5, 3000) : Uniform(rng, 0, 8);
    const int format = Uniform(rng, 0, 19) == 0 ? Uniform(rng, -2, 8) : Uniform(rng, 0, 5);
    const int bytes = Uniform(rng, 0, 9) == 0 ? Uniform(rng, -3, 1100) : Uniform(rng, 1, 24);
    return MakeJob(format, bytes, RandomText(rng, printableOnly), options);
}

TagGeometry RandomTag(Rng& rng) {
    TagGeometry tag;
    tag.blockCount = static_cast<uint32_t>(Uniform(rng, 0, 4) == 0 ? 0 : Uniform(rng, 1, 2048));
    tag.blockSize = static_cast<uint32_t>(Uniform(rng, 0, 9) == 0 ? Uniform(rng, 0, 32)
                                                                  : 4 * Uniform(rng, 1, 2));
    tag.icManufacturer = Uniform(rng, 0, 5) == 0 ? kIcManufacturerInfineon : 2;
    return tag;
}

TEST(RandomJobs, AnyInputConvertsToWholeBlocksOrAStatusMessage) {
    Rng rng(20261208);
    for (int i = 0; i < 20000; ++i) {
        const WriteJob job = RandomJob(rng, false);
        const TagGeometry tag = RandomTag(rng);
        SCOPED_TRACE(::testing::Message()
                     << "run " << i << " format " << job.Datenformat << " bytes " << job.Byteanzahl
                     << " text \"" << job.LastData << '"');
        const CheckResult check = CheckJob(job);
        const BlockData data = ConvertForWrite(job, tag);
        if (data.Ok()) {
            ASSERT_GE(data.blocksToWrite, 1u);
            ASSERT_EQ(data.bytes.size(), size_t{data.blocksToWrite} * tag.blockSize);
            ASSERT_LE(uint64_t{static_cast<uint32_t>(job.Startblock)} + data.blocksToWrite,
                      tag.blockCount);
        } else {
            ASSERT_TRUE(data.bytes.empty());
        }
        for (int format = 0; format < kFormatCount; ++format)
            SwitchFormat(job, format, tag);
        IncrementText(job);
        if (check.Ok()) {
            LeadingZeroToggleText(job);
            AfterWrite(job);
        }
        const std::string raw = RandomText(rng, false);
        RenderBytes({reinterpret_cast<const uint8_t*>(raw.data()), raw.size()}, Uniform(rng, -1, 6),
                    Uniform(rng, -2, 1100));
    }
}

TEST(RandomJobs, ACheckedValueReadBackConvertsToTheSameBytes) {
    Rng rng(4711);
    int roundTrips = 0;
    for (int i = 0; i < 20000; ++i) {
        WriteJob job = RandomJob(rng, true);
        const TagGeometry tag{256, 4, 2};
        if (!CheckJob(job).Ok())
            continue;
        const BlockData written = ConvertForWrite(job, tag);
        if (!written.Ok())
            continue;
        const RenderedText read = RenderBytes(written.bytes, job.Datenformat, job.Byteanzahl);
        if (read.messageId != 0)
            continue;
        SCOPED_TRACE(::testing::Message()
                     << "format " << job.Datenformat << " bytes " << job.Byteanzahl << " text \""
                     << job.LastData << "\" read \"" << read.text << '"');
        job.LastData = read.text;
        const BlockData again = ConvertForWrite(job, tag);
        ASSERT_TRUE(again.Ok()) << again.messageId;
        ASSERT_EQ(again.bytes, written.bytes);
        ++roundTrips;
    }
    EXPECT_GT(roundTrips, 1000);
}

}  // namespace
}  // namespace tagforge
