// Connecting the window's engine to a reader: identification, title, refusals.

#include <gtest/gtest.h>

#include "library/model_table.h"
#include "tests/app_engine/engine_fixture.h"
#include "vesmor.h"

namespace tagforge::test {
namespace {

constexpr uint8_t kSetReaderOption = 0xF4;

using ConnectTest = EngineTest;

TEST_F(ConnectTest, TitleNamesModelConnectionAndFirmware) {
    Connect();
    EXPECT_GT(stack.connection.Handle(), 0);
    const std::string expected = "VESMOR Tagforge V" + ProductVersion() + " <" +
                                 vesmor::ModelName(0x125) + " " + ConnectionName() + "  FW V1.07>";
    EXPECT_EQ(view.title, expected);
    EXPECT_EQ(stack.connection.Title(), expected);
    EXPECT_TRUE(view.messageBoxes.empty());
}

TEST_F(ConnectTest, SetsReaderOptionZeroOnceAfterIdentifying) {
    Connect();
    int optionRequests = 0;
    for (const vesmor::sim::Request& request : link.Requests()) {
        if (request.command == kSetReaderOption) {
            ++optionRequests;
            ASSERT_FALSE(request.data.empty());
            EXPECT_EQ(request.data.back(), 0);
        }
    }
    EXPECT_EQ(optionRequests, 1);
}

TEST_F(ConnectTest, MissingDeviceShowsPortErrorAndKeepsNegativeHandle) {
    EXPECT_FALSE(stack.connection.Connect({"/dev/tagforge-no-such-port:1", 19200, 200}));
    EXPECT_LT(stack.connection.Handle(), 0);
    EXPECT_FALSE(stack.connection.IsOpen());
    ASSERT_EQ(view.messageBoxes.size(), 1u);
    EXPECT_EQ(view.messageBoxes[0], "Fehler beim Port öffnen");
    EXPECT_EQ(view.title, "VESMOR Tagforge V" + ProductVersion() + " <>");
    stack.connection.Close();  // nothing to close for a negative handle
    EXPECT_EQ(view.messageBoxes.size(), 1u);
}

TEST_F(ConnectTest, CloseReleasesThePortAndSetsHandleZero) {
    Connect();
    const int32_t handle = stack.connection.Handle();
    stack.connection.Close();
    EXPECT_EQ(stack.connection.Handle(), 0);
    EXPECT_EQ(VESMOR_IsProgrammer(handle), -1);
    EXPECT_TRUE(view.messageBoxes.empty());
}

class FirmwareLetterTest : public EngineTest {
  protected:
    FirmwareLetterTest() : EngineTest(Programmer(0x125, 'A')) {}
};

TEST_F(FirmwareLetterTest, FirmwareLetterCountsFromTen) {
    Connect();
    EXPECT_NE(view.title.find("  FW V1.10>"), std::string::npos) << view.title;
}

class ReaderOnlyTest : public EngineTest {
  protected:
    ReaderOnlyTest() : EngineTest(Programmer(0x144)) {}
};

TEST_F(ReaderOnlyTest, ReaderOnlyDeviceIsClosedAtOnce) {
    EXPECT_FALSE(stack.connection.Connect({ConnectionName(), 19200, 500}));
    EXPECT_EQ(stack.connection.Handle(), 0);
    ASSERT_EQ(view.messageBoxes.size(), 1u);
    EXPECT_EQ(view.messageBoxes[0],
              "Das gewählte Gerät ist ein reiner Leser! Hier wird jedoch ein Programmer "
              "benötigt!");
    // The port was really released: it opens again (a port still open refuses a second open).
    const int32_t again = VESMOR_OpenPort(link.Path().c_str(), 19200, 300);
    EXPECT_GT(again, 0);
    VESMOR_ClosePort(again);
}

TEST(TitleVersion, FallsBackForEmptyOrOverlongVersions) {
    EXPECT_EQ(TitleVersion("1.0.0"), "1.0.0");
    EXPECT_EQ(TitleVersion(""), "1.xx");
    EXPECT_EQ(TitleVersion(std::string(19, '9')), std::string(19, '9'));
    EXPECT_EQ(TitleVersion(std::string(20, '9')), "1.xx");
}

}  // namespace
}  // namespace tagforge::test
