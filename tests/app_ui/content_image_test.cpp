// The content window's text column, "Speichern…" and "Vergleichen…", against the simulated
// reader, with real image files.

#include <QDir>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <fstream>

#include "app/core/tag_image.h"
#include "tests/app_ui/content_fixture.h"

namespace tagforge::ui::test {

using vesmor::sim::ChipKind;

class ContentImageTest : public QObject {
    Q_OBJECT

  private slots:
    void theTextColumnShowsPrintableBytesAndDotsForTheRest() {
        ContentView view;
        const auto uid = view.link.Field().Insert(ChipKind::kNxp);
        view.link.Field().SetBlock(uid, 4, {'V', 'E', 'S', 0x1B});
        view.link.Field().SetBlock(uid, 5, {'M', 'O', 'R', 0x7F});
        view.Show();
        QCOMPARE(view.Table().horizontalHeaderItem(5)->text(), QString("ASCII"));
        QCOMPARE(view.Table().ItemText(1, 5), QString("VES.MOR........."));
        QCOMPARE(view.Table().ItemText(0, 5), QString("................"));
        QCOMPARE(view.Control<QPushButton>("buttonSave")->text(), QString("Speichern…"));
        QCOMPARE(view.Control<QPushButton>("buttonCompare")->text(), QString("Vergleichen…"));
    }

    void aSavedImageComparesEqualAndAChangedBlockIsMarked() {
        QTemporaryDir dir;
        ContentView view;
        const auto uid = view.link.Field().Insert(ChipKind::kInfineon);
        view.Show();
        const QString path = dir.filePath("tag.json");
        QVERIFY(view.window->SaveImage(path));
        ImageProblem problem;
        const std::string text = [&] {
            std::ifstream file(path.toStdString());
            return std::string(std::istreambuf_iterator<char>(file), {});
        }();
        const auto image = ParseImage(text, ImageFormat::kJson, 0, problem);
        QVERIFY(image.has_value());
        QCOMPARE(image->blockCount, 64);
        QCOMPARE(image->blockSize, 8);
        QCOMPARE(view.window->CompareWithImage(path), 0);
        QVERIFY(view.MessageLine().endsWith("Gleich: alle 64 Blöcke"));
        // Block 9 changes on the tag: read again, the comparison marks its cell and its row's
        // text, and nothing else.
        view.link.Field().SetBlock(uid, 9, {1, 2, 3, 4, 5, 6, 7, 8});
        view.ReadAgain();
        QCOMPARE(view.window->CompareWithImage(path), 1);
        QVERIFY(view.MessageLine().endsWith("Verschieden: 1 von 64 Blöcken (9)"));
        const QColor mark = CISO15693Dlg::DifferenceColour();
        for (int r = 0; r < view.Table().rowCount(); ++r) {
            for (int c = 1; c < view.Table().columnCount(); ++c) {
                const QTableWidgetItem* item = view.Table().item(r, c);
                const bool marked = item && item->background().color() == mark;
                QCOMPARE(marked, r == 2 && (c == 2 || c == 5));
            }
        }
        // A file of another geometry is refused with the reason and marks nothing.
        QVERIFY(view.window->SaveImage(dir.filePath("tag.bin")));
        view.link.Field().Clear();
        view.link.Field().Insert(ChipKind::kNxp);
        view.ReadAgain();
        QCOMPARE(view.window->CompareWithImage(path), -1);
        QVERIFY(view.MessageLine().endsWith(
            "Das Abbild hat Blöcke zu 8 Bytes, der Transponder zu 4 Bytes"));
        // The binary form of 64 x 8 bytes reads as 128 blocks of 4.
        QCOMPARE(view.window->CompareWithImage(dir.filePath("tag.bin")), -1);
        QVERIFY(view.MessageLine().endsWith("Das Abbild hat 128 Blöcke, der Transponder nur 28"));
    }

    void savingRefusesALinkAndAnEmptyReading() {
        QTemporaryDir dir;
        ContentView view;
        view.Show();  // no transponder
        QVERIFY(!view.window->SaveImage(dir.filePath("none.json")));
        QVERIFY(view.MessageLine().endsWith("Keine Blöcke gelesen: nichts zu speichern"));
        view.link.Field().Insert(ChipKind::kNxp);
        view.ReadAgain();
        QVERIFY(QFile::link(dir.filePath("victim"), dir.filePath("link.json")));
        QVERIFY(!view.window->SaveImage(dir.filePath("link.json")));
        QVERIFY(view.MessageLine().endsWith("nicht gespeichert: ist ein symbolischer Link"));
        QVERIFY(!QFile::exists(dir.filePath("victim")));
        // A reading that finds no transponder leaves nothing of the one before to save.
        QVERIFY(view.window->SaveImage(dir.filePath("tag.csv")));
        view.link.Field().Clear();
        view.ReadAgain();
        QVERIFY(!view.window->SaveImage(dir.filePath("stale.json")));
    }
};

}  // namespace tagforge::ui::test

QTEST_MAIN(tagforge::ui::test::ContentImageTest)
#include "content_image_test.moc"
