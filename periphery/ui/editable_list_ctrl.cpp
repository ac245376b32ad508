#include "periphery/ui/editable_list_ctrl.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QRegularExpressionValidator>
#include <QScrollBar>
#include <algorithm>

namespace tagforge::ui {

namespace {

constexpr int kNarrowestEditableColumn = 5;  // pixels
constexpr int kEditInset = 4;                // the box starts this far right of the cell's edge

bool IsEnter(int key) {
    return key == Qt::Key_Return || key == Qt::Key_Enter;
}

}  // namespace

CEditableListCtrl::CEditableListCtrl(QWidget* parent) : QTableWidget(parent) {
    setShowGrid(true);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setWordWrap(false);
    verticalHeader()->hide();
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setStretchLastSection(false);
}

void CEditableListCtrl::SetColumnEditLength(int column, int length) {
    if (column >= 0 && column < kMaxColumns) {
        m_columns[static_cast<size_t>(column)].length =
            static_cast<uint8_t>(std::clamp(length, 0, 255));
    }
}

int CEditableListCtrl::ColumnEditLength(int column) const {
    return column >= 0 && column < kMaxColumns ? m_columns[static_cast<size_t>(column)].length : 0;
}

void CEditableListCtrl::SetColumnDigitsOnly(int column, bool digitsOnly) {
    if (column >= 0 && column < kMaxColumns) {
        uint8_t& flags = m_columns[static_cast<size_t>(column)].flags;
        flags = digitsOnly ? (flags | kDigitsOnly) : (flags & ~kDigitsOnly);
    }
}

void CEditableListCtrl::ResetColumnEditors() {
    m_columns.fill(ColumnEditor{0, 0});
}

bool CEditableListCtrl::EditCell(int row, int column, int direction) {
    while (column >= 0 && column < columnCount()) {
        if (ColumnEditLength(column) != 0) {
            OpenEditor(row, column);
            return true;
        }
        if (direction == kSearchRight) {
            ++column;
        } else if (direction == kSearchLeft) {
            --column;
        } else {
            break;
        }
    }
    return false;
}

void CEditableListCtrl::SelectRow(int row) {
    if (row < 0 || row >= rowCount()) {
        return;
    }
    setCurrentCell(row, std::max(currentColumn(), 0),
                   QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    scrollTo(model()->index(row, 0));
}

void CEditableListCtrl::InsertColumn(int column, const QString& heading, Qt::Alignment alignment,
                                     int width) {
    insertColumn(column);
    auto* header = new QTableWidgetItem(heading);
    header->setTextAlignment(alignment | Qt::AlignVCenter);
    setHorizontalHeaderItem(column, header);
    setColumnWidth(column, width);
}

void CEditableListCtrl::DeleteAllColumns() {
    setRowCount(0);
    setColumnCount(0);
}

Qt::Alignment CEditableListCtrl::ColumnAlignment(int column) const {
    const QTableWidgetItem* header = horizontalHeaderItem(column);
    const Qt::Alignment alignment =
        header ? Qt::Alignment(header->textAlignment()) : Qt::Alignment(Qt::AlignLeft);
    return alignment & Qt::AlignHorizontal_Mask;
}

int CEditableListCtrl::AppendRow(const QString& text) {
    const int row = rowCount();
    insertRow(row);
    SetItemText(row, 0, text);
    return row;
}

void CEditableListCtrl::SetItemText(int row, int column, const QString& text) {
    if (QTableWidgetItem* existing = item(row, column)) {
        existing->setText(text);
        return;
    }
    auto* cell = new QTableWidgetItem(text);
    cell->setTextAlignment(ColumnAlignment(column) | Qt::AlignVCenter);
    setItem(row, column, cell);
}

QString CEditableListCtrl::ItemText(int row, int column) const {
    const QTableWidgetItem* cell = item(row, column);
    return cell ? cell->text() : QString();
}

bool CEditableListCtrl::OpenEditor(int row, int column) {
    if (row < 0 || row >= rowCount() || column < 0 || column >= columnCount() ||
        isColumnHidden(column) || columnWidth(column) < kNarrowestEditableColumn) {
        return false;
    }
    scrollTo(model()->index(row, 0));
    QRect cell = visualRect(model()->index(row, column));
    const int visibleRight = viewport()->width();
    if (cell.left() < 0 || cell.left() > visibleRight) {
        QScrollBar* bar = horizontalScrollBar();
        bar->setValue(bar->value() + cell.left());
        cell = visualRect(model()->index(row, column));
    }
    const int left = cell.left() + kEditInset;
    const int right = std::min(cell.right(), visibleRight);
    const ColumnEditor& settings = m_columns[static_cast<size_t>(column)];
    auto* editor = new CInPlaceEdit(row, column, ItemText(row, column), this, visibleRight);
    editor->setObjectName("inPlaceEdit");
    editor->setFont(font());
    editor->setFrame(true);
    editor->setAlignment(ColumnAlignment(column) | Qt::AlignVCenter);
    editor->setMaxLength(settings.length);
    if (settings.flags & kDigitsOnly) {
        editor->setValidator(new QRegularExpressionValidator(QRegularExpression("[0-9]*"), editor));
    }
    editor->setGeometry(left, cell.top(), std::max(right - left, 1), cell.height());
    connect(editor, &CInPlaceEdit::editEnded, this, &CEditableListCtrl::OnEditEnded);
    m_editor = editor;
    editor->show();
    editor->selectAll();
    editor->setFocus(Qt::OtherFocusReason);
    return true;
}

void CEditableListCtrl::OnEditEnded(int row, int column, const QString& text, bool hasText,
                                    int flags) {
    if (m_editor && m_editor == sender()) {
        m_editor = nullptr;
    }
    emit endLabelEdit(row, column, text, hasText, flags);
    if (row < 0 || row >= rowCount() || column < 0 || column >= columnCount()) {
        return;
    }
    if (hasText) {
        SetItemText(row, column, text);
    }
    if (flags & kEditEndedEnter) {
        MoveDown(row, column, column);
    } else if ((flags & kEditEndedTab) && !(flags & kEditEndedShift)) {
        if (!EditCell(row, column + 1, kSearchRight)) {
            MoveDown(row, column, 0);
        }
    } else if (flags & kEditEndedTab) {
        if (!EditCell(row, column - 1, kSearchLeft) && row > 0) {
            SelectRow(row - 1);
            EditCell(row - 1, columnCount() - 1, kSearchLeft);
        }
    }
    emit editItemChanged(row, column);
}

void CEditableListCtrl::MoveDown(int row, int column, int editFromColumn) {
    if (row + 1 < rowCount()) {
        SelectRow(row + 1);
        EditCell(row + 1, editFromColumn, kSearchRight);
    } else if (!ItemText(row, column).isEmpty() && m_appendRows) {
        insertRow(rowCount());
        SelectRow(row + 1);
        EditCell(row + 1, editFromColumn, kSearchRight);
    } else {
        SelectRow(row);
    }
}

void CEditableListCtrl::mousePressEvent(QMouseEvent* event) {
    Click(event);
}

// A double click is the second click of the pair: it edits the cell of the row the first one
// selected.
void CEditableListCtrl::mouseDoubleClickEvent(QMouseEvent* event) {
    Click(event);
}

void CEditableListCtrl::Click(QMouseEvent* event) {
    // Taking the focus ends an edit that runs elsewhere in the list.
    setFocus(Qt::MouseFocusReason);
    const int focusedRow = currentIndex().isValid() ? currentRow() : -1;
    const QModelIndex cell = indexAt(event->position().toPoint());
    QTableWidget::mousePressEvent(event);
    if (!cell.isValid() || event->button() != Qt::LeftButton) {
        return;
    }
    if (cell.row() != focusedRow) {
        SelectRow(cell.row());
        return;
    }
    EditCell(cell.row(), cell.column(), kThisColumnOnly);
}

void CEditableListCtrl::keyPressEvent(QKeyEvent* event) {
    if (IsEnter(event->key())) {
        m_enterPressed = !event->isAutoRepeat() || m_enterPressed;
        event->accept();
        return;
    }
    QTableWidget::keyPressEvent(event);
}

// Enter released on the list edits the focused row. The release of an Enter that went down in
// an edit box (which ended that edit) is not one.
void CEditableListCtrl::keyReleaseEvent(QKeyEvent* event) {
    if (IsEnter(event->key()) && !event->isAutoRepeat()) {
        const bool pressedHere = m_enterPressed;
        m_enterPressed = false;
        if (pressedHere && currentIndex().isValid()) {
            EditCell(currentRow(), 0, kSearchRight);
        }
        event->accept();
        return;
    }
    QTableWidget::keyReleaseEvent(event);
}

void CEditableListCtrl::scrollContentsBy(int dx, int dy) {
    if (m_editor) {
        m_editor->EndEdit();
    }
    QTableWidget::scrollContentsBy(dx, dy);
}

}  // namespace tagforge::ui
