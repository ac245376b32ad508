#pragma once
// CLabel: a text label with its own colour and font that can act as a link. A press on it opens
// its text when the text is an address (web or mail); a label set as a link then also reports
// the click to its window.

#include <QBrush>
#include <QColor>
#include <QCursor>
#include <QFont>
#include <QLabel>
#include <QUrl>
#include <functional>
#include <optional>

namespace tagforge::ui {

class CLabel : public QLabel {
    Q_OBJECT

  public:
    // The window-text colour, the button-face background, the default GUI font, no link and no
    // cursor of its own.
    explicit CLabel(QWidget* parent = nullptr);

    // Each setter repaints and returns the label, so that calls can be chained.
    CLabel& SetFontFrom(const QFont& font);
    CLabel& SetFontName(const QString& name);
    // Character height in pixels.
    CLabel& SetFontSize(int size);
    CLabel& SetFontItalic(bool italic);
    CLabel& SetFontBold(bool bold);
    CLabel& SetTextColor(const QColor& color);
    // A link reports presses with `clicked`.
    CLabel& SetLink(bool link);
    // The cursor over the label; none means the normal cursor.
    CLabel& SetLinkCursor(std::optional<QCursor> cursor);
    CLabel& SetText(const QString& text);
    // The text of a message id.
    CLabel& SetText(int messageId);

    bool IsLink() const { return m_link; }
    QColor TextColor() const { return m_textColor; }

    // How an address is opened (the desktop's handler by default); tests record instead.
    void SetOpener(std::function<void(const QUrl&)> opener) { m_opener = std::move(opener); }

    // The address a label text names: a web address as it stands, a mail address as "mailto:".
    // Empty for any other text.
    static QUrl AddressOf(const QString& text);

  signals:
    void clicked();

  protected:
    void mousePressEvent(QMouseEvent* event) override;

  private:
    void ApplyLook();

    QColor m_textColor;
    QBrush m_background;
    QFont m_font;
    bool m_link = false;
    std::optional<QCursor> m_cursor;
    std::function<void(const QUrl&)> m_opener;
};

}  // namespace tagforge::ui
