#include "app/ui/controls/label.h"

#include <QApplication>
#include <QDesktopServices>
#include <QMouseEvent>
#include <QPalette>
#include <QRegularExpression>

#include "periphery/ui/window_text.h"

namespace tagforge::ui {

CLabel::CLabel(QWidget* parent)
    : QLabel(parent),
      m_textColor(QApplication::palette().color(QPalette::WindowText)),
      m_background(QApplication::palette().color(QPalette::Button)),
      m_font(QApplication::font()),
      m_opener([](const QUrl& address) { QDesktopServices::openUrl(address); }) {
    ApplyLook();
}

void CLabel::ApplyLook() {
    QPalette look = palette();
    look.setColor(QPalette::WindowText, m_textColor);
    look.setBrush(QPalette::Window, m_background);
    setPalette(look);
    setFont(m_font);
    if (m_cursor) {
        setCursor(*m_cursor);
    } else {
        unsetCursor();
    }
    update();
}

CLabel& CLabel::SetFontFrom(const QFont& font) {
    m_font = font;
    ApplyLook();
    return *this;
}

CLabel& CLabel::SetFontName(const QString& name) {
    m_font.setFamily(name);
    ApplyLook();
    return *this;
}

CLabel& CLabel::SetFontSize(int size) {
    m_font.setPixelSize(size);
    ApplyLook();
    return *this;
}

CLabel& CLabel::SetFontItalic(bool italic) {
    m_font.setItalic(italic);
    ApplyLook();
    return *this;
}

CLabel& CLabel::SetFontBold(bool bold) {
    m_font.setWeight(bold ? QFont::Bold : QFont::Normal);
    ApplyLook();
    return *this;
}

CLabel& CLabel::SetTextColor(const QColor& color) {
    m_textColor = color;
    ApplyLook();
    return *this;
}

CLabel& CLabel::SetLink(bool link) {
    m_link = link;
    return *this;
}

CLabel& CLabel::SetLinkCursor(std::optional<QCursor> cursor) {
    m_cursor = std::move(cursor);
    ApplyLook();
    return *this;
}

CLabel& CLabel::SetText(const QString& text) {
    setText(text);
    return *this;
}

CLabel& CLabel::SetText(int messageId) {
    return SetText(MessageQ(messageId));
}

QUrl CLabel::AddressOf(const QString& text) {
    const QString trimmed = text.trimmed();
    static const QRegularExpression web(R"(^(https?|mailto):\S+$)",
                                        QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression mail(R"(^[^\s@:/]+@[^\s@:/]+\.[^\s@:/]+$)");
    if (web.match(trimmed).hasMatch()) {
        return QUrl(trimmed);
    }
    if (mail.match(trimmed).hasMatch()) {
        return QUrl("mailto:" + trimmed);
    }
    return {};
}

void CLabel::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        const QUrl address = AddressOf(text());
        if (address.isValid() && !address.isEmpty() && m_opener) {
            m_opener(address);
        }
        if (m_link) {
            emit clicked();
        }
    }
    QLabel::mousePressEvent(event);
}

}  // namespace tagforge::ui
