// F1 help: the manual in the window's language opened through the desktop, the messages of a
// failed start, nothing without a manual; and the manuals the build makes.

#include <QDesktopServices>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>

#include "app/ui/help.h"
#include "app/ui/language.h"
#include "common/messages.h"
#include "tests/app_ui/window_fixture.h"

namespace tagforge::ui::test {

namespace {

// Takes the place of the desktop's PDF viewer.
class Viewer : public QObject {
    Q_OBJECT

  public slots:
    void Open(const QUrl& url) { opened << url; }

  public:
    QList<QUrl> opened;
};

void Touch(const QString& path) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("%PDF-1.4\n");
}

CVESMOR_TagforgeDlg& OpenWithHelpIn(SimulatedWindow& sim, const QStringList& directories) {
    sim.window = std::make_unique<CVESMOR_TagforgeDlg>(
        DialogServices{sim.profile, VesmorLibrary(), *sim.interfaces, sim.beeper, sim.clock,
                       sim.prompts, sim.logs.path().toStdString() + "/", directories});
    sim.window->Initialize();
    sim.window->ConnectPendingReader();
    return *sim.window;
}

int PdfPages(const QString& path) {
    QProcess pdfinfo;
    pdfinfo.start("pdfinfo", {path});
    if (!pdfinfo.waitForFinished(20000) || pdfinfo.exitCode() != 0) {
        return -1;
    }
    static const QRegularExpression pages(R"(Pages:\s+(\d+))");
    return pages.match(QString::fromUtf8(pdfinfo.readAllStandardOutput())).captured(1).toInt();
}

}  // namespace

class HelpTest : public QObject {
    Q_OBJECT

  private slots:
    void init() { QDesktopServices::setUrlHandler("file", &m_viewer, "Open"); }
    void cleanup() {
        QDesktopServices::unsetUrlHandler("file");
        m_viewer.opened.clear();
    }

    void f1OpensTheManualOfTheWindowsLanguage() {
        QTemporaryDir program;
        Touch(program.filePath("VESMOR_Tagforge_Handbuch.pdf"));
        Touch(program.filePath("VESMOR_Tagforge_Manual.pdf"));
        SimulatedWindow sim;
        auto& window = OpenWithHelpIn(sim, {program.path()});
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QTest::keyClick(sim.Control<QLineEdit>("editWrite"), Qt::Key_F1);
        QCOMPARE(
            m_viewer.opened,
            QList<QUrl>{QUrl::fromLocalFile(program.filePath("VESMOR_Tagforge_Handbuch.pdf"))});
        QVERIFY(sim.prompts.messages.isEmpty());
    }

    void theEnglishWindowOpensTheEnglishManual() {
        QTemporaryDir program;
        Touch(program.filePath("VESMOR_Tagforge_Handbuch.pdf"));
        Touch(program.filePath("VESMOR_Tagforge_Manual.pdf"));
        Translations translations({VESMOR_TRANSLATION_DIR});
        translations.Select(1);
        QVERIFY(translations.English());
        SimulatedWindow sim;
        auto& window = OpenWithHelpIn(sim, {program.path()});
        window.ShowHelp();
        QCOMPARE(m_viewer.opened,
                 QList<QUrl>{QUrl::fromLocalFile(program.filePath("VESMOR_Tagforge_Manual.pdf"))});
    }

    void theProgramDirectoryComesFirstThenTheShareDirectoryThenAnyPdf() {
        QTemporaryDir program;
        QTemporaryDir share;
        Touch(share.filePath("VESMOR_Tagforge_Handbuch.pdf"));
        QCOMPARE(FindManual({program.path(), share.path()}, "VESMOR_Tagforge_Handbuch.pdf"),
                 share.filePath("VESMOR_Tagforge_Handbuch.pdf"));
        Touch(program.filePath("b.pdf"));
        Touch(program.filePath("a.pdf"));
        QCOMPARE(FindManual({program.path(), share.path()}, "VESMOR_Tagforge_Handbuch.pdf"),
                 program.filePath("a.pdf"));
        QCOMPARE(FindManual({program.path() + "/none"}, "x.pdf"), QString());
    }

    void withoutAManualF1DoesNothing() {
        QTemporaryDir program;
        SimulatedWindow sim;
        auto& window = OpenWithHelpIn(sim, {program.path()});
        window.ShowHelp();
        QVERIFY(m_viewer.opened.isEmpty());
        QVERIFY(sim.prompts.messages.isEmpty());
    }

    void aManualNoViewerTakesGivesTheMessageAboutAPdfReader() {
        // The offscreen platform has no desktop services: nothing opens the file.
        QDesktopServices::unsetUrlHandler("file");
        QTemporaryDir program;
        Touch(program.filePath("VESMOR_Tagforge_Handbuch.pdf"));
        SimulatedWindow sim;
        auto& window = OpenWithHelpIn(sim, {program.path()});
        window.ShowHelp();
        QCOMPARE(sim.prompts.messages,
                 QStringList{QString::fromUtf8(GermanMessageText(kMsgNeedPdfReader))});
    }

    void failuresAreNamedByTheirKind() {
        QCOMPARE(HelpFailureText(ENOMEM), QString("Nicht genügend Systemresourcen vorhanden!"));
        QCOMPARE(HelpFailureText(EMFILE), QString("Nicht genügend Systemresourcen vorhanden!"));
        QVERIFY(HelpFailureText(kNoPdfViewer).startsWith("Zum Anzeigen der Hilfe"));
        QCOMPARE(HelpFailureText(EACCES), QString("Unbekannter Fehler %1").arg(EACCES));
        // A manual that vanished between the lookup and the start says why.
        QCOMPARE(OpenManual("/nonexistent/VESMOR_Tagforge_Handbuch.pdf"), ENOENT);
    }

    void theBuiltManualsExistAndHavePages() {
        for (const char* manual : {VESMOR_GERMAN_MANUAL, VESMOR_ENGLISH_MANUAL}) {
            QVERIFY2(QFile::exists(manual), manual);
            QVERIFY2(QFileInfo(manual).size() > 100000, manual);  // text and pictures
            const int pages = PdfPages(manual);
            QVERIFY2(pages >= 5, qPrintable(QString("%1: %2 pages").arg(manual).arg(pages)));
        }
    }

  private:
    Viewer m_viewer;
};

}  // namespace tagforge::ui::test

QTEST_MAIN(tagforge::ui::test::HelpTest)

#include "help_test.moc"
