// The transponder content window under the offscreen platform, reading transponders of the
// simulated reader through libvesmor.

#include <QRegularExpression>
#include <QTest>
#include <QTimer>
#include <set>

#include "app/core/tag_layout.h"
#include "app/core/transponder_text.h"
#include "common/messages.h"
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
        QCOMPARE(view.Table().columnCount(), 6);
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
        QStringList texts;
        for (int block = 0; block < 64; ++block) {
            texts << view.BlockText(uid, block);
        }
        size_t requestsBefore = 0;
        view.library.afterRead = [&](int block) {
            if (block == 10 && requestsBefore == 0) {
                view.link.Field().Remove(uid);
                requestsBefore = view.library.requests.size();
            }
        };
        view.Show();
        // The table stops at the first block asked for after the transponder left.
        QVERIFY(requestsBefore > 0 && requestsBefore < view.library.requests.size());
        const int stop = view.library.requests[requestsBefore].first;
        QVERIFY(stop > 10);
        const int row = stop / 4;
        QCOMPARE(view.Table().rowCount(), row + 1);
        for (int block = 4 * row; block < 4 * row + 4; ++block) {
            QCOMPARE(view.Table().ItemText(row, 1 + block % 4),
                     block < stop ? texts[block] : QString());
        }
        QCOMPARE(std::count(view.library.singleReads.begin(), view.library.singleReads.end(), stop),
                 CISO15693Dlg::kAttempts);
        QCOMPARE(view.library.singleReads.back(), stop);
        const QString failure = Mapped(view);
        QVERIFY(!failure.isEmpty());
        QVERIFY(view.MessageLine().endsWith(" -> " + failure));

        view.library.afterRead = nullptr;
        view.link.Field().Insert(ChipKind::kStSmall, uid);
        view.ReadAgain();
        QCOMPARE(view.Table().rowCount(), 16);
        QCOMPARE(view.Table().ItemText(15, 4), texts[63]);
        QVERIFY(view.History().contains(" -> " + failure));
        QVERIFY(view.MessageLine().isEmpty());
    }

    void aRunThatFailsIsReadBlockByBlockWithRetriesAndTheRunsGoOnAfterIt() {
        ContentView view;
        const auto uid = view.link.Field().Insert(ChipKind::kStLarge);
        bool gone = false;
        view.library.afterRead = [&](int block) {
            if (block == 10 && !gone && view.library.singleReads.empty()) {
                view.link.Field().Remove(uid);
                gone = true;
            } else if (gone && !view.library.singleReads.empty()) {
                view.link.Field().Insert(ChipKind::kStLarge, uid);  // back for the retry
                gone = false;
            }
        };
        view.Show();
        const auto& requests = view.library.requests;
        QVERIFY(requests.size() > 3);
        const auto failed = requests[1];
        QVERIFY(requests[0].run && failed.run && failed.count > 1);
        // The failed run's blocks one by one, in order, the first of them retried; then runs.
        const std::vector<int>& singles = view.library.singleReads;
        QVERIFY(std::is_sorted(singles.begin(), singles.end()));
        QVERIFY(std::count(singles.begin(), singles.end(), failed.first) >= 2);
        QCOMPARE(std::set<int>(singles.begin(), singles.end()).size(), size_t(failed.count));
        QCOMPARE(singles.back(), failed.first + failed.count - 1);
        const auto next = requests[2 + singles.size()];
        QVERIFY(next.run);
        QCOMPARE(next.first, failed.first + failed.count);
        QCOMPARE(view.Table().rowCount(), 512);
        for (int block = 0; block < 2048; ++block) {
            QCOMPARE(view.Table().ItemText(block / 4, 1 + block % 4), view.BlockText(uid, block));
        }
        QVERIFY(view.MessageLine().isEmpty());  // retries that succeed show nothing
    }

    void closingDuringAReadEndsItAfterTheRunThatIsBeingRead() {
        ContentView view(115200);
        const auto uid = view.link.Field().Insert(ChipKind::kStLarge);
        QAbstractButton* close = nullptr;
        size_t requestsAtClose = 0;
        view.library.afterRead = [&](int block) {
            if (block == 20) {
                // The user's click arrives while the next blocks are awaited.
                QTimer::singleShot(0, [&] {
                    requestsAtClose = view.library.requests.size();
                    QTest::mouseClick(close, Qt::LeftButton);
                });
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
        // Nothing is asked after the click, and the blocks of the run it ended stay empty.
        QVERIFY(requestsAtClose > 0);
        QCOMPARE(view.library.requests.size(), requestsAtClose);
        const int last = view.library.requests.back().first;
        QVERIFY(last > 20 && last < 2048);
        QCOMPARE(view.Table().rowCount(), last / 4 + 1);
        QVERIFY(view.Table().ItemText(last / 4, 1 + last % 4).isEmpty());
        QCOMPARE(view.Table().ItemText((last - 1) / 4, 1 + (last - 1) % 4),
                 view.BlockText(uid, last - 1));
        // The port is left in order.
        unsigned char record[11];
        QCOMPARE(VESMOR_Inventory(view.handle, record, 11, 0x21), 11);
        QCOMPARE(std::vector<uint8_t>(record + 3, record + 11),
                 std::vector<uint8_t>(uid.begin(), uid.end()));
    }

    void aTwentyEightBlockTagIsReadInFarFewerRequestsThanBlocks() {
        ContentView view;
        view.link.Field().Insert(ChipKind::kNxp);
        view.Show();
        QCOMPARE(view.Table().rowCount(), 7);
        QVERIFY(view.library.singleReads.empty());
        QVERIFY(view.library.requests.size() <= 2);
        QVERIFY(view.library.requests.front().run);
    }

    void everyKindShowsWhatSingleReadsGive_data() {
        QTest::addColumn<ChipKind>("kind");
        QTest::newRow("nxp") << ChipKind::kNxp;
        QTest::newRow("st") << ChipKind::kStSmall;
        QTest::newRow("ti refuses runs") << ChipKind::kTi;
        QTest::newRow("nxp-runs8 takes runs of 8") << ChipKind::kNxpRuns8;
        QTest::newRow("infineon") << ChipKind::kInfineon;
        QTest::newRow("em") << ChipKind::kEm;
        QTest::newRow("nxp48 has fewer blocks than it reports") << ChipKind::kNxp48;
    }

    void everyKindShowsWhatSingleReadsGive() {
        QFETCH(ChipKind, kind);
        ContentView view;
        const auto uid = view.link.Field().Insert(kind);
        view.Show();
        const CISO15693Dlg::TagSlot slot = view.window->Slot();
        const int perRow = slot.blocksPerRow;
        int block = 0;
        for (; BlockIsRead(block, slot.blockCount, slot.icManufacturer); ++block) {
            std::vector<unsigned char> data(static_cast<size_t>(slot.blockSize));
            const int32_t n =
                VESMOR_ReadBlock(view.handle, block, data.data(), slot.blockSize, uid.data(), 8,
                                 BlockRequestFlags(1, slot.icManufacturer, block));
            const QString cell = view.Table().ItemText(block / perRow, 1 + block % perRow);
            if (n != slot.blockSize) {
                // The table ends where single reads fail, with their message.
                QVERIFY(cell.isEmpty());
                QCOMPARE(view.Table().rowCount(), block / perRow + 1);
                QVERIFY(view.MessageLine().endsWith(" -> " + Mapped(view)));
                break;
            }
            QCOMPARE(cell, QString::fromStdString(HexBytes(data)));
        }
        if (!BlockIsRead(block, slot.blockCount, slot.icManufacturer)) {
            QVERIFY(view.MessageLine().isEmpty());
            QCOMPARE(view.Table().rowCount(), (slot.blockCount + perRow - 1) / perRow);
        }
        QVERIFY(block > 0);
    }

    void blocksAboveTwoHundredFiftyFiveOfALargeStTagAreRead() {
        ContentView view;
        const auto uid = view.link.Field().Insert(ChipKind::kStLarge);
        view.Show();
        QCOMPARE(view.Table().rowCount(), 512);
        for (int block : {0, 254, 255, 256, 257, 1000, 2047}) {
            QCOMPARE(view.Table().ItemText(block / 4, 1 + block % 4), view.BlockText(uid, block));
        }
        QVERIFY(view.MessageLine().isEmpty());
        int runs = 0;
        for (const auto& request : view.library.requests) {
            runs += request.run;
            QVERIFY(!(request.first <= 255 && request.first + request.count > 256));
        }
        QVERIFY(runs < 2048 / 32);
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
