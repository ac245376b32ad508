#pragma once
// `CEditableListCtrl`: a report view (grid lines, whole rows selected) whose cells the user
// edits in place. A click on a cell of the focused row, or Enter on the list, opens a
// CInPlaceEdit over the cell; Enter and Tab commit the text and move on to the next editable
// cell, Shift+Tab to the previous one, Escape keeps the old text. Each column has an edit length
// (0: the column opens no box) and may accept digits only.

#include <QPointer>
#include <QTableWidget>
#include <array>
#include <cstdint>

#include "periphery/ui/in_place_edit.h"

namespace tagforge::ui {

class CEditableListCtrl : public QTableWidget {
    Q_OBJECT

  public:
    static constexpr int kMaxColumns = 33;
    static constexpr int kDefaultEditLength = 255;
    // Column flags.
    static constexpr uint8_t kDigitsOnly = 0x01;
    // EditCell directions.
    static constexpr int kSearchRight = 1;
    static constexpr int kSearchLeft = 2;
    static constexpr int kThisColumnOnly = 0;

    explicit CEditableListCtrl(QWidget* parent = nullptr);

    // Maximum characters of the column's edit box; 0 opens none. Columns beyond kMaxColumns
    // never open one.
    void SetColumnEditLength(int column, int length);
    int ColumnEditLength(int column) const;
    void SetColumnDigitsOnly(int column, bool digitsOnly);
    // Edit length 0 and no flags for every column.
    void ResetColumnEditors();

    void EnableRowAppend(bool enable) { m_appendRows = enable; }
    void EnableRowDrag(bool enable) { m_dragRows = enable; }
    bool RowAppendEnabled() const { return m_appendRows; }
    bool RowDragEnabled() const { return m_dragRows; }

    // Opens the edit box on the first editable column from `column` on, searching in
    // `direction` (kSearchRight, kSearchLeft, or only this column); true when a column
    // qualified, also when its box could not be opened.
    bool EditCell(int row, int column, int direction);

    // Makes `row` the only selected and focused row and scrolls it into view; a row that does
    // not exist changes nothing.
    void SelectRow(int row);

    // Column management in the way of a report view: heading, alignment of heading and cells,
    // width in pixels.
    void InsertColumn(int column, const QString& heading, Qt::Alignment alignment, int width);
    void DeleteAllColumns();
    Qt::Alignment ColumnAlignment(int column) const;

    // Appends a row whose first cell is `text`; its index.
    int AppendRow(const QString& text);
    void SetItemText(int row, int column, const QString& text);
    QString ItemText(int row, int column) const;

    // The open edit box, if any.
    CInPlaceEdit* ActiveEditor() const { return m_editor; }

  signals:
    // An in-place edit ended (committed or cancelled): the text is valid only when hasText;
    // flags are the kEditEnded* values.
    void endLabelEdit(int row, int column, const QString& text, bool hasText, int flags);
    // After every ended edit of a valid cell, once the list has taken the text over and moved
    // on.
    void editItemChanged(int row, int column);

  protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

  private:
    void Click(QMouseEvent* event);
    bool OpenEditor(int row, int column);
    void OnEditEnded(int row, int column, const QString& text, bool hasText, int flags);
    // Enter in a row: on to the next row, or a new row at the end.
    void MoveDown(int row, int column, int editFromColumn);

    struct ColumnEditor {
        uint8_t length = kDefaultEditLength;
        uint8_t flags = 0;
    };
    std::array<ColumnEditor, kMaxColumns> m_columns{};
    bool m_appendRows = true;
    bool m_dragRows = true;
    bool m_enterPressed = false;  // Enter went down on the list itself, not in an edit box
    QPointer<CInPlaceEdit> m_editor;
};

}  // namespace tagforge::ui
