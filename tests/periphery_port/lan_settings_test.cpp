// LAN reader names and settings: dotted addresses and masks as typed, the texts of
// VESMOR_GetLanConfig read back into the settings window's fields, and the two searches merged.

#include "periphery/lan_settings.h"

#include <gtest/gtest.h>

namespace tagforge {
namespace {

TEST(DottedAddress, TakesFourOctetsAndNothingElse) {
    EXPECT_EQ(ParseDottedAddress("10.77.0.2"), (Ipv4Octets{10, 77, 0, 2}));
    EXPECT_EQ(ParseDottedAddress("255.255.255.0"), (Ipv4Octets{255, 255, 255, 0}));
    for (const char* bad : {"", "10.77.0", "10.77.0.2.1", "10.77.0.256", "10..0.2", "10.77.0.2 ",
                            "+1.2.3.4", "1.2.3.0004", "a.b.c.d", "10.77.0.-1"}) {
        EXPECT_FALSE(ParseDottedAddress(bad).has_value()) << bad;
    }
    EXPECT_EQ(DottedText({192, 168, 0, 10}), "192.168.0.10");
}

TEST(SubnetMask, CountsHostBitsOfAnUnbrokenMaskOnly) {
    EXPECT_EQ(MaskHostBits({255, 255, 255, 0}), 8);
    EXPECT_EQ(MaskHostBits({255, 255, 252, 0}), 10);
    EXPECT_EQ(MaskHostBits({255, 255, 255, 255}), 0);
    EXPECT_EQ(MaskHostBits({128, 0, 0, 0}), 31);
    EXPECT_FALSE(MaskHostBits({255, 0, 255, 0}).has_value());
    EXPECT_FALSE(MaskHostBits({255, 255, 255, 1}).has_value());
    EXPECT_FALSE(MaskHostBits({0, 0, 0, 0}).has_value()) << "no network part at all";
}

TEST(LanAddressText, SplitsAPortOnlyWhenDigitsFollowTheLastDash) {
    EXPECT_EQ(SplitLanPort("10.77.0.2-5000").host, "10.77.0.2");
    EXPECT_EQ(SplitLanPort("10.77.0.2-5000").port, 5000);
    EXPECT_FALSE(SplitLanPort("10.77.0.2").port.has_value());
    EXPECT_EQ(SplitLanPort("[lab-reader]").host, "[lab-reader]") << "a dash inside the name";
    EXPECT_TRUE(IsValidLanAddress("10.77.0.2"));
    EXPECT_TRUE(IsValidLanAddress("10.77.0.2-65535"));
    for (const char* bad : {"10.77.0.2-0", "10.77.0.2-65536", "10.77.0.2-", "10.77.0.2-x", "reader",
                            "10.77.0.300-10001"}) {
        EXPECT_FALSE(IsValidLanAddress(bad)) << bad;
    }
}

TEST(DhcpName, FitsTheRecordsAndTheBrackets) {
    EXPECT_TRUE(IsValidDhcpName("QX-Lager"));
    EXPECT_TRUE(IsValidDhcpName("abcdefghijklmno"));
    for (const char* bad : {"", "abcdefghijklmnop", "a]b", "[ab", "zwei Worte", "Größe"}) {
        EXPECT_FALSE(IsValidDhcpName(bad)) << bad;
    }
}

TEST(LanConfigTexts, FixedAddressGivesModeAddressAndPort) {
    const LanSettings s =
        SettingsFromLanConfig("[QX-Lager]-5000", "10.77.0.2-5000", "255.255.255.0", "10.77.0.1");
    EXPECT_FALSE(s.dhcp);
    EXPECT_EQ(s.address, "10.77.0.2");
    EXPECT_EQ(s.port, 5000);
    EXPECT_EQ(s.name, "QX-Lager");
    EXPECT_EQ(s.mask, "255.255.255.0");
    EXPECT_EQ(s.gateway, "10.77.0.1");
    EXPECT_EQ(SettingsFromLanConfig("", "10.77.0.2", "", "").port, kDefaultLanPort);
}

TEST(LanConfigTexts, DhcpReaderTakesItsPortFromTheName) {
    const LanSettings s = SettingsFromLanConfig("[lab-reader]-4000", "", "0.0.0.0", "0.0.0.0");
    EXPECT_TRUE(s.dhcp);
    EXPECT_EQ(s.address, "");
    EXPECT_EQ(s.name, "lab-reader");
    EXPECT_EQ(s.port, 4000);
    EXPECT_EQ(SettingsFromLanConfig("[lab]", "", "", "").port, kDefaultLanPort);
    EXPECT_EQ(SettingsFromLanConfig("plain name", "", "", "").name, "plain name")
        << "a name without brackets is taken whole";
}

TEST(LanConfigTexts, NewAddressIsTheModesAddressWithThePort) {
    EXPECT_EQ(NewLanAddressText(false, "10.77.0.3", "ignored", 10001), "10.77.0.3-10001");
    EXPECT_EQ(NewLanAddressText(true, "10.77.0.3", "QX-Lager", 4000), "[QX-Lager]-4000");
}

TEST(LanSearch, ReaderSeenByBothSearchesIsListedOnceWithItsFullText) {
    const std::vector<LanSearchEntry> entries =
        MergeLanSearches({"10.77.0.2-10001", "[QX-Lager]"},
                         {"10.77.0.2-10001", "10.77.0.9-10001", "[QX-Lager]10.77.0.5-10001"});
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].text, "10.77.0.2-10001");
    EXPECT_TRUE(entries[0].reader);
    EXPECT_EQ(entries[1].text, "[QX-Lager]10.77.0.5-10001") << "replaced in its place";
    EXPECT_TRUE(entries[1].reader);
    EXPECT_EQ(entries[2].text, "10.77.0.9-10001");
    EXPECT_FALSE(entries[2].reader) << "answered the search but is no reader of the family";
}

TEST(LanSearch, ChosenEntryIsListedByItsBracketedNameOrWhole) {
    EXPECT_EQ(LanListName("[QX-Lager]10.77.0.5-10001"), "[QX-Lager]");
    EXPECT_EQ(LanListName("10.77.0.2-10001"), "10.77.0.2-10001");
    EXPECT_EQ(LanSearchKey("[QX-Lager]10.77.0.5-10001"), "[QX-Lager]");
    EXPECT_EQ(LanSearchKey("10.77.0.2-10001"), "10.77.0.2-10001");
}

}  // namespace
}  // namespace tagforge
