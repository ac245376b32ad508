#include "app/ui/user_prompts.h"

#include <QDesktopServices>
#include <QDialog>
#include <QMessageBox>

#include "app/ui/file_dialogs.h"
#include "periphery/ui/window_text.h"

namespace tagforge::ui {

namespace {

constexpr const char* kApplicationName = "VESMOR Tagforge";

}  // namespace

void DialogPrompts::Message(QWidget* parent, const QString& text) {
    QMessageBox box(QMessageBox::Warning, kApplicationName, text, QMessageBox::Ok, parent);
    box.exec();
}

QString DialogPrompts::ChooseLogFile(QWidget* parent, bool writeLog, const QString& current) {
    CLogFileDialog dialog(parent, writeLog, current);
    return RunFileDialog(dialog);
}

QString DialogPrompts::ChooseDataFile(QWidget* parent, bool save) {
    CDataFileDialog dialog(parent, save);
    return RunFileDialog(dialog);
}

bool DialogPrompts::Question(QWidget* parent, const QString& text) {
    return QuestionBox(parent, text)->exec() == QMessageBox::Yes;
}

void DialogPrompts::OpenAddress(const QUrl& address) {
    QDesktopServices::openUrl(address);
}

int DialogPrompts::RunModal(QDialog& dialog) {
    return dialog.exec();
}

std::unique_ptr<QMessageBox> QuestionBox(QWidget* parent, const QString& text) {
    return std::make_unique<QMessageBox>(QMessageBox::Question, kApplicationName, text,
                                         QMessageBox::Yes | QMessageBox::No, parent);
}

}  // namespace tagforge::ui
