#include "app/ui/file_dialogs.h"

#include "periphery/ui/window_text.h"

namespace tagforge::ui {

namespace {

// The dialogs of this window look the same on every desktop, and files that cannot be written
// are not offered (directories all stay visible, to move around).
void SetCommonOptions(QFileDialog& dialog, const QStringList& filters, const QString& suffix) {
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setNameFilters(filters);
    dialog.setDefaultSuffix(suffix);
    dialog.setFilter(QDir::AllDirs | QDir::Files | QDir::Writable | QDir::NoDot);
}

}  // namespace

CLogFileDialog::CLogFileDialog(QWidget* parent, bool writeLog, const QString& currentName)
    : QFileDialog(parent) {
    SetCommonOptions(*this, {"Log Files (*.txt)", "All Files (*)"}, "txt");
    setWindowTitle(MessageQ(writeLog ? kMsgChooseWriteLog : kMsgChooseReadLog));
    setAcceptMode(AcceptSave);
    // The log is appended to, never replaced: choosing an existing file asks nothing.
    setOption(DontConfirmOverwrite);
    setLabelText(Accept, MessageQ(kMsgDialogOk));
    setLabelText(Reject, MessageQ(kMsgDialogCancel));
    if (!currentName.isEmpty()) {
        selectFile(currentName);
    }
}

CDataFileDialog::CDataFileDialog(QWidget* parent, bool save) : QFileDialog(parent) {
    SetCommonOptions(*this, {"Data Files (*.KTDat)", "All Files (*)"}, "KTDat");
    setAcceptMode(save ? AcceptSave : AcceptOpen);
    setFileMode(save ? AnyFile : ExistingFile);
}

QString RunFileDialog(QFileDialog& dialog) {
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return {};
    }
    return dialog.selectedFiles().first();
}

}  // namespace tagforge::ui
