#include "app/ui/text_limit.h"

namespace tagforge::ui {

namespace {

// A change that makes a text longer than the limit; shortening an over-long text is allowed.
bool Exceeds(int limit, qsizetype newLength, qsizetype oldLength) {
    return limit > 0 && newLength > limit && newLength > oldLength;
}

// Length of a multi-line field's text as the write text has it: each line break is CR LF.
qsizetype WriteTextLength(const QString& fieldText) {
    return fieldText.size() + fieldText.count(QLatin1Char('\n'));
}

}  // namespace

LineTextLimit::LineTextLimit(QLineEdit* edit) : QValidator(edit), m_accepted(edit->text()) {
    edit->setValidator(this);
    connect(edit, &QLineEdit::textChanged, this,
            [this](const QString& text) { m_accepted = text; });
}

QValidator::State LineTextLimit::validate(QString& input, int&) const {
    return Exceeds(m_limit, input.size(), m_accepted.size()) ? Invalid : Acceptable;
}

PlainTextLimit::PlainTextLimit(QPlainTextEdit* edit) : QObject(edit), m_edit(edit) {
    connect(edit, &QPlainTextEdit::textChanged, this, &PlainTextLimit::OnChanged);
}

void PlainTextLimit::SetText(const QString& text) {
    m_settingText = true;
    m_edit->setPlainText(text);
    m_settingText = false;
    m_accepted = text;
}

void PlainTextLimit::OnChanged() {
    const QString text = m_edit->toPlainText();
    if (m_settingText || !Exceeds(m_limit, WriteTextLength(text), WriteTextLength(m_accepted))) {
        m_accepted = text;
        return;
    }
    const int position = std::max(
        0, m_edit->textCursor().position() - static_cast<int>(text.size() - m_accepted.size()));
    SetText(m_accepted);
    QTextCursor cursor = m_edit->textCursor();
    cursor.setPosition(std::min(position, static_cast<int>(m_accepted.size())));
    m_edit->setTextCursor(cursor);
}

}  // namespace tagforge::ui
