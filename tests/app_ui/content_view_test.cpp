// The transponder content window under the offscreen platform, reading transponders of the
// simulated reader through libvesmor.

#include <QRegularExpression>
#include <QTest>
#include <QTimer>

#include "app/core/messages.h"
#include "app/core/transponder_text.h"
#include "tests/app_ui/content_fixture.h"
#include "tests/app_ui/window_fixture.h"

namespace tagforge::ui::test {

namespace {

using vesmor::sim::ChipKind;

QString TypeLine(const vesmor::sim::Uid& uid) {
    return QString::fromStdString(TransponderTypeText(uid));
}

QString Mapped(ContentView& view) {
    return QString::fromUtf8(ErrorCodeMessage(VESMOR_GetLastError(view.handle)));
}

}  // namespace

class ContentViewTest : public QObject {
    Q_OBJECT

  private slots:
    void twoTranspondersGiveTheCollisionTitleAndAnEmptyTable() {
        ContentView view;
        view.link.Field().Insert(ChipKind::kNxp);
        view.link.Field().Insert(ChipKind::kStSmall);
        view.Show();
        QCOMPARE(view.Title(), QString("Im Feld sind mehrere Transponder"));
        QCOMPARE(view.Table().rowCount(), 0);
        QCOMPARE(view.window->UidCount(), 0);
        QVERIFY(view.library.readBlocks.empty());
    }

    void noTransponderGivesTheNoTransponderTitle() {
        ContentView view;
        view.Show();
        QCOMPARE(view.Title(), QString("Kein Transponder vorhanden"));
        QCOMPARE(view.Table().rowCount(), 0);
        QCOMPARE(view.library.inventories, CISO15693Dlg::kAttempts);
        QVERIFY(view.MessageLine().isEmpty());  // failed inventories give no message
    }

    void twentyEightBlocksOfFourFillSevenRowsOfFour() {
        ContentView view;
        const auto uid = view.link.Field().Insert(ChipKind::kNxp);
        view.Show();
        QCOMPARE(view.Title(), TypeLine(uid));
        QVERIFY(view.Title().startsWith("Transpondertyp: Philips  ICode2   Seriennummer: "));
        QCOMPARE(view.Table().columnCount(), 5);
        QCOMPARE(view.Table().horizontalHeaderItem(0)->text(), QString("BlockNr"));
        QCOMPARE(view.Table().horizontalHeaderItem(4)->text(), QString("Daten"));
        QCOMPARE(view.Labels(), (QStringList{"00 - 03", "04 - 07", "08 - 11", "12 - 15", "16 - 19",
                                             "20 - 23", "24 - 27"}));
        for (int block = 0; block < 28; ++block) {
            QCOMPARE(view.Table().ItemText(block / 4, 1 + block % 4), view.BlockText(uid, block));
        }
        QCOMPARE(view.Table().ItemText(6, 4).size(), 11);
        QCOMPARE(view.Table().ColumnEditLength(0), 0);
        QCOMPARE(view.Table().ColumnEditLength(1), 11);
        QVERIFY(view.MessageLine().isEmpty());  // message 218 after the last block
        QCOMPARE(view.window->Slot().blocksPerRow, 4);
    }

    void thirtyBlocksEndWithARowOfTwo() {
        ContentView view;
        const auto uid = view.link.Field().Insert(ChipKind::kStSmall);
        view.library.reportedBlockCount = 30;
        view.Show();
        QCOMPARE(view.Table().rowCount(), 8);
        QCOMPARE(view.Labels().last(), QString("28 - 29"));
        QCOMPARE(view.Cells(7), (QStringList{view.BlockText(uid, 28), view.BlockText(uid, 29),
                                             QString(), QString()}));
        QCOMPARE(view.library.readBlocks.back(), 29);
    }

    void eightByteBlocksShowEightPairsAndTheInfineonInformationIsAskedWithoutUid() {
        ContentView view;
        const auto uid = view.link.Field().Insert(ChipKind::kInfineon);
        view.Show();
        QCOMPARE(view.library.tagInfoUidLengths, std::vector<int>{0});
        QCOMPARE(view.library.tagInfoFlags, std::vector<int>{1 | 0x100});
        QCOMPARE(view.window->Slot().blockSize, 8);
        QCOMPARE(view.Table().rowCount(), 16);
        const QString cell = view.Table().ItemText(15, 4);
        QVERIFY(QRegularExpression("^([0-9A-F]{2} ){7}[0-9A-F]{2}$").match(cell).hasMatch());
        QCOMPARE(cell, view.BlockText(uid, 63));
        QCOMPARE(view.Table().ColumnEditLength(4), 23);
        QVERIFY(view.Table().columnWidth(1) >= view.Table().fontMetrics().horizontalAdvance(cell));
    }

    void anUnnamedMakerGivesTheUnknownTypeLineWithCodeAndSerialNumber() {
        ContentView view;
        const auto uid = vesmor::sim::ParseUid("E009010000000123");
        view.link.Field().Insert(ChipKind::kUnknown, uid);
        view.Show();
        QCOMPARE(view.Title(),
                 QString("Unknown Type: IC Mfg code 9     Seriennummer: 1099511628067"));
    }

    void theLastBlockOfAnEmTagIsNotRead() {
        ContentView view;
        const auto uid = view.link.Field().Insert(ChipKind::kEm);
        view.Show();
        QCOMPARE(view.Table().rowCount(), 4);
        QCOMPARE(view.Labels().last(), QString("12 - 15"));
        QCOMPARE(view.Cells(3), (QStringList{view.BlockText(uid, 12), view.BlockText(uid, 13),
                                             view.BlockText(uid, 14), QString()}));
        QCOMPARE(view.library.readBlocks.back(), 14);
        QVERIFY(view.MessageLine().isEmpty());
    }

    void aTransponderLeavingDuringTheReadStopsTheTableAndAReadAllAfterwardsWorks() {
        ContentView view;
        const auto uid = view.link.Field().Insert(ChipKind::kStSmall);
        const QStringList third{view.BlockText(uid, 8), view.BlockText(uid, 9),
                                view.BlockText(uid, 10), QString()};
        const QString last = view.BlockText(uid, 63);
        view.library.afterRead = [&](int block) {
            if (block == 10) {
                view.link.Field().Remove(uid);
            }
        };
        view.Show();
        QCOMPARE(view.Table().rowCount(), 3);
        QCOMPARE(view.Cells(2), third);
        QCOMPARE(std::count(view.library.readBlocks.begin(), view.library.readBlocks.end(), 11),
                 CISO15693Dlg::kAttempts);
        const QString failure = Mapped(view);
        QVERIFY(!failure.isEmpty());
        QVERIFY(view.MessageLine().endsWith(" -> " + failure));

        view.library.afterRead = nullptr;
        view.link.Field().Insert(ChipKind::kStSmall, uid);
        view.ReadAgain();
        QCOMPARE(view.Table().rowCount(), 16);
        QCOMPARE(view.Table().ItemText(15, 4), last);
        QVERIFY(view.History().contains(" -> " + failure));
        QVERIFY(view.MessageLine().isEmpty());
    }

    void closingDuringAReadEndsItAfterTheBlockThatIsBeingRead() {
        ContentView view(115200);
        const auto uid = view.link.Field().Insert(ChipKind::kStSmall);
        QAbstractButton* close = nullptr;
        view.library.afterRead = [&](int block) {
            if (block == 20) {
                // The user's click arrives while the next block is awaited.
                QTimer::singleShot(0, [&] { QTest::mouseClick(close, Qt::LeftButton); });
            }
        };
        CISO15693Dlg& window = view.Make(view.handle);
        close = view.Control<QAbstractButton>("buttonClose");
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QVERIFY(view.WaitForRead(1));
        QVERIFY(!window.isVisible());
        QCOMPARE(window.result(), int(QDialog::Rejected));
        QVERIFY(view.library.readBlocks.back() <= 22);
        QVERIFY(view.Table().rowCount() <= 6);
        // The port is left in order.
        unsigned char record[11];
        QCOMPARE(VESMOR_Inventory(view.handle, record, 11, 0x21), 11);
        QCOMPARE(std::vector<uint8_t>(record + 3, record + 11),
                 std::vector<uint8_t>(uid.begin(), uid.end()));
    }

    void editingACellNeverWritesToTheTransponder() {
        ContentView view;
        const auto uid = view.link.Field().Insert(ChipKind::kNxp);
        const QString before = view.BlockText(uid, 1);
        view.Show();
        view.window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(view.window.get()));
        view.Table().SelectRow(0);
        QVERIFY(view.Table().EditCell(0, 2, CEditableListCtrl::kThisColumnOnly));
        QTest::keyClicks(view.Table().ActiveEditor(), "FF");
        QTest::keyClick(view.Table().ActiveEditor(), Qt::Key_Return);
        QCOMPARE(view.Table().ItemText(0, 2), QString("FF"));
        view.window->reject();
        QCOMPARE(view.library.writes, 0);
        QCOMPARE(view.BlockText(uid, 1), before);
        for (const auto& request : view.link.Field().IsoRequests()) {
            QVERIFY(request.size() < 2 || request[1] != 0x21);
        }
    }

    void aWindowClosedBeforeItsStartReadsNothing() {
        ContentView view;
        view.link.Field().Insert(ChipKind::kNxp);
        CISO15693Dlg& window = view.Make(view.handle);
        window.show();
        window.reject();
        QTest::qWait(120);
        QCOMPARE(view.readPresses, 0);
        QCOMPARE(view.library.calls, 0);
    }

    void withoutPortHandleTheWindowEndsWithItsMessage() {
        ContentView view;
        CISO15693Dlg& window = view.Make(0);
        QCOMPARE(window.exec(), int(QDialog::Rejected));
        QCOMPARE(view.prompts.messages, QStringList{"Es ist kein Porthandle vorhanden"});
        QCOMPARE(view.library.calls, 0);
    }

    void messagesCarryTheTimeAndMoveIntoTheHistory() {
        ContentView view;
        CISO15693Dlg& window = view.Make(view.handle);
        window.ShowMessageText("erste");
        QVERIFY(QRegularExpression("^\\d\\d:\\d\\d:\\d\\d -> erste$")
                    .match(view.MessageLine())
                    .hasMatch());
        window.ShowMessage(kMsgBlankLine);
        QVERIFY(view.MessageLine().isEmpty());
        window.ShowMessage(kMsgBlankLine);
        window.ShowMessageText("zweite");
        window.ShowMessageText("dritte");
        const QStringList lines = view.History().split('\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 2);
        QVERIFY(lines[0].endsWith(" -> erste"));
        QVERIFY(lines[1].endsWith(" -> zweite"));
    }

    void theHistoryNeverHoldsMoreThanFiveHundredLines() {
        ContentView view;
        CISO15693Dlg& window = view.Make(view.handle);
        int most = 0;
        for (int i = 0; i < 1200; ++i) {
            window.ShowMessageText(QString("Meldung %1").arg(i));
            const int lines = static_cast<int>(view.History().count('\n'));
            most = std::max(most, lines);
            QVERIFY(window.HistoryLineCount() <= CISO15693Dlg::kMaxHistoryLines + 1);
        }
        QCOMPARE(most, CISO15693Dlg::kMaxHistoryLines);
        // Emptied at 501 and 1001 lines: the newest moved message is 1198.
        QVERIFY(view.History().endsWith("-> Meldung 1198\n"));
        QCOMPARE(view.History().count('\n'), 1199 - 2 * CISO15693Dlg::kMaxHistoryLines);
    }

    void theMainWindowsAllesButtonOpensTheWindowWithItsPortHandle() {
        SimulatedWindow sim;
        const UiWaitHooks hooks;
        sim.link.Field().Insert(ChipKind::kNxp);
        sim.Open();
        QString title;
        int rows = -1;
        sim.prompts.runModal = [&](QDialog& dialog) {
            auto* content = dynamic_cast<CISO15693Dlg*>(&dialog);
            if (!content) {
                return int(QDialog::Rejected);
            }
            QTimer::singleShot(0, content, [&, content] {
                const bool filled = QTest::qWaitFor(
                    [&] { return content->Table().rowCount() == 7 && !content->Reading(); });
                rows = filled ? content->Table().rowCount() : -2;
                content->reject();
            });
            title = content->windowTitle();
            return content->exec();
        };
        sim.Click("buttonAll");
        QCOMPARE(title, QString("VESMOR Tagforge (Transponder Inhalt)"));
        QCOMPARE(rows, 7);
    }
};

}  // namespace tagforge::ui::test

QTEST_MAIN(tagforge::ui::test::ContentViewTest)
#include "content_view_test.moc"
