// vesmor --lang: German by default, English with "--lang en", anything else refused.

#include <gtest/gtest.h>

#include <QProcess>
#include <QString>

namespace {

struct CliRun {
    int exitCode;
    QString err;
};

CliRun Vesmor(const QStringList& arguments) {
    QProcess process;
    process.start(VESMOR_CLI, arguments);
    EXPECT_TRUE(process.waitForFinished(20000));
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardError())};
}

const QStringList kMissingPort = {"info", "-p", "/dev/vesmor-no-such-port"};

QStringList WithLanguage(const QString& language) {
    return QStringList{"--lang", language} << kMissingPort;
}

TEST(CliLanguage, MessagesAreGermanByDefault) {
    const CliRun run = Vesmor(kMissingPort);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains(": Fehler 3: Fehler beim Port öffnen")) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains("Gerät nicht vorhanden")) << run.err.toStdString();
}

TEST(CliLanguage, LangEnGivesTheEnglishTextsOfTableAndTool) {
    const CliRun run = Vesmor(WithLanguage("en"));
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains(": error 3: Error opening the port")) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains("no such device (vesmor ports lists the interfaces)"))
        << run.err.toStdString();
    EXPECT_FALSE(run.err.contains("Fehler")) << run.err.toStdString();
}

TEST(CliLanguage, LangDeAndAnUnknownLanguage) {
    EXPECT_TRUE(Vesmor(WithLanguage("de")).err.contains("Fehler 3"));
    const CliRun fr = Vesmor(WithLanguage("fr"));
    EXPECT_EQ(fr.exitCode, 2);
    EXPECT_TRUE(fr.err.contains("--lang")) << fr.err.toStdString();
}

}  // namespace
