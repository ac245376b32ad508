// OK and "Ethernet aktivieren": the fields read back with their checks, and what is written to
// section "Port".

#include <gtest/gtest.h>

#include "tests/periphery_port/port_fakes.h"

namespace tagforge::test {
namespace {

using Kind = InterfaceKind;
using Strings = std::vector<std::string>;
using Field = PortChoiceView::Field;

const Strings kBaudEntries = {"2400", "4800", "9600", "19200"};

class OkButton : public ::testing::Test, protected PortChoiceFixture {
  protected:
    void SetUp() override {
        library.lists[Kind::kSerial] = {"/dev/ttyS0", "/dev/ttyUSB0"};
        profile.strings["Port/Name"] = "/dev/ttyS0";
        MakeInitialized();
        profile.writes.clear();
    }

    bool Ok(const PortFields& fields, const SerialChoice& serial = {3, 0, 0}) {
        return choice->OnOk(fields, serial, kBaudEntries);
    }
};

TEST_F(OkButton, WritesTheSelectionAndTheFields) {
    view.selected = 1;
    EXPECT_TRUE(Ok({"750", true, "12"}, {3, 1, 1}));
    EXPECT_EQ(profile.writes, (Strings{"Port/Name", "Port/Baudrate", "Port/Timeout", "Port/Adresse",
                                       "Port/EthernetAktiv"}));
    EXPECT_EQ(profile.strings["Port/Name"], "/dev/ttyUSB0");
    EXPECT_EQ(profile.ints["Port/Baudrate"], 19201);
    EXPECT_EQ(profile.ints["Port/Timeout"], 750);
    EXPECT_EQ(profile.ints["Port/Adresse"], 12);
    EXPECT_EQ(profile.ints["Port/EthernetAktiv"], 1);
    EXPECT_EQ(choice->GetOpenString(), "/dev/ttyUSB0:12");
}

TEST_F(OkButton, WithoutSelectionNeitherNameNorBaudrateIsWritten) {
    view.selected = -1;
    EXPECT_TRUE(Ok({"1000", false, "1"}, {-1, 0, 0}));
    EXPECT_EQ(profile.writes, (Strings{"Port/Timeout", "Port/Adresse", "Port/EthernetAktiv"}));
    EXPECT_EQ(choice->EncodedBaud(), 19200);
}

struct FieldCase {
    PortFields fields;
    Field field;
    const char* message;
};

TEST_F(OkButton, RefusedFieldKeepsTheDialogOpenAndWritesNothing) {
    const FieldCase cases[] = {
        {{"", false, "1"}, Field::kTimeout, "Geben Sie eine positive ganze Zahl ein."},
        {{"-5", false, "1"}, Field::kTimeout, "Geben Sie eine positive ganze Zahl ein."},
        {{"9", false, "1"},
         Field::kTimeout,
         "Geben Sie eine ganze Zahl zwischen 10 und 300000 ein."},
        {{"300001", false, "1"},
         Field::kTimeout,
         "Geben Sie eine ganze Zahl zwischen 10 und 300000 ein."},
        {{"1000", false, ""}, Field::kAddress, "Geben Sie eine ganze Zahl ein."},
        {{"1000", false, "x"}, Field::kAddress, "Geben Sie eine ganze Zahl ein."},
        {{"1000", false, "0"},
         Field::kAddress,
         "Geben Sie eine ganze Zahl zwischen 1 und 255 ein."},
        {{"1000", false, "256"},
         Field::kAddress,
         "Geben Sie eine ganze Zahl zwischen 1 und 255 ein."},
    };
    for (const FieldCase& c : cases) {
        view.errors.clear();
        EXPECT_FALSE(Ok(c.fields)) << c.message;
        ASSERT_EQ(view.errors.size(), 1u);
        EXPECT_EQ(view.errors[0].field, c.field);
        EXPECT_EQ(view.errors[0].text, c.message);
    }
    EXPECT_TRUE(profile.writes.empty());
}

TEST_F(OkButton, BoundsAreValid) {
    EXPECT_TRUE(Ok({"10", false, "255"}));
    EXPECT_TRUE(Ok({"300000", false, "1"}));
    EXPECT_TRUE(view.errors.empty());
}

TEST_F(OkButton, FieldsBeforeAFailedCheckAreTakenOver) {
    EXPECT_FALSE(Ok({"4000", true, "999"}));
    EXPECT_EQ(choice->Timeout(), 4000u);
    EXPECT_TRUE(choice->EthernetEnabled());
    EXPECT_EQ(choice->Address(), 1);
}

TEST_F(OkButton, EthernetClickReadsBackRefreshesAndShowsTheIpSearch) {
    choice->OnEthernetClicked({"1000", true, "1"});
    EXPECT_TRUE(choice->EthernetEnabled());
    EXPECT_TRUE(view.lanSearch);
    EXPECT_EQ(view.posted, std::vector<int>{kRefreshRequest});
    choice->OnEthernetClicked({"", false, "1"});
    EXPECT_EQ(view.errors.size(), 1u);
    EXPECT_TRUE(choice->EthernetEnabled()) << "the timeout failed before the box was read";
    EXPECT_FALSE(view.lanSearch) << "shown as the box says";
    EXPECT_EQ(view.posted.size(), 2u);
    EXPECT_TRUE(profile.writes.empty());
}

TEST_F(OkButton, IpSearchRefreshesOnlyWithEthernetOn) {
    choice->OnLanSearch();
    EXPECT_TRUE(view.posted.empty());
    choice->OnEthernetClicked({"1000", true, "1"});
    view.posted.clear();
    choice->OnLanSearch();
    EXPECT_EQ(view.posted, std::vector<int>{kRefreshRequest});
    EXPECT_EQ(view.lanSearches, 1) << "the search window runs only with Ethernet on";
    EXPECT_EQ(choice->CurrentName(), "/dev/ttyS0") << "nothing was chosen";
}

TEST_F(OkButton, ReaderChosenInTheSearchBecomesTheCurrentLanName) {
    choice->OnEthernetClicked({"1000", true, "1"});
    view.lanSearchResult = "192.168.0.10-10001";
    choice->OnLanSearch();
    EXPECT_EQ(choice->CurrentName(), "LAN: 192.168.0.10-10001");
    view.lanSearchResult = "[QX-Lager]192.168.0.11-10001";
    choice->OnLanSearch();
    EXPECT_EQ(choice->CurrentName(), "LAN: [QX-Lager]") << "a DHCP reader goes by its name";
    view.lanSearchResult = "]odd";
    choice->OnLanSearch();
    EXPECT_EQ(choice->CurrentName(), "LAN: ]odd") << "a \"]\" in first place cuts nothing";
    EXPECT_EQ(view.posted, (std::vector<int>{kRefreshRequest, kRefreshRequest, kRefreshRequest,
                                             kRefreshRequest}));
}

}  // namespace
}  // namespace tagforge::test
