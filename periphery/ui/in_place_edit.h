#pragma once
// `CInPlaceEdit`: the edit box that CEditableListCtrl opens over one cell. Escape, Enter and
// Tab (with or without Shift) give the focus back to the list; losing the focus for any reason
// ends the edit, which reports the cell, the text (none when cancelled) and how it ended, and
// the box removes itself.

#include <QAbstractScrollArea>
#include <QLineEdit>
#include <QString>

namespace tagforge::ui {

// Flags of an ended edit, as the list's end-label-edit notification carries them.
inline constexpr int kEditEndedFlag = 0x0001;  // always set
inline constexpr int kEditEndedTab = 0x1000;
inline constexpr int kEditEndedShift = 0x2000;  // only together with kEditEndedTab
inline constexpr int kEditEndedEnter = 0x4000;

class CInPlaceEdit final : public QLineEdit {
    Q_OBJECT

  public:
    // A box over the cell (row, column) showing `text`, inside `list`'s viewport. It may grow
    // while the user types up to `maxRight` (viewport coordinates).
    CInPlaceEdit(int row, int column, const QString& text, QAbstractScrollArea* list, int maxRight);

    int Row() const { return m_row; }
    int Column() const { return m_column; }
    const QString& InitialText() const { return m_initialText; }

    // Gives the focus back to the list, which ends the edit.
    void EndEdit();

  signals:
    // The edit is over: the text is valid only when hasText (not cancelled); flags are
    // kEditEnded* values.
    void editEnded(int row, int column, const QString& text, bool hasText, int flags);

  protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

  private:
    void Finish();
    void WidenForText();

    QWidget* m_list;
    int m_row;
    int m_column;
    QString m_initialText;
    int m_maxRight;
    bool m_cancelled = false;
    bool m_enter = false;
    bool m_shift = false;
    bool m_tab = false;
    bool m_finished = false;
};

}  // namespace tagforge::ui
