// How vesmor-trace prints texts: time stamps at line starts, --raw, --handle.

#include <gtest/gtest.h>

#include "tools/common/printable_text.h"
#include "tools/trace/trace_printer.h"

namespace vesmor::tools {
namespace {

timespec At(int hour, int minute, int second, long ms) {
    std::tm local{};
    local.tm_year = 126;
    local.tm_mon = 11;
    local.tm_mday = 9;
    local.tm_hour = hour;
    local.tm_min = minute;
    local.tm_sec = second;
    local.tm_isdst = -1;
    return {std::mktime(&local), ms * 1'000'000};
}

TEST(TracePrinter, StampsEachLineOnceEvenWhenTwoTextsMakeIt) {
    TracePrinter printer(stdout, false, std::nullopt);
    EXPECT_EQ(printer.Render("VESMOR_OpenPort(COM1,19200,500)", At(3, 4, 5, 6)),
              "03:04:05.006 VESMOR_OpenPort(COM1,19200,500)");
    EXPECT_EQ(printer.Render(" = 1\r\n", At(3, 4, 5, 7)), " = 1\n");
    EXPECT_EQ(printer.Render("a\nb\n", At(13, 0, 59, 999)), "13:00:59.999 a\n13:00:59.999 b\n");
    EXPECT_EQ(printer.Render("lone\rreturn\n", At(0, 0, 0, 0)), "00:00:00.000 lone\\rreturn\n");
}

TEST(TracePrinter, ControlCharactersOtherThanTheLineEndsArePrintedAsEscapes) {
    // A window title, a colour, a cursor move and a bell, as any local user could send them.
    const std::string hostile =
        "\x1b]0;owned\x07\x1b[31mred\x1b[2J\tx\x7f\xc2\x9b"
        "2J\r\n";
    const std::string shown = "\\e]0;owned\\x07\\e[31mred\\e[2J\tx\\x7f\\xc2\\x9b2J";
    TracePrinter stamped(stdout, false, std::nullopt);
    EXPECT_EQ(stamped.Render(hostile, At(1, 2, 3, 4)), "01:02:03.004 " + shown + "\n");
    TracePrinter raw(stdout, true, std::nullopt);
    EXPECT_EQ(raw.Render(hostile, At(1, 2, 3, 4)), shown + "\r\n");
    // Text beyond ASCII stays readable.
    EXPECT_EQ(raw.Render("Gerät \xc3\xa4\n", At(0, 0, 0, 0)), "Gerät \xc3\xa4\n");
}

TEST(PrintableText, OneLineTextsEscapeTheLineEndsTooAndKeepEverythingElse) {
    EXPECT_EQ(Printable("Leser\r\nCOM\t/dev/forged\x1b[0m"), "Leser\\r\\nCOM\\t/dev/forged\\e[0m");
    EXPECT_EQ(Printable(std::string("a\0b", 3)), "a\\x00b");
    EXPECT_EQ(Printable("C:\\pfad Gerät \xc2\xa0"), "C:\\pfad Gerät \xc2\xa0");
    EXPECT_EQ(Printable("\xc2\x85"), "\\xc2\\x85");  // NEL, a C1 control
    EXPECT_EQ(Printable("\xc2"), "\xc2");            // a cut sequence stays as it is
    EXPECT_EQ(Printable("a\rb\n", LineEnds::kKeep), "a\\rb\n");
}

TEST(TracePrinter, RawPrintsTheTextsAsTheyCame) {
    TracePrinter printer(stdout, true, std::nullopt);
    EXPECT_EQ(printer.Render("VESMOR_ClosePort(1)\r\n", At(1, 2, 3, 4)), "VESMOR_ClosePort(1)\r\n");
}

TEST(TracePrinter, AHandleKeepsTheFrameDumpsOfThatPortAndEveryOtherText) {
    TracePrinter printer(stdout, true, 20001);
    EXPECT_EQ(printer.Render(">(00004e21) 02 \r\n", At(0, 0, 0, 0)), ">(00004e21) 02 \r\n");
    EXPECT_EQ(printer.Render("<(00000001) 02 \r\n", At(0, 0, 0, 0)), "");
    EXPECT_EQ(printer.Render("[00001234] Inventory 0:00.001.002 min\n", At(0, 0, 0, 0)),
              "[00001234] Inventory 0:00.001.002 min\n");
}

TEST(TracePrinter, FrameDumpsAreKnownByDirectionAndEightHexDigits) {
    EXPECT_EQ(FrameDumpHandle(">(0000001f) 02 \r\n"), 0x1Fu);
    EXPECT_EQ(FrameDumpHandle("<(FFFFFFFF) "), 0xFFFFFFFFu);
    EXPECT_EQ(FrameDumpHandle("<(0000001) 02"), std::nullopt);
    EXPECT_EQ(FrameDumpHandle("<(0000001g) 02"), std::nullopt);
    EXPECT_EQ(FrameDumpHandle("=(00000001) 02"), std::nullopt);
    EXPECT_EQ(FrameDumpHandle(">"), std::nullopt);
}

}  // namespace
}  // namespace vesmor::tools
