#pragma once
// What the main window asks of the user in its own modal windows: message boxes, file choices,
// and running its modal windows (the interface selection window, the transponder content
// window). Tests replace it.

#include <QDialog>
#include <QMessageBox>
#include <QString>
#include <QWidget>
#include <memory>

#include "periphery/ui/port_prompts.h"

namespace tagforge::ui {

class UiPrompts : public PortDlgPrompts {
  public:
    // The chosen file, or empty when cancelled.
    virtual QString ChooseLogFile(QWidget* parent, bool writeLog, const QString& current) = 0;
    virtual QString ChooseDataFile(QWidget* parent, bool save) = 0;
    // Runs a dialog of the window modally; its result code.
    virtual int RunModal(QDialog& dialog) = 0;
};

// The real windows.
class DialogPrompts final : public UiPrompts {
  public:
    void Message(QWidget* parent, const QString& text) override;
    QString ChooseLogFile(QWidget* parent, bool writeLog, const QString& current) override;
    QString ChooseDataFile(QWidget* parent, bool save) override;
    bool Question(QWidget* parent, const QString& text) override;
    void OpenAddress(const QUrl& address) override;
    int RunModal(QDialog& dialog) override;
};

// The Yes/No question box with the question icon, not yet shown.
std::unique_ptr<QMessageBox> QuestionBox(QWidget* parent, const QString& text);

}  // namespace tagforge::ui
