#include "periphery/ui/in_place_edit.h"

#include <QFocusEvent>
#include <QFontMetrics>
#include <QKeyEvent>
#include <algorithm>

namespace tagforge::ui {

namespace {

// Room right of the text, so that the caret stays visible while the box widens.
constexpr int kTextMargin = 5;

bool IsEndingKey(int key) {
    return key == Qt::Key_Escape || key == Qt::Key_Return || key == Qt::Key_Enter ||
           key == Qt::Key_Tab || key == Qt::Key_Backtab;
}

}  // namespace

CInPlaceEdit::CInPlaceEdit(int row, int column, const QString& text, QAbstractScrollArea* list,
                           int maxRight)
    : QLineEdit(text, list->viewport()),
      m_list(list),
      m_row(row),
      m_column(column),
      m_initialText(text),
      m_maxRight(maxRight) {
    connect(this, &QLineEdit::textEdited, this, [this] { WidenForText(); });
}

bool CInPlaceEdit::event(QEvent* event) {
    if (event->type() == QEvent::ShortcutOverride) {
        // Tab, Enter, Escape, Delete and Ctrl combinations belong to the box, not to the
        // window's shortcuts and keyboard navigation.
        const auto* key = static_cast<QKeyEvent*>(event);
        if (IsEndingKey(key->key()) || key->key() == Qt::Key_Delete ||
            (key->modifiers() & Qt::ControlModifier)) {
            event->accept();
            return true;
        }
    }
    if (event->type() == QEvent::KeyPress) {
        // Tab would move the focus to the next control before keyPressEvent sees it.
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab) {
            m_tab = true;
            m_shift = key->key() == Qt::Key_Backtab || (key->modifiers() & Qt::ShiftModifier);
            EndEdit();
            return true;
        }
    }
    return QLineEdit::event(event);
}

void CInPlaceEdit::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Escape:
            m_cancelled = true;
            EndEdit();
            return;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            m_enter = true;
            EndEdit();
            return;
        default:
            QLineEdit::keyPressEvent(event);
    }
}

void CInPlaceEdit::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    Finish();
}

void CInPlaceEdit::EndEdit() {
    m_list->setFocus(Qt::OtherFocusReason);
    // In a window without the keyboard focus no focus event comes; the edit ends all the same.
    Finish();
}

void CInPlaceEdit::Finish() {
    if (m_finished) {
        return;
    }
    m_finished = true;
    int flags = kEditEndedFlag;
    if (m_tab) {
        flags |= kEditEndedTab | (m_shift ? kEditEndedShift : 0);
    }
    if (m_enter) {
        flags |= kEditEndedEnter;
    }
    hide();
    emit editEnded(m_row, m_column, m_cancelled ? QString() : text(), !m_cancelled, flags);
    deleteLater();
}

void CInPlaceEdit::WidenForText() {
    const int needed = QFontMetrics(font()).horizontalAdvance(text()) + kTextMargin;
    if (needed > width()) {
        resize(std::max(width(), std::min(needed, m_maxRight - x())), height());
    }
}

}  // namespace tagforge::ui
