#include "library/frame.h"

#include <gtest/gtest.h>

#include <string>

#include "library/checksum.h"

namespace vesmor {
namespace {

CMyByteArray Frame(CMyByteArray tx, int type, uint8_t address = 1) {
    BuildFrame(tx, type, address);
    return tx;
}

TEST(Checksum, Crc16ModbusHasItsCheckValue) {
    const std::string digits = "123456789";
    EXPECT_EQ(Crc16Modbus(reinterpret_cast<const uint8_t*>(digits.data()), digits.size()), 0x4B37);
}

TEST(BuildFrame, CommandWithoutDataInEachProtocolType) {
    EXPECT_EQ(Frame({0xF0}, 0), (CMyByteArray{0x02, 0x01, 0xF0, 0x00, 0xF1}));
    EXPECT_EQ(Frame({0xF0}, 1), (CMyByteArray{0x01, 0xF0, 0x00, 0x64, 0x00}));
    EXPECT_EQ(Frame({0xF0}, 2), (CMyByteArray{0x1E, 0x0B, 0x00}));
    EXPECT_EQ(Frame({0xF0}, 3), (CMyByteArray{0x1E, 0x60, 0x00}));
}

TEST(BuildFrame, ReadSingleBlockInTypes0To2) {
    const CMyByteArray readBlock5 = {0x20, 0x02, 0x20, 0x05};
    EXPECT_EQ(Frame(readBlock5, 0), (CMyByteArray{0x02, 0x01, 0x20, 0x03, 0x02, 0x20, 0x05, 0x05}));
    EXPECT_EQ(Frame(readBlock5, 1), (CMyByteArray{0x01, 0x20, 0x03, 0x02, 0x20, 0x05, 0xF8, 0x4A}));
    EXPECT_EQ(Frame(readBlock5, 2), (CMyByteArray{0x1E, 0x28, 0x04, 0x00, 0x02, 0x20, 0x05}));
}

TEST(BuildFrame, ReturnsTheTranslatedCommandAsLastCommand) {
    CMyByteArray tx = {0x20, 0x02, 0x21, 0x05, 0xAA};
    EXPECT_EQ(BuildFrame(tx, 3, 1), 0x21);
    // Write Single Block marks type 3's inserted byte with 8.
    EXPECT_EQ(tx, (CMyByteArray{0x1E, 0x21, 0x05, 0x08, 0x02, 0x21, 0x05, 0xAA}));
    CMyByteArray tx2 = {0x20, 0x02, 0x21, 0x05};
    EXPECT_EQ(BuildFrame(tx2, 2, 1), 0x28);
    EXPECT_EQ(tx2[3], 1);
}

TEST(BuildFrame, UsesTheBusAddress) {
    EXPECT_EQ(Frame({0xF0}, 0, 5), (CMyByteArray{0x02, 0x05, 0xF0, 0x00, 0xF5}));
}

TEST(TranslateCommand, FollowsTheTableForTypes2And3) {
    struct Case {
        CMyByteArray in;
        int type;
        CMyByteArray out;
    } cases[] = {
        {{0x21, 7}, 2, {0x29, 7}},
        {{0x21}, 3, {0x29}},
        {{0xF5, 0, 9}, 2, {0x0D, 9}},
        {{0xF5, 1, 9}, 3, {0x0C, 9}},
        {{0xF6, 0, 0}, 2, {0x07, 0, 0}},
        {{0xF7}, 3, {0x07}},
        {{0xF9}, 2, {0x0E}},
        {{0xFA}, 3, {0xFA}},
        {{0xFF, 1}, 2, {0x0F, 1}},
        {{0xFF, 1}, 3, {0xFF, 1}},
        {{0xF4, 0}, 2, {0xF4, 0}},
        {{0xF0}, 0, {0xF0}},
    };
    for (Case& c : cases) {
        CMyByteArray tx = c.in;
        TranslateCommand(tx, c.type);
        EXPECT_EQ(tx, c.out) << "command " << int(c.in[0]) << " type " << c.type;
    }
}

TEST(AnswerCompleteness, PlainAnswersNeedTheirLength) {
    const uint8_t type0[] = {0x02, 0x01, 0x00, 0x02, 0xAA, 0xBB, 0x12};
    EXPECT_FALSE(IsAnswerComplete(type0, 6, 0));
    EXPECT_TRUE(IsAnswerComplete(type0, 7, 0));
    const uint8_t type2[] = {0x1E, 0x0B, 0x01, 0x33};
    EXPECT_FALSE(IsAnswerComplete(type2, 3, 2));
    EXPECT_TRUE(IsAnswerComplete(type2, 4, 2));
}

TEST(AnswerCompleteness, ChainedAnswersEndWithTerminatorAndChecksum) {
    // type 0: 02 01 00 FF | 02 AA BB | 00 | FF | BCC
    const uint8_t chained[] = {0x02, 0x01, 0x00, 0xFF, 0x02, 0xAA, 0xBB, 0x00, 0xFF, 0x77};
    for (size_t size = 4; size < sizeof chained; ++size) {
        EXPECT_FALSE(IsAnswerComplete(chained, size, 0)) << size;
    }
    EXPECT_TRUE(IsAnswerComplete(chained, sizeof chained, 0));
    // A block length running past the received bytes is not complete.
    const uint8_t pastEnd[] = {0x01, 0x00, 0xFF, 0x09, 0xFF, 0xFF, 0xFF};
    EXPECT_FALSE(IsAnswerComplete(pastEnd, sizeof pastEnd, 1));
    // Types 2 and 3 have no checksum after the terminator.
    const uint8_t type3[] = {0x1E, 0x21, 0xFF, 0xFF};
    EXPECT_TRUE(IsAnswerComplete(type3, 4, 3));
}

CMyByteArray Type0Answer(uint8_t status, CMyByteArray data) {
    CMyByteArray frame = {0x02, 0x01, status, static_cast<uint8_t>(data.GetSize())};
    frame.Append(data);
    frame.Add(Bcc(frame.GetData() + 1, frame.GetSize() - 1));
    return frame;
}

TEST(CheckAnswer, Type0StatusesMapToErrors) {
    struct Case {
        uint8_t status;
        bool accepted;
        int32_t error;
    } cases[] = {{0x00, true, 0},   {0x20, true, 32},  {0x03, false, 23}, {0x19, false, 23},
                 {0x07, false, 44}, {0x0B, false, 11}, {0x15, false, 21}};
    for (const Case& c : cases) {
        CMyByteArray answer = Type0Answer(c.status, {0x55});
        const AnswerCheck check = CheckAnswer(answer, 0, 0xF0);
        EXPECT_EQ(check.accepted, c.accepted) << int(c.status);
        EXPECT_EQ(check.error, c.error) << int(c.status);
        if (c.accepted) {
            EXPECT_EQ(answer, CMyByteArray{0x55});
        }
    }
}

TEST(CheckAnswer, Type1StatusPassesThroughAndCrcIsChecked) {
    CMyByteArray ok = {0x01, 0x00, 0x01, 0x42};
    const uint16_t crc = Crc16Modbus(ok.GetData(), ok.GetSize());
    ok.Add(crc & 0xFF);
    ok.Add(crc >> 8);
    CMyByteArray copy = ok;
    EXPECT_TRUE(CheckAnswer(copy, 1, 0xF0).accepted);
    EXPECT_EQ(copy, CMyByteArray{0x42});

    CMyByteArray stray = ok;
    stray.InsertAt(0, 0x99);  // no resynchronisation for type 1
    EXPECT_EQ(CheckAnswer(stray, 1, 0xF0).error, 10);

    CMyByteArray failed = {0x01, 0x13, 0x00};
    const uint16_t crc2 = Crc16Modbus(failed.GetData(), failed.GetSize());
    failed.Add(crc2 & 0xFF);
    failed.Add(crc2 >> 8);
    EXPECT_EQ(CheckAnswer(failed, 1, 0xF0).error, 19);
}

TEST(CheckAnswer, Type23StatusesAndCommandEcho) {
    struct Case {
        uint8_t status;
        int32_t error;
    } cases[] = {{0xA0, 24}, {0xA4, 20}, {0x88, 17}, {0xCC, 23},
                 {0xC4, 21}, {0xC5, 21}, {0x0C, 16}, {0x28, 0}};
    for (const Case& c : cases) {
        CMyByteArray answer = {0x1E, c.status, 0x01, 0x00};
        const AnswerCheck check = CheckAnswer(answer, 2, 0x28);
        EXPECT_EQ(check.accepted, c.error == 0) << int(c.status);
        EXPECT_EQ(check.error, c.error) << int(c.status);
    }
}

TEST(CheckAnswer, ChecksumAndEmptyBuffer) {
    CMyByteArray spoiled = Type0Answer(0, {1, 2});
    spoiled[spoiled.GetSize() - 1] ^= 1;
    EXPECT_EQ(CheckAnswer(spoiled, 0, 0xF0).error, 10);
    CMyByteArray empty;
    EXPECT_EQ(CheckAnswer(empty, 0, 0xF0).error, 12);
    // A late duplicate taken together with the answer spoils the checksum.
    CMyByteArray doubled = Type0Answer(0, {1, 2});
    doubled.Append(Type0Answer(0, {1, 2}));
    EXPECT_EQ(CheckAnswer(doubled, 0, 0xF0).error, 10);
}

TEST(CheckAnswer, ChainedAnswersLoseTerminatorAndChecksum) {
    CMyByteArray empty = {0x02, 0x01, 0x00, 0xFF, 0xFF};
    empty.Add(Bcc(empty.GetData() + 1, empty.GetSize() - 1));
    EXPECT_TRUE(CheckAnswer(empty, 0, 0x20).accepted);
    EXPECT_TRUE(empty.IsEmpty());

    CMyByteArray blocks = {0x1E, 0x28, 0xFF, 0x02, 0xAA, 0xBB, 0xFF};
    EXPECT_TRUE(CheckAnswer(blocks, 2, 0x28).accepted);
    EXPECT_EQ(blocks, (CMyByteArray{0x02, 0xAA, 0xBB}));
}

TEST(CheckIsoAnswer, ResponseFlagsAndErrorCodes) {
    CMyByteArray ok = {0x00, 0x11, 0x22};
    EXPECT_TRUE(CheckIsoAnswer(ok, 0).accepted);
    EXPECT_EQ(ok, (CMyByteArray{0x11, 0x22}));

    const std::pair<uint8_t, int32_t> codes[] = {
        {0x01, 32}, {0x02, 33}, {0x03, 34},   {0x0F, 35},   {0x10, 36}, {0x11, 37}, {0x12, 38},
        {0x13, 39}, {0x14, 40}, {0xA0, 0xA0}, {0xDF, 0xDF}, {0xE0, 41}, {0x04, 41}};
    for (const auto& [iso, code] : codes) {
        CMyByteArray answer = {0x01, iso};
        EXPECT_EQ(CheckIsoAnswer(answer, 0).error, code) << int(iso);
    }
    CMyByteArray noCode = {0x01};
    EXPECT_EQ(CheckIsoAnswer(noCode, 0).error, 42);
    CMyByteArray empty;
    EXPECT_EQ(CheckIsoAnswer(empty, 1).error, 42);
}

TEST(CheckIsoAnswer, Type2PrefixByte) {
    const std::pair<uint8_t, int32_t> prefixes[] = {{1, 21}, {2, 23}, {8, 10}};
    for (const auto& [prefix, code] : prefixes) {
        CMyByteArray answer = {prefix, 0x00, 0x11};
        EXPECT_EQ(CheckIsoAnswer(answer, 2).error, code);
    }
    CMyByteArray onlyPrefix = {0x00};
    EXPECT_EQ(CheckIsoAnswer(onlyPrefix, 2).error, 9);
    CMyByteArray ok = {0x00, 0x00, 0x11};
    EXPECT_TRUE(CheckIsoAnswer(ok, 2).accepted);
    EXPECT_EQ(ok, CMyByteArray{0x11});
}

}  // namespace
}  // namespace vesmor
