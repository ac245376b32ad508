#pragma once
// What the interface selection window asks of the user in windows of its own, and the browser
// it opens. The application passes its own prompts; tests record instead of asking.

#include <QDialog>
#include <QString>
#include <QUrl>
#include <QWidget>

namespace tagforge::ui {

class PortDlgPrompts {
  public:
    virtual ~PortDlgPrompts() = default;
    virtual void Message(QWidget* parent, const QString& text) = 0;
    // A Yes/No question with the question icon; true for Yes.
    virtual bool Question(QWidget* parent, const QString& text) = 0;
    // Opens an address in the user's browser.
    virtual void OpenAddress(const QUrl& address) = 0;
    // A warning with Retry and Cancel; true for Retry.
    virtual bool RetryOrCancel(QWidget* parent, const QString& caption, const QString& text);
    // Runs a window modally; its result code.
    virtual int RunModal(QDialog& dialog) { return dialog.exec(); }
};

}  // namespace tagforge::ui
