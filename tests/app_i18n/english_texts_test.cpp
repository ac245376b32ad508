// Every text the user sees has an English text in VESMOR_TagforgeEng.qm: the message table, the
// texts of every .ui layout under app/, periphery/ and lanui/ (found when the test runs, so a
// layout added later is checked without touching this test), and every text the sources mark
// for translation (collected by lupdate when the test runs).

#include <gtest/gtest.h>

#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTranslator>
#include <QXmlStreamReader>
#include <string>

#include "app/i18n/translation.h"
#include "common/messages.h"

namespace tagforge::i18n {
namespace {

struct SourceText {
    QString context;
    QString text;
    QString comment;  // the disambiguation
    QString where;
};

QString Describe(const SourceText& source) {
    return source.where + ": [" + source.context + "] \"" + source.text + "\"";
}

QTranslator& English() {
    static QTranslator translator;
    static const bool loaded = translator.load(VESMOR_ENGLISH_QM);
    EXPECT_TRUE(loaded) << VESMOR_ENGLISH_QM;
    return translator;
}

bool HasEnglish(const SourceText& source) {
    const QByteArray context = source.context.toUtf8();
    const QByteArray text = source.text.toUtf8();
    const QByteArray comment = source.comment.toUtf8();
    return !English()
                .translate(context.constData(), text.constData(),
                           comment.isEmpty() ? nullptr : comment.constData())
                .isEmpty();
}

QStringList UiFiles() {
    QStringList files;
    for (const char* folder : {"app", "periphery", "lanui"}) {
        QDirIterator it(QString(VESMOR_SOURCE_DIR) + "/" + folder, {"*.ui"}, QDir::Files,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            files << it.next();
        }
    }
    return files;
}

// The texts uic hands to the translator: every <string> not marked notr, in the context of the
// form's class.
std::vector<SourceText> UiTexts(const QString& path) {
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
    QXmlStreamReader xml(&file);
    QString context;
    std::vector<SourceText> texts;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement) {
            continue;
        }
        if (xml.name() == u"class" && context.isEmpty()) {
            context = xml.readElementText();
        } else if (xml.name() == u"string" && xml.attributes().value("notr") != u"true") {
            const QString comment = xml.attributes().value("comment").toString();
            const QString text = xml.readElementText();
            if (!text.isEmpty()) {
                texts.push_back({{}, text, comment, QFileInfo(path).fileName()});
            }
        }
    }
    EXPECT_FALSE(xml.hasError()) << path.toStdString() << ": " << xml.errorString().toStdString();
    for (SourceText& text : texts) {
        text.context = context;
    }
    return texts;
}

// The text of a .ts element: characters lupdate cannot put into XML (the CR of a CR LF) stand
// as <byte value="xd"/> in it.
QString ReadTsText(QXmlStreamReader& xml) {
    QString text;
    while (!xml.atEnd()) {
        const QXmlStreamReader::TokenType token = xml.readNext();
        if (token == QXmlStreamReader::Characters) {
            text += xml.text();
        } else if (token == QXmlStreamReader::StartElement && xml.name() == u"byte") {
            // "xd": hexadecimal after the x.
            text += QChar(xml.attributes().value("value").mid(1).toString().toInt(nullptr, 16));
        } else if (token == QXmlStreamReader::EndElement && xml.name() != u"byte") {
            break;
        }
    }
    return text;
}

// lupdate over the sources as they are now, into a fresh .ts file: what it finds is what the
// program can show.
std::vector<SourceText> MarkedTexts() {
    QStringList sources;
    for (const char* folder : {"app", "periphery", "lanui", "tools/vesmor"}) {
        QDirIterator it(QString(VESMOR_SOURCE_DIR) + "/" + folder, {"*.cpp", "*.h", "*.ui"},
                        QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            sources << it.next();
        }
    }
    QTemporaryDir directory;
    const QString ts = directory.filePath("fresh.ts");
    QProcess lupdate;
    lupdate.start(VESMOR_LUPDATE,
                  QStringList{"-silent", "-locations", "none"} << sources << "-ts" << ts);
    EXPECT_TRUE(lupdate.waitForFinished(60000));
    EXPECT_EQ(lupdate.exitCode(), 0) << lupdate.readAllStandardError().toStdString();
    QFile file(ts);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    QXmlStreamReader xml(&file);
    std::vector<SourceText> texts;
    QString context;
    SourceText current;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement) {
            continue;
        }
        if (xml.name() == u"name") {
            context = xml.readElementText();
        } else if (xml.name() == u"message") {
            current = {context, {}, {}, "lupdate"};
        } else if (xml.name() == u"source") {
            current.text = ReadTsText(xml);
        } else if (xml.name() == u"comment") {
            current.comment = ReadTsText(xml);
        } else if (xml.name() == u"translation") {
            texts.push_back(current);
            xml.skipCurrentElement();
        }
    }
    EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
    return texts;
}

TEST(EnglishTexts, EveryMessageOfTheTableHasAnEnglishText) {
    size_t checked = 0;
    for (const MessageEntry& message : AllMessages()) {
        const SourceText source{"Messages",
                                QString::fromUtf8(message.german),
                                {},
                                "message " + QString::number(message.id)};
        EXPECT_TRUE(HasEnglish(source)) << Describe(source).toStdString();
        ++checked;
    }
    EXPECT_GT(checked, 80u);
}

TEST(EnglishTexts, NoGermanWordIsLeftInAnEnglishMessage) {
    static const QRegularExpression german("[äöüÄÖÜß]");
    for (const MessageEntry& message : AllMessages()) {
        const QString english = English().translate("Messages", message.german);
        EXPECT_FALSE(english.contains(german)) << message.id << ": " << english.toStdString();
    }
}

TEST(EnglishTexts, EveryTextOfEveryDialogLayoutHasAnEnglishText) {
    const QStringList files = UiFiles();
    EXPECT_GE(files.size(), 3) << "the layouts of app/ui and periphery/ui";
    for (const QString& path : files) {
        const std::vector<SourceText> texts = UiTexts(path);
        EXPECT_FALSE(texts.empty()) << path.toStdString();
        for (const SourceText& text : texts) {
            EXPECT_TRUE(HasEnglish(text)) << Describe(text).toStdString();
        }
    }
}

TEST(EnglishTexts, EveryTextTheSourcesMarkHasAnEnglishText) {
    const std::vector<SourceText> texts = MarkedTexts();
    EXPECT_GT(texts.size(), 150u);
    for (const SourceText& text : texts) {
        EXPECT_TRUE(HasEnglish(text)) << Describe(text).toStdString()
                                      << " (update_translations, then translate it in "
                                         "app/i18n/VESMOR_TagforgeEng.ts)";
    }
}

TEST(EnglishTexts, TheMessageTableSpeaksTheLanguageOfItsTranslator) {
    TranslateMessages(&English());
    EXPECT_STREQ(MessageText(kMsgGerman), "German");
    EXPECT_EQ(ErrorCodeMessage(3), "Error opening the port");
    EXPECT_EQ(MessageWithArgs(kMsgEnterNumberInRange, {"100", "10000"}),
              "Enter a whole number between 100 and 10000.");
    EXPECT_EQ(Translate("vesmor", "%1 geschrieben"), "%1 written");
    // Without a translator and without an application the German texts stay.
    TranslateMessages(nullptr);
    EXPECT_STREQ(MessageText(kMsgGerman), "Deutsch");
    SetMessageTranslator(nullptr);
    EXPECT_STREQ(MessageText(kMsgEnglish), "Englisch");
}

TEST(EnglishTexts, TheTranslationIsFoundBesideTheProgramOrInItsShareDirectory) {
    QTemporaryDir root;
    QDir(root.path()).mkpath("bin");
    QDir(root.path()).mkpath("share/vesmor-tagforge");
    const QStringList directories = DataDirectories(root.filePath("bin") + "/");
    ASSERT_EQ(directories.size(), 2);
    EXPECT_EQ(directories[1], root.filePath("share/vesmor-tagforge"));
    QTranslator translator;
    EXPECT_FALSE(LoadEnglish(translator, directories));
    ASSERT_TRUE(QFile::copy(VESMOR_ENGLISH_QM,
                            root.filePath("share/vesmor-tagforge/VESMOR_TagforgeEng.qm")));
    EXPECT_TRUE(LoadEnglish(translator, directories));
    EXPECT_EQ(translator.translate("Messages", "Englisch"), "English");
}

}  // namespace
}  // namespace tagforge::i18n
