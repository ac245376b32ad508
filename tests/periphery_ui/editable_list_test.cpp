// The editable list under the offscreen platform: a list of three columns (a label column
// without editor, a text column of at most 5 characters, a digits-only column of 4) and three
// rows, in an active window, driven by mouse clicks and keys.

#include <QApplication>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>
#include <QWidget>
#include <memory>

#include "periphery/ui/editable_list_ctrl.h"

namespace tagforge::ui::test {

namespace {

struct ListWindow {
    ListWindow() {
        auto* layout = new QVBoxLayout(&window);
        list = new CEditableListCtrl(&window);
        layout->addWidget(list);
        list->InsertColumn(0, "Nr", Qt::AlignHCenter, 60);
        list->InsertColumn(1, "Text", Qt::AlignLeft, 120);
        list->InsertColumn(2, "Zahl", Qt::AlignRight, 120);
        list->SetColumnEditLength(0, 0);
        list->SetColumnEditLength(1, 5);
        list->SetColumnEditLength(2, 4);
        list->SetColumnDigitsOnly(2, true);
        for (int row = 0; row < 3; ++row) {
            list->AppendRow(QString::number(row));
            list->SetItemText(row, 1, QString("t%1").arg(row));
            list->SetItemText(row, 2, QString::number(10 + row));
        }
        window.resize(400, 300);
        window.show();
        window.activateWindow();
        active = QTest::qWaitForWindowActive(&window);
    }

    void ClickCell(int row, int column) const {
        const QRect cell = list->visualRect(list->model()->index(row, column));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, cell.center());
    }
    // A key typed as a person types it: the release goes to whatever has the focus then.
    static void Type(int key, Qt::KeyboardModifiers modifiers = {}) {
        QTest::keyPress(QApplication::focusWidget(), static_cast<Qt::Key>(key), modifiers);
        QTest::keyRelease(QApplication::focusWidget(), static_cast<Qt::Key>(key), modifiers);
    }
    static void TypeText(const QString& text) {
        QTest::keyClicks(QApplication::focusWidget(), text);
    }
    CInPlaceEdit* Editor() const { return list->ActiveEditor(); }
    // Row and column of the open edit box, (-1, -1) without one.
    QPair<int, int> EditedCell() const {
        return Editor() ? qMakePair(Editor()->Row(), Editor()->Column()) : qMakePair(-1, -1);
    }
    // The list's edit box opened on the cell, as the second click on a selected row opens it.
    void Edit(int row, int column) const {
        list->SelectRow(row);
        QVERIFY(list->EditCell(row, column, CEditableListCtrl::kThisColumnOnly));
        QVERIFY(Editor());
    }

    QWidget window;
    CEditableListCtrl* list = nullptr;
    bool active = false;
};

}  // namespace

class EditableListTest : public QObject {
    Q_OBJECT

  private slots:
    void theFirstClickSelectsTheRowAndTheSecondOpensTheEditBox() {
        ListWindow w;
        QVERIFY(w.active);
        w.list->SelectRow(0);
        w.ClickCell(1, 1);
        QCOMPARE(w.list->currentRow(), 1);
        QVERIFY(w.list->selectionModel()->isRowSelected(1, {}));
        QVERIFY(!w.Editor());
        w.ClickCell(1, 1);
        QCOMPARE(w.EditedCell(), qMakePair(1, 1));
        CInPlaceEdit* editor = w.Editor();
        QCOMPARE(editor->text(), QString("t1"));
        QCOMPARE(editor->selectedText(), QString("t1"));
        QVERIFY(editor->hasFocus());
        QCOMPARE(editor->maxLength(), 5);
        QCOMPARE(editor->font(), w.list->font());
        const QRect cell = w.list->visualRect(w.list->model()->index(1, 1));
        QCOMPARE(editor->geometry().left(), cell.left() + 4);
        QCOMPARE(editor->geometry().top(), cell.top());
    }

    void theEditBoxTakesTheColumnsAlignment() {
        ListWindow w;
        w.Edit(0, 2);
        QCOMPARE(w.Editor()->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignRight);
    }

    void aColumnWithoutEditLengthOpensNoBoxAndIsSkipped() {
        ListWindow w;
        w.list->SelectRow(1);
        w.ClickCell(1, 0);
        QVERIFY(!w.Editor());
        QVERIFY(!w.list->EditCell(1, 0, CEditableListCtrl::kThisColumnOnly));
        QVERIFY(w.list->EditCell(1, 0, CEditableListCtrl::kSearchRight));
        QCOMPARE(w.EditedCell(), qMakePair(1, 1));
    }

    void enterCommitsAndMovesToTheSameColumnOfTheNextRow() {
        ListWindow w;
        w.Edit(0, 2);
        w.TypeText("77");
        w.Type(Qt::Key_Return);
        QCOMPARE(w.list->ItemText(0, 2), QString("77"));
        QCOMPARE(w.EditedCell(), qMakePair(1, 2));
        QCOMPARE(w.list->currentRow(), 1);
    }

    void enterOnTheLastRowWithoutAppendingLeavesTheEditWithTheLastRowSelected() {
        ListWindow w;
        w.list->EnableRowAppend(false);
        w.Edit(2, 1);
        w.TypeText("ab");
        w.Type(Qt::Key_Return);
        QApplication::processEvents();
        QCOMPARE(w.list->ItemText(2, 1), QString("ab"));
        QCOMPARE(w.list->rowCount(), 3);
        QVERIFY(!w.Editor());
        QCOMPARE(w.list->currentRow(), 2);
        QVERIFY(w.list->selectionModel()->isRowSelected(2, {}));
    }

    void enterOnTheLastRowWithAppendingAddsARowAndEditsIt() {
        ListWindow w;
        w.Edit(2, 1);
        w.TypeText("ab");
        w.Type(Qt::Key_Return);
        QCOMPARE(w.list->rowCount(), 4);
        QCOMPARE(w.EditedCell(), qMakePair(3, 1));
        QCOMPARE(w.list->currentRow(), 3);
    }

    void anEmptyLastCellAppendsNoRow() {
        ListWindow w;
        w.Edit(2, 1);
        w.Editor()->clear();
        w.Type(Qt::Key_Return);
        QCOMPARE(w.list->rowCount(), 3);
        QVERIFY(!w.Editor());
    }

    void tabAndShiftTabCrossRowsOverTheColumnWithoutEditor() {
        ListWindow w;
        w.list->EnableRowAppend(false);
        w.Edit(0, 1);
        w.Type(Qt::Key_Tab);
        QCOMPARE(w.EditedCell(), qMakePair(0, 2));
        w.Type(Qt::Key_Tab);
        QCOMPARE(w.EditedCell(), qMakePair(1, 1));
        QCOMPARE(w.list->currentRow(), 1);
        w.Type(Qt::Key_Tab, Qt::ShiftModifier);
        QCOMPARE(w.EditedCell(), qMakePair(0, 2));
        QCOMPARE(w.list->currentRow(), 0);
        w.Type(Qt::Key_Backtab, Qt::ShiftModifier);
        QCOMPARE(w.EditedCell(), qMakePair(0, 1));
        // Nothing before the first editable cell of the first row: the edit just ends.
        w.Type(Qt::Key_Backtab, Qt::ShiftModifier);
        QVERIFY(!w.Editor());
    }

    void tabInTheLastCellOfTheLastRowStaysThereWithoutAppending() {
        ListWindow w;
        w.list->EnableRowAppend(false);
        w.Edit(2, 2);
        w.Type(Qt::Key_Tab);
        QVERIFY(!w.Editor());
        QCOMPARE(w.list->rowCount(), 3);
        QCOMPARE(w.list->currentRow(), 2);
    }

    void theEndNotificationCarriesTheCellTheTextAndHowTheEditEnded() {
        ListWindow w;
        w.list->EnableRowAppend(false);
        QSignalSpy ended(w.list, &CEditableListCtrl::endLabelEdit);
        w.Edit(0, 1);
        w.TypeText("x");
        w.Type(Qt::Key_Tab);
        w.Type(Qt::Key_Tab, Qt::ShiftModifier);
        w.Type(Qt::Key_Return);
        QCOMPARE(ended.count(), 3);
        QCOMPARE(ended[0], (QVariantList{0, 1, QString("x"), true, 0x1001}));
        QCOMPARE(ended[1], (QVariantList{0, 2, QString("10"), true, 0x3001}));
        QCOMPARE(ended[2], (QVariantList{0, 1, QString("x"), true, 0x4001}));
    }

    void escapeKeepsTheOldTextAndStillNotifies() {
        ListWindow w;
        QSignalSpy ended(w.list, &CEditableListCtrl::endLabelEdit);
        QSignalSpy changed(w.list, &CEditableListCtrl::editItemChanged);
        w.Edit(1, 1);
        w.TypeText("neu");
        w.Type(Qt::Key_Escape);
        QCOMPARE(w.list->ItemText(1, 1), QString("t1"));
        QVERIFY(!w.Editor());
        QCOMPARE(ended.count(), 1);
        QCOMPARE(ended[0][3].toBool(), false);
        QCOMPARE(ended[0][4].toInt(), 0x0001);
        QCOMPARE(changed.count(), 1);
        QCOMPARE(changed[0], (QVariantList{1, 1}));
        QVERIFY(w.window.isVisible());  // Escape ends the edit, not the window
    }

    void typingBeyondTheEditLengthIsRefused() {
        ListWindow w;
        w.Edit(0, 1);
        w.TypeText("abcdefgh");
        QCOMPARE(w.Editor()->text(), QString("abcde"));
    }

    void aDigitsOnlyColumnRefusesLetters() {
        ListWindow w;
        w.Edit(0, 2);
        w.TypeText("1a2b");
        QCOMPARE(w.Editor()->text(), QString("12"));
    }

    void theBoxWidensWhileTypingButNotPastTheVisibleRightEdge() {
        ListWindow w;
        w.list->SetColumnEditLength(1, 200);
        w.Edit(0, 1);
        const int before = w.Editor()->width();
        w.TypeText(QString(60, 'W'));
        QVERIFY(w.Editor()->width() > before);
        QVERIFY(w.Editor()->geometry().right() <= w.list->viewport()->width());
    }

    void enterReleasedOnTheListEditsTheFocusedRow() {
        ListWindow w;
        w.list->SelectRow(1);
        w.list->setFocus();
        w.Type(Qt::Key_Return);
        QCOMPARE(w.EditedCell(), qMakePair(1, 1));
    }

    void scrollingEndsTheEditAndKeepsItsText() {
        ListWindow w;
        for (int row = 3; row < 60; ++row) {
            w.list->AppendRow(QString::number(row));
        }
        w.Edit(0, 1);
        w.TypeText("zz");
        w.list->verticalScrollBar()->setValue(w.list->verticalScrollBar()->maximum());
        QVERIFY(!w.Editor());
        QCOMPARE(w.list->ItemText(0, 1), QString("zz"));
    }

    void clickingAnotherRowEndsTheEditAndOnlySelects() {
        ListWindow w;
        w.Edit(0, 1);
        w.TypeText("q");
        w.ClickCell(2, 1);
        QCOMPARE(w.list->ItemText(0, 1), QString("q"));
        QVERIFY(!w.Editor());
        QCOMPARE(w.list->currentRow(), 2);
    }

    void selectingARowThatDoesNotExistChangesNothing() {
        ListWindow w;
        w.list->SelectRow(1);
        w.list->SelectRow(3);
        w.list->SelectRow(-1);
        QCOMPARE(w.list->currentRow(), 1);
        QCOMPARE(w.list->selectionModel()->selectedRows().size(), 1);
    }

    void resettingTheEditorsClosesEveryColumn() {
        ListWindow w;
        w.list->ResetColumnEditors();
        QVERIFY(!w.list->EditCell(0, 0, CEditableListCtrl::kSearchRight));
        QCOMPARE(w.list->ColumnEditLength(1), 0);
        QCOMPARE(w.list->ColumnEditLength(CEditableListCtrl::kMaxColumns), 0);
    }
};

}  // namespace tagforge::ui::test

QTEST_MAIN(tagforge::ui::test::EditableListTest)
#include "editable_list_test.moc"
