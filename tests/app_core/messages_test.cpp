#include <gtest/gtest.h>

#include <string>

#include "common/messages.h"

namespace tagforge {
namespace {

TEST(Messages, ErrorCodesMapToTheirTexts) {
    EXPECT_EQ(ErrorCodeMessage(3), "Fehler beim Port öffnen");
    EXPECT_EQ(ErrorCodeMessageId(11), kMsgNoReaderAtPort);
    EXPECT_EQ(ErrorCodeMessage(19), "Keine \"Value\" Information im Block enthalten!\r\n");
    EXPECT_EQ(ErrorCodeMessageId(42), 215);
    EXPECT_EQ(ErrorCodeMessage(41), "Unbekannter Fehler ist aufgetreten");
    EXPECT_EQ(ErrorCodeMessageId(-1), kMsgUnknownError);
    for (int code = 0; code < 64; ++code) {
        EXPECT_STRNE(MessageText(ErrorCodeMessageId(code)), "") << code;
    }
}

TEST(Messages, TextsSpreadOverSeveralLiteralsAreWhole) {
    EXPECT_STREQ(MessageText(kMsgNoReaderAtPort),
                 "An diesem Port ist kein Leser angeschlossen.\r\nBitte wählen sie eine andere "
                 "Schnittstelle.");
    EXPECT_STREQ(MessageText(kMsgReaderOnly),
                 "Das gewählte Gerät ist ein reiner Leser! Hier wird jedoch ein Programmer "
                 "benötigt!");
    EXPECT_STREQ(MessageText(kMsgDecimalAbove8Bytes),
                 "Bytanzahl größer 8 kann im Dezimal-Modus nicht bearbeitetet werden");
    EXPECT_STREQ(MessageText(kMsgTransponderNotUnique),
                 "Transponder nicht eindeutig im Feld! Bitte einen Transponder auflegen.");
    EXPECT_STREQ(MessageText(kMsgInfineonBlocks),
                 "Beim Infineon Transponder sind die Blocknummern 0,1 und 2 nicht beschreibbar!");
}

TEST(Messages, PlaceholdersAreFilledInOrder) {
    EXPECT_EQ(MessageWithArgs(kMsgEnterNumberInRange, {"0", "1024"}),
              "Geben Sie eine ganze Zahl zwischen 0 und 1024 ein.");
    EXPECT_EQ(MessageWithArgs(kMsgValueWritten, {"x"}), "Wert <%s> erfolgreich geschrieben");
    EXPECT_STREQ(MessageText(1), "");
}

}  // namespace
}  // namespace tagforge
