#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>

#include <filesystem>

#include "app/core/log_file.h"
#include "tests/periphery_ini/temp_dir.h"

namespace tagforge {
namespace {

std::tm At(int day, int month, int year, int hour, int minute, int second) {
    std::tm time{};
    time.tm_mday = day;
    time.tm_mon = month - 1;
    time.tm_year = year - 1900;
    time.tm_hour = hour;
    time.tm_min = minute;
    time.tm_sec = second;
    return time;
}

LogWriter FixedClockWriter() {
    return LogWriter([] { return At(8, 12, 2026, 14, 5, 9); });
}

const LogEntry kEntry{3, 0, 8, "1234"};
const std::string kEntryLine = "\t08.12.2026 14:05:09\tDEZ ASCII\t   0\t   8\t1234\r\n";

TEST(LogFile, FirstEntryCreatesFileWithNumberOne) {
    TempDir dir;
    const std::string path = dir.File("Protokoll_S.txt");
    LogWriter writer = FixedClockWriter();
    EXPECT_EQ(writer.Append(path, kEntry), 1u);
    EXPECT_EQ(ReadBytes(path), "     1" + kEntryLine);
}

TEST(LogFile, LineFieldsArePaddedAndNamedByFormat) {
    EXPECT_EQ(FormatLogLine(At(3, 1, 2027, 4, 5, 6), {0, 1024, 12, "1a2b"}),
              "03.01.2027 04:05:06\tHEX BIN\t1024\t  12\t1a2b\r\n");
    EXPECT_EQ(FormatLogLine(At(3, 1, 2027, 4, 5, 6), {2, 0, 1, "7"}),
              "03.01.2027 04:05:06\tDEZ ASCII\t   0\t   1\t7\r\n");
    EXPECT_EQ(FormatLogNumber(1234567), "1234567\t");
}

TEST(LogFile, AppendsWithoutTruncating) {
    TempDir dir;
    const std::string path = dir.File("log.txt");
    WriteBytes(path, "first\r\nsecond\n");
    EXPECT_EQ(FixedClockWriter().Append(path, kEntry), 3u);
    EXPECT_EQ(ReadBytes(path), "first\r\nsecond\n     3" + kEntryLine);
}

TEST(LogFile, LastLineWithoutLineEndCountsAndIsEnded) {
    TempDir dir;
    const std::string path = dir.File("log.txt");
    WriteBytes(path, "a\nb");
    EXPECT_EQ(FixedClockWriter().Append(path, kEntry), 3u);
    EXPECT_EQ(ReadBytes(path), "a\nb\r\n     3" + kEntryLine);
}

TEST(LogFile, DeletedLinesRenumberTheNextEntry) {
    TempDir dir;
    const std::string path = dir.File("log.txt");
    LogWriter writer = FixedClockWriter();
    for (int i = 0; i < 3; ++i) {
        writer.Append(path, kEntry);
    }
    WriteBytes(path, "     1" + kEntryLine + "     3" + kEntryLine);
    EXPECT_EQ(writer.Append(path, kEntry), 3u);
}

TEST(LogFile, LinesOfAnotherWriterAreCounted) {
    TempDir dir;
    const std::string path = dir.File("log.txt");
    LogWriter mine = FixedClockWriter();
    LogWriter other = FixedClockWriter();
    EXPECT_EQ(mine.Append(path, kEntry), 1u);
    EXPECT_EQ(other.Append(path, kEntry), 2u);
    // A multi-line value is one (escaped) line, so the next entry is number 4.
    EXPECT_EQ(other.Append(path, {5, 0, 4, "a\r\nb"}), 3u);
    EXPECT_EQ(mine.Append(path, kEntry), 4u);
}

TEST(LogFile, SameSizeEditIsRecounted) {
    TempDir dir;
    const std::string path = dir.File("log.txt");
    LogWriter writer = FixedClockWriter();
    writer.Append(path, kEntry);
    writer.Append(path, kEntry);
    std::string text = ReadBytes(path);
    text.replace(text.find("\r\n"), 2, "  ");
    WriteBytes(path, text);
    const timespec times[2] = {{0, UTIME_OMIT}, {12345, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
    EXPECT_EQ(writer.Append(path, kEntry), 2u);
}

TEST(LogFile, UnopenableFileIsAFailureWithTheLineButAnEmptyNameIsNot) {
    TempDir dir;
    LogWriter writer = FixedClockWriter();
    EXPECT_EQ(writer.Append(dir.File("missing/log.txt"), kEntry), 0u);
    EXPECT_FALSE(std::filesystem::exists(dir.File("missing")));
    ASSERT_TRUE(writer.LastFailure());
    EXPECT_EQ(writer.LastFailure()->reason, "Verzeichnis nicht vorhanden");
    EXPECT_EQ(writer.LastFailure()->line, kEntryLine.substr(1));
    EXPECT_EQ(writer.Append(dir.File("log.txt"), kEntry), 1u);
    EXPECT_FALSE(writer.LastFailure()) << "cleared by a stored entry";
    EXPECT_EQ(writer.Append("", kEntry), 0u);
    EXPECT_FALSE(writer.LastFailure()) << "an empty name turns the log off";
}

TEST(LogFile, LineThatDoesNotFitLeavesNoPartOfItInTheFile) {
    TempDir dir;
    const std::string path = dir.File("log.txt");
    LogWriter writer = FixedClockWriter();
    ASSERT_EQ(writer.Append(path, kEntry), 1u);
    const std::string before = ReadBytes(path);
    // The file may grow by ten more bytes: the next line gets half-way.
    rlimit old{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    // The default action would kill the process: the writer itself must ignore the signal.
    const auto previousHandler = std::signal(SIGXFSZ, SIG_DFL);
    rlimit small = old;
    small.rlim_cur = before.size() + 10;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const uint64_t number = writer.Append(path, kEntry);
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, previousHandler);
    EXPECT_EQ(number, 0u);
    ASSERT_TRUE(writer.LastFailure());
    EXPECT_EQ(writer.LastFailure()->reason, "Datei zu groß");
    EXPECT_EQ(ReadBytes(path), before);
    EXPECT_EQ(writer.Append(path, kEntry), 2u) << "numbering goes on from the lines stored";
}

TEST(LogFile, LogLockedByAnotherProgramIsAFailure) {
    TempDir dir;
    const std::string path = dir.File("log.txt");
    WriteBytes(path, "");
    const int holder = open(path.c_str(), O_RDWR);
    ASSERT_GE(holder, 0);
    ASSERT_EQ(flock(holder, LOCK_EX), 0);
    LogWriter writer = FixedClockWriter();
    EXPECT_EQ(writer.Append(path, kEntry), 0u);
    ASSERT_TRUE(writer.LastFailure());
    EXPECT_EQ(writer.LastFailure()->reason, "von einem anderen Programm gesperrt");
    close(holder);
}

}  // namespace
}  // namespace tagforge

namespace tagforge {
namespace {

// Control characters of a value (a multi-line "Daten ASCII" value, a read-back of bytes 0D 0A
// 09) are written escaped: each entry stays one numbered line and cannot forge another.
TEST(LogFileEscapes, ValueWithControlCharactersStaysOneLine) {
    TempDir dir;
    const std::string path = dir.File("log.txt");
    LogWriter writer = FixedClockWriter();
    ASSERT_EQ(writer.Append(path, {5, 0, 8, "A\r\nB\tC\x01\x7f\\"}), 1u);
    ASSERT_EQ(writer.Append(path, {5, 0, 8, "\r\n     7\tforged"}), 2u);
    ASSERT_EQ(writer.Append(path, kEntry), 3u);
    EXPECT_EQ(ReadBytes(path),
              "     1\t08.12.2026 14:05:09\tDATEN ASCII\t   0\t   8\tA\\r\\nB\\tC\\x01\\x7F\\\\\r\n"
              "     2\t08.12.2026 14:05:09\tDATEN ASCII\t   0\t   8\t\\r\\n     7\\tforged\r\n"
              "     3" +
                  kEntryLine);
    // A fresh writer counts the same three lines.
    EXPECT_EQ(FixedClockWriter().Append(path, kEntry), 4u);
}

TEST(LogFileEscapes, ValueWithoutControlCharactersIsWrittenAsBefore) {
    EXPECT_EQ(EscapeLogValue("C:\\pfad\\x41 äöü"), "C:\\pfad\\x41 äöü");
    EXPECT_EQ(EscapeLogValue(""), "");
    EXPECT_EQ(EscapeLogValue("\n"), "\\n");
}

// A log path that names no regular file is refused with a message naming it; nothing blocks.
TEST(LogFilePaths, DirectoryFifoAndDeviceAreRefused) {
    TempDir dir;
    const std::string fifo = dir.File("fifo.txt");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string sub = dir.File("sub");
    std::filesystem::create_directory(sub);
    for (const std::string& path : {fifo, sub, std::string("/dev/null")}) {
        ASSERT_TRUE(LogPathProblem(path)) << path;
        EXPECT_EQ(*LogPathProblem(path), "Protokolldatei ist keine normale Datei: " + path);
        LogWriter writer = FixedClockWriter();
        EXPECT_EQ(writer.Append(path, kEntry), 0u) << path;
        ASSERT_TRUE(writer.LastFailure()) << path;
        EXPECT_EQ(writer.LastFailure()->reason, *LogPathProblem(path));
    }
    EXPECT_FALSE(LogPathProblem(dir.File("new.txt")));
    EXPECT_FALSE(LogPathProblem(""));
    WriteBytes(dir.File("old.txt"), "x\n");
    EXPECT_FALSE(LogPathProblem(dir.File("old.txt")));
}

}  // namespace
}  // namespace tagforge
