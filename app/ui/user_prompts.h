#pragma once
// What the main window asks of the user in its own modal windows: message boxes, file choices,
// the transponder content window. Tests replace it.

#include <QString>
#include <QWidget>
#include <cstdint>

namespace tagforge::ui {

class UiPrompts {
  public:
    virtual ~UiPrompts() = default;
    virtual void Message(QWidget* parent, const QString& text) = 0;
    // The chosen file, or empty when cancelled.
    virtual QString ChooseLogFile(QWidget* parent, bool writeLog, const QString& current) = 0;
    virtual QString ChooseDataFile(QWidget* parent, bool save) = 0;
    virtual void ShowContentView(QWidget* parent, int32_t portHandle) = 0;
};

// The real windows.
class DialogPrompts final : public UiPrompts {
  public:
    void Message(QWidget* parent, const QString& text) override;
    QString ChooseLogFile(QWidget* parent, bool writeLog, const QString& current) override;
    QString ChooseDataFile(QWidget* parent, bool save) override;
    void ShowContentView(QWidget* parent, int32_t portHandle) override;
};

}  // namespace tagforge::ui
