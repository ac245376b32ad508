// Keeping the list in step with devices: the refresh rule, device events with their busy flag,
// the missing-driver question between two passes, and the follow-up timer.

#include <gtest/gtest.h>

#include "common/messages.h"
#include "tests/periphery_port/port_fakes.h"

namespace tagforge::test {
namespace {

using Kind = InterfaceKind;
using Strings = std::vector<std::string>;

class DeviceEvents : public ::testing::Test, protected PortChoiceFixture {
  protected:
    void SetUp() override {
        library.lists[Kind::kSerial] = {"/dev/ttyS0", "/dev/ttyUSB0"};
        profile.strings["Port/Name"] = "/dev/ttyUSB0";
    }

    // The timer fires and the refresh it posts is handled.
    void TimerFires() {
        choice->OnTimer(view.timerId);
        DeliverPosted();
    }
};

TEST_F(DeviceEvents, RefreshReportsEveryKindOfDifference) {
    PortChoice& choice = Make();
    Strings stored;
    library.lists[Kind::kUsb] = {"a HID", "b HID"};
    EXPECT_TRUE(choice.RefreshInterfaceList(Kind::kUsb, stored)) << "appended";
    EXPECT_FALSE(choice.RefreshInterfaceList(Kind::kUsb, stored));
    library.lists[Kind::kUsb] = {"a HID", "c HID"};
    EXPECT_TRUE(choice.RefreshInterfaceList(Kind::kUsb, stored)) << "overwritten";
    EXPECT_EQ(stored, (Strings{"a HID", "c HID"}));
    library.lists[Kind::kUsb] = {"a HID"};
    EXPECT_TRUE(choice.RefreshInterfaceList(Kind::kUsb, stored)) << "removed";
    EXPECT_EQ(stored, Strings{"a HID"});
    library.lists[Kind::kUsb] = {"A HID"};
    EXPECT_TRUE(choice.RefreshInterfaceList(Kind::kUsb, stored)) << "case counts";
    library.failingLists = true;
    EXPECT_TRUE(choice.RefreshInterfaceList(Kind::kUsb, stored));
    EXPECT_TRUE(stored.empty()) << "a failing call lists nothing";
}

TEST(InterfaceListBuffer, NamesComeInBufferOrderUpToTheEmptyName) {
    FakeInterfaces library;
    library.lists[Kind::kSerial] = {"/dev/ttyS0", "/dev/ttyACM0 [Vek Virtual COM]", ""};
    EXPECT_EQ(FetchInterfaceList(library, Kind::kSerial),
              (Strings{"/dev/ttyS0", "/dev/ttyACM0 [Vek Virtual COM]"}));
    EXPECT_EQ(library.bufferSizes, std::vector<int32_t>{kInterfaceListBytes});
}

TEST_F(DeviceEvents, TimedRefreshWithTheSameDevicesLeavesTheListAlone) {
    MakeInitialized();
    view.selected = -1;
    const int fills = view.fills;
    choice->OnDeviceChange(kRefreshRequest);
    EXPECT_EQ(view.fills, fills);
    EXPECT_EQ(view.selected, 1) << "the current name is selected again";
    EXPECT_EQ(library.fetches[Kind::kSerial], 2);
}

TEST_F(DeviceEvents, ChangedDevicesRefillTheListAndReselectTheCurrentName) {
    MakeInitialized();
    library.lists[Kind::kSerial] = {"/dev/ttyACM0", "/dev/ttyS0", "/dev/ttyUSB0"};
    choice->OnDeviceChange(kDeviceArrival);
    EXPECT_EQ(view.entries, (Strings{"/dev/ttyACM0", "/dev/ttyS0", "/dev/ttyUSB0"}));
    EXPECT_EQ(view.selected, 2);
}

TEST_F(DeviceEvents, EthernetOffEmptiesTheLanListAsAChange) {
    profile.ints["Port/EthernetAktiv"] = 1;
    library.lists[Kind::kLan] = {"192.168.0.10"};
    MakeInitialized();
    ASSERT_EQ(view.entries.size(), 3u);
    choice->OnEthernetClicked({"1000", false, "1"});
    DeliverPosted();
    EXPECT_EQ(view.entries, (Strings{"/dev/ttyS0", "/dev/ttyUSB0"}));
    EXPECT_EQ(library.fetches[Kind::kLan], 1) << "only when the dialog was filled";
}

TEST_F(DeviceEvents, ArrivalIsFollowedByFiveTimedRefreshesASecondApart) {
    MakeInitialized();
    choice->OnDeviceChange(kDeviceArrival);
    EXPECT_EQ(view.timerId, PortChoice::kRefreshTimerId);
    EXPECT_EQ(view.timerPeriodMs, 1000);
    EXPECT_EQ(choice->RefreshCountdown(), 1);
    const int fetchesAfterArrival = library.fetches[Kind::kSerial];
    int refreshes = 0;
    while (view.timerId != 0 && refreshes < 10) {
        TimerFires();
        ++refreshes;
    }
    EXPECT_EQ(refreshes, PortChoice::kFollowUpRefreshes);
    EXPECT_EQ(library.fetches[Kind::kSerial] - fetchesAfterArrival, 5);
    EXPECT_EQ(choice->RefreshCountdown(), 0);
}

TEST_F(DeviceEvents, NodesChangedRestartsTheCountdown) {
    MakeInitialized();
    choice->OnDeviceChange(kDeviceArrival);
    TimerFires();
    TimerFires();
    EXPECT_EQ(choice->RefreshCountdown(), 3);
    choice->OnDeviceChange(kDeviceNodesChanged);
    EXPECT_EQ(choice->RefreshCountdown(), 1);
    EXPECT_EQ(view.timerId, PortChoice::kRefreshTimerId);
}

TEST_F(DeviceEvents, OwnRefreshOutsideAFollowUpStartsNoTimer) {
    MakeInitialized();
    choice->OnDeviceChange(kRefreshRequest);
    EXPECT_EQ(view.timerId, 0);
    EXPECT_EQ(choice->RefreshCountdown(), 0);
}

TEST_F(DeviceEvents, TimerOfAnotherIdIsIgnored) {
    MakeInitialized();
    choice->OnDeviceChange(kDeviceArrival);
    choice->OnTimer(7);
    EXPECT_TRUE(view.posted.empty());
    EXPECT_EQ(view.timerId, PortChoice::kRefreshTimerId);
}

TEST_F(DeviceEvents, OtherEventsRefreshNothing) {
    MakeInitialized();
    const int fetches = library.TotalFetches();
    choice->OnDeviceChange(0x8004);
    EXPECT_EQ(library.TotalFetches(), fetches);
}

TEST_F(DeviceEvents, MissingDriversAreAskedAboutBetweenTwoPasses) {
    library.missingDrivers = 3;
    MakeInitialized();
    const int fetches = library.fetches[Kind::kSerial];
    choice->OnDeviceChange(kDeviceArrival);
    ASSERT_EQ(view.questions.size(), 1u);
    EXPECT_EQ(view.questions[0],
              (std::vector<int>{kMsgNoFtdiDriver, kMsgNoVirtualComDriver, kMsgLoadDriver}));
    EXPECT_EQ(library.driverChecks, 1) << "not checked after the second pass";
    EXPECT_EQ(library.fetches[Kind::kSerial] - fetches, 2);
    EXPECT_EQ(view.pagesOpened, 0) << "answered No";
    EXPECT_TRUE(view.waits.empty());
}

TEST_F(DeviceEvents, YesOpensTheDriverPageAndWaits) {
    library.missingDrivers = 2;
    view.answerYes = true;
    MakeInitialized();
    choice->OnDeviceChange(kRefreshRequest);
    EXPECT_EQ(view.questions[0], (std::vector<int>{kMsgNoVirtualComDriver, kMsgLoadDriver}));
    EXPECT_EQ(view.pagesOpened, 1);
    EXPECT_EQ(view.waits, std::vector<int>{2000});
}

TEST_F(DeviceEvents, CompleteDriversMeanOnePassAndNoQuestion) {
    MakeInitialized();
    const int fetches = library.fetches[Kind::kSerial];
    choice->OnDeviceChange(kDeviceArrival);
    EXPECT_TRUE(view.questions.empty());
    EXPECT_EQ(library.fetches[Kind::kSerial] - fetches, 1);
}

TEST_F(DeviceEvents, EventDuringTheDriverQuestionReturnsAtOnce) {
    library.missingDrivers = 1;
    MakeInitialized();
    int countdownInside = -1;
    int fetchesInside = 0;
    view.duringQuestion = [&] {
        const int fetches = library.TotalFetches();
        const int questions = static_cast<int>(view.questions.size());
        choice->OnDeviceChange(kDeviceArrival);
        fetchesInside = library.TotalFetches() - fetches;
        countdownInside = choice->RefreshCountdown();
        EXPECT_EQ(static_cast<int>(view.questions.size()), questions);
    };
    choice->OnDeviceChange(kRefreshRequest);
    EXPECT_EQ(fetchesInside, 0);
    EXPECT_EQ(countdownInside, 0) << "the nested arrival did not touch the countdown";
    EXPECT_EQ(view.timerId, 0);
    view.duringQuestion = nullptr;
    choice->OnDeviceChange(kDeviceArrival);
    EXPECT_EQ(view.questions.size(), 2u) << "the busy flag was cleared";
}

TEST(DeviceEventCodes, UdevActionsMapToArrivalAndNodesChanged) {
    EXPECT_EQ(DeviceEventCode("add"), kDeviceArrival);
    EXPECT_EQ(DeviceEventCode("remove"), kDeviceArrival);
    EXPECT_EQ(DeviceEventCode("change"), kDeviceNodesChanged);
    EXPECT_EQ(DeviceEventCode("bind"), 0);
    EXPECT_EQ(DeviceEventCode(""), 0);
}

}  // namespace
}  // namespace tagforge::test
