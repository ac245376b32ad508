// The start loop: windows one after the other, the language switch, re-creation on result 1,
// and a missing English translation; against the simulated reader.

#include <QGroupBox>
#include <QMenu>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include "app/ui/language.h"
#include "app/ui/tagforge_app.h"
#include "app/ui/wait_hooks_qt.h"
#include "tests/app_ui/window_fixture.h"

namespace tagforge::ui::test {

namespace {

QStringList MenuEntries(CVESMOR_TagforgeDlg& window) {
    QMenu menu;
    window.FillSystemMenu(menu);
    QStringList entries;
    for (const QAction* action : menu.actions()) {
        if (!action->isSeparator()) {
            entries << action->text();
        }
    }
    return entries;
}

// What one window of the loop looked like.
struct Seen {
    QString writeGroup;  // the caption of "Schreiben"
    QString startBlock;
    QStringList menu;
    bool connected = false;
};

// Runs the start loop against the simulated reader; `act(window, n)` runs inside the n-th
// window's modal loop (n from 0) and must end it.
class LoopRun {
  public:
    explicit LoopRun(QStringList translationDirectories)
        : translations(std::move(translationDirectories)) {}

    int Run(const std::function<void(CVESMOR_TagforgeDlg&, int)>& act) {
        const DialogServices services{sim.profile,
                                      VesmorLibrary(),
                                      *sim.interfaces,
                                      sim.beeper,
                                      sim.clock,
                                      sim.prompts,
                                      sim.logs.path().toStdString() + "/"};
        WindowLoopHooks hooks;
        hooks.opened = [&](CVESMOR_TagforgeDlg& window) {
            const int n = opened++;
            // The window connects on the first turn of its loop; what it shows is taken once
            // that connection is made (its waits run the event loop, this timer too).
            QTimer::singleShot(0, &window, [this, &window, n, act] { Record(window, n, act); });
            // A window the test failed to end does not hang it.
            QTimer::singleShot(20000, &window, [&window] { window.reject(); });
        };
        hooks.ended = [&](int result) { results << result; };
        return RunMainWindows(services, translations, hooks);
    }

    void Record(CVESMOR_TagforgeDlg& window, int n,
                const std::function<void(CVESMOR_TagforgeDlg&, int)>& act) {
        if (window.StartConnectionUnderWay()) {
            QTimer::singleShot(5, &window, [this, &window, n, act] { Record(window, n, act); });
            return;
        }
        seen.push_back({window.findChild<QGroupBox*>("groupSchreiben")->title(),
                        window.findChild<QLineEdit*>("editStartblock")->text(), MenuEntries(window),
                        window.Connection().IsOpen()});
        act(window, n);
    }

    SimulatedWindow sim;
    Translations translations;
    std::vector<Seen> seen;
    QList<int> results;
    int opened = 0;
};

const QStringList kBuiltTranslation = {VESMOR_TRANSLATION_DIR};

}  // namespace

class AppStartTest : public QObject {
    Q_OBJECT

  private slots:
    void englischSavesTheSettingsAndReopensTheWindowInEnglish() {
        LoopRun run(kBuiltTranslation);
        QCOMPARE(run.Run([](CVESMOR_TagforgeDlg& window, int n) {
            if (n == 0) {
                window.findChild<QLineEdit*>("editStartblock")->setText("3");
                window.SystemCommand(CVESMOR_TagforgeDlg::kCommandEnglish);
            } else {
                window.reject();
            }
        }),
                 0);
        QCOMPARE(run.results, (QList<int>{CVESMOR_TagforgeDlg::kResultLanguage,
                                          CVESMOR_TagforgeDlg::kResultClose}));
        QCOMPARE(run.seen.size(), size_t{2});
        QCOMPARE(run.seen[0].writeGroup, QString("Schreiben"));
        QCOMPARE(run.seen[0].menu,
                 (QStringList{"Einstellungen", "Schnittstelle wählen", "Englisch",
                              "Datenbank-Job ...", "Inf&o über VESMOR Tagforge ..."}));
        QCOMPARE(run.seen[1].writeGroup, QString("Write"));
        QCOMPARE(run.seen[1].startBlock, QString("3"));
        QCOMPARE(run.seen[1].menu, (QStringList{"Settings", "Choose interface", "German",
                                                "Database job ...", "Ab&out VESMOR Tagforge ..."}));
        QVERIFY(run.seen[1].connected);
        QCOMPARE(run.sim.profile.ReadInt("Settings", "Sprache", -1), 1);
        QCOMPARE(run.sim.profile.ReadInt("Settings", "Startblock", -1), 3);
    }

    void theEnglishWindowReportsInEnglishAndDeutschSwitchesBack() {
        LoopRun run(kBuiltTranslation);
        run.sim.profile.WriteInt("Settings", "Sprache", 1);
        run.sim.link.Field().Insert(vesmor::sim::ChipKind::kNxp);
        QStringList statusLines;
        run.Run([&](CVESMOR_TagforgeDlg& window, int n) {
            if (n == 0) {
                // The engine's status line after a write.
                window.findChild<QAbstractButton*>("buttonWriteOnce")->click();
                statusLines << window.findChild<QPlainTextEdit*>("editStatus")->toPlainText();
                window.SystemCommand(CVESMOR_TagforgeDlg::kCommandGerman);
            } else {
                window.findChild<QAbstractButton*>("buttonWriteOnce")->click();
                statusLines << window.findChild<QPlainTextEdit*>("editStatus")->toPlainText();
                window.reject();
            }
        });
        QCOMPARE(run.seen.size(), size_t{2});
        QCOMPARE(run.seen[0].writeGroup, QString("Write"));
        QCOMPARE(run.seen[1].writeGroup, QString("Schreiben"));
        QCOMPARE(run.seen[1].menu.at(2), QString("Englisch"));
        QCOMPARE(statusLines, (QStringList{"Value <0> written successfully\n",
                                           "Wert <1> erfolgreich geschrieben\n"}));
        QCOMPARE(run.sim.profile.ReadInt("Settings", "Sprache", -1), 0);
    }

    void aWindowEndingWithResultOneReopensAtOnceWithItsSettingsAndReconnects() {
        LoopRun run(kBuiltTranslation);
        int firstHandleClosed = -1;
        run.Run([&](CVESMOR_TagforgeDlg& window, int n) {
            if (n == 0) {
                window.findChild<QLineEdit*>("editStartblock")->setText("5");
                window.findChild<QLineEdit*>("editByteanzahl")->setText("6");
                window.done(CVESMOR_TagforgeDlg::kResultRecreate);
                firstHandleClosed = window.Connection().IsOpen() ? 0 : 1;
            } else {
                window.reject();
            }
        });
        QCOMPARE(run.results, (QList<int>{CVESMOR_TagforgeDlg::kResultRecreate,
                                          CVESMOR_TagforgeDlg::kResultClose}));
        QCOMPARE(firstHandleClosed, 1);
        QVERIFY(run.seen[0].connected);
        // The pseudo-terminal opens exclusively: the second window got it only because the
        // first one closed it.
        QVERIFY(run.seen[1].connected);
        QCOMPARE(run.seen[1].startBlock, QString("5"));
        QCOMPARE(run.seen[1].writeGroup, QString("Schreiben"));
        QCOMPARE(run.sim.profile.ReadInt("Settings", "Byteanzahl", -1), 6);
        QVERIFY(run.sim.prompts.messages.isEmpty());
    }

    // The first start on a new machine: the stored reader is absent. The window is shown
    // before the connection fails and tells so; messages and dialogs come in the same order.
    void anAbsentStoredReaderIsToldWithTheWindowAlreadyShown() {
        LoopRun run(kBuiltTranslation);
        run.sim.profile.WriteString("Port", "Name", "/dev/vesmor-test-absent-tty");
        QList<bool> shownAtMessage;
        const CVESMOR_TagforgeDlg* current = nullptr;
        run.sim.prompts.onMessage = [&](const QString&) {
            QWidget* window = QApplication::activeModalWidget();
            shownAtMessage << (window != nullptr && window->isVisible());
        };
        int modalAtFirstMessage = -1;
        run.sim.prompts.runModal = [&](QDialog&) {
            if (modalAtFirstMessage < 0) {
                modalAtFirstMessage = run.sim.prompts.messages.size();
            }
            return QDialog::Rejected;
        };
        run.Run([&](CVESMOR_TagforgeDlg& window, int) {
            current = &window;
            window.reject();
        });
        QVERIFY(current != nullptr);
        QVERIFY(!run.sim.prompts.messages.isEmpty());
        QCOMPARE(shownAtMessage, QList<bool>(run.sim.prompts.messages.size(), true));
        // The failure is told first, then the interface selection is offered.
        QCOMPARE(modalAtFirstMessage, run.sim.prompts.messages.size());
        QCOMPARE(run.sim.prompts.modalRuns, 1);
        QVERIFY(!run.seen.at(0).connected);
    }

    void withoutTheTranslationTheProgramStartsGermanWithoutAMessage() {
        QTemporaryDir empty;
        LoopRun run({empty.path()});
        run.sim.profile.WriteInt("Settings", "Sprache", 1);
        run.Run([](CVESMOR_TagforgeDlg& window, int) { window.reject(); });
        QCOMPARE(run.seen.size(), size_t{1});
        QCOMPARE(run.seen[0].writeGroup, QString("Schreiben"));
        QVERIFY(run.seen[0].connected);
        QVERIFY(!run.translations.English());
        QVERIFY(run.sim.prompts.messages.isEmpty());
        // `Sprache` 1 offers German only, in German.
        QCOMPARE(run.seen[0].menu.at(2), QString("Deutsch"));
    }

    void anyOtherLanguageValueOffersBothGermanFirst() {
        SimulatedWindow sim;
        sim.profile.WriteInt("Settings", "Sprache", 7);
        auto& window = sim.Open();
        QCOMPARE(MenuEntries(window),
                 (QStringList{"Einstellungen", "Schnittstelle wählen", "Deutsch", "Englisch",
                              "Datenbank-Job ...", "Inf&o über VESMOR Tagforge ..."}));
    }

    void theMenuButtonOpensTheSystemMenuWithSeparatorsBetweenItsParts() {
        SimulatedWindow sim;
        auto& window = sim.Open();
        auto* button = sim.Control<QToolButton>("buttonMenu");
        QVERIFY(button != nullptr);
        QCOMPARE(button->text(), QString("Menü"));
        QMenu* menu = button->menu();
        QVERIFY(menu != nullptr);
        emit menu->aboutToShow();
        QStringList layout;
        for (const QAction* action : menu->actions()) {
            layout << (action->isSeparator() ? QString("-") : action->text());
        }
        QCOMPARE(layout, (QStringList{"Einstellungen", "Schnittstelle wählen", "-", "Englisch", "-",
                                      "Datenbank-Job ...", "Inf&o über VESMOR Tagforge ..."}));
        // Opened again after a change of the stored language, it follows.
        sim.profile.WriteInt("Settings", "Sprache", 1);
        emit menu->aboutToShow();
        QCOMPARE(menu->actions().size(), 7);
        QCOMPARE(menu->actions().at(3)->text(), QString("Deutsch"));
        QCOMPARE(MenuEntries(window).size(), 5);
    }
};

}  // namespace tagforge::ui::test

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    const tagforge::ui::UiWaitHooks hooks;
    tagforge::ui::test::AppStartTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "app_start_test.moc"
