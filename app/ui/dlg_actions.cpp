// The main window's buttons: single and cyclic runs, ">>", the log file and data file choices.

#include <cerrno>
#include <optional>

#include "app/core/data_file.h"
#include "app/core/format_layout.h"
#include "app/core/log_file.h"
#include "app/ui/tagforge_dlg.h"
#include "app/ui/text_limit.h"
#include "common/messages.h"
#include "periphery/ui/window_text.h"
#include "ui_tagforge_dlg.h"

namespace tagforge::ui {

namespace {

// The platform's shortest timer period; a smaller `ZyklusZeit` from a hand-edited profile
// would make the cycle spin.
constexpr int kShortestPeriodMs = 10;

}  // namespace

void CVESMOR_TagforgeDlg::OnWriteOnce() {
    if (!PrepareNumberSource()) {
        return;
    }
    if (!TransferControls(true)) {
        ShowStatus(kMsgWriteTransferFailed);
        return;
    }
    RunStep([this] {
        if (m_stack->engine.WriteOnce() == StepResult::kDone) {
            TransferState();
        }
    });
}

void CVESMOR_TagforgeDlg::OnReadOnce() {
    if (TransferControls(false)) {
        RunStep([this] { m_stack->engine.ReadOnce(); });
    }
}

void CVESMOR_TagforgeDlg::ToggleCycle(bool write) {
    QBasicTimer& timer = write ? m_writeTimer : m_readTimer;
    QPushButton* toggle = write ? m_ui->buttonWriteCycle : m_ui->buttonReadCycle;
    if (timer.isActive()) {
        timer.stop();
        SetCycleControlsEnabled(true);
        toggle->setChecked(false);
        return;
    }
    // The read cycle takes the controls over without the checks of the write text.
    if ((write && !PrepareNumberSource()) || !TransferControls(write)) {
        toggle->setChecked(false);
        return;
    }
    CycleEngine& engine = m_stack->engine;
    timer.start(std::max(engine.Settings().ZyklusZeit, kShortestPeriodMs), this);
    write ? engine.StartWriteCycle() : engine.StartReadCycle();
    SetCycleControlsEnabled(false);
    toggle->setEnabled(true);
    toggle->setChecked(true);
}

void CVESMOR_TagforgeDlg::SetCycleControlsEnabled(bool enabled) {
    Ui::CVESMOR_TagforgeDlg& ui = *m_ui;
    for (int format = 0; format < kFormatCount; ++format) {
        FormatButton(format)->setEnabled(enabled);
    }
    for (QWidget* control : std::initializer_list<QWidget*>{
             ui.buttonCopy, ui.buttonWriteCycle, ui.buttonReadCycle, ui.buttonWriteOnce,
             ui.buttonReadOnce, ui.buttonAll, ui.editStartblock, ui.editByteanzahl}) {
        control->setEnabled(enabled);
    }
    const int format = Job().Datenformat;
    ui.checkAutoIncrement->setEnabled(enabled && AutoIncrementAvailable(format));
    ui.checkAutoNull->setEnabled(enabled && LeadingZeroOptionsAvailable(format));
}

void CVESMOR_TagforgeDlg::OnCopyReadValue() {
    m_ui->editWrite->setText(m_ui->editRead->text());
    m_writeMultiLimit->SetText(m_ui->editReadMulti->toPlainText());
}

void CVESMOR_TagforgeDlg::OnChooseLogFile(bool writeLog) {
    LogTargets& logs = m_stack->engine.Logs();
    std::string& name = writeLog ? logs.writeFile : logs.readFile;
    const QString chosen = m_services.prompts.ChooseLogFile(this, writeLog, FromUtf8(name));
    if (chosen.isEmpty()) {
        return;
    }
    name = ToUtf8(chosen);
    SaveLogFileName(m_services.profile, writeLog, name);
    (writeLog ? m_ui->editLogWriteName : m_ui->editLogReadName)->setText(chosen);
}

void CVESMOR_TagforgeDlg::OnSaveJob() {
    if (!TransferControls(true)) {
        return;
    }
    const QString path = m_services.prompts.ChooseDataFile(this, true);
    if (path.isEmpty()) {
        return;
    }
    // A data file the user believes saved and is not would bring back an old value later.
    errno = 0;
    if (!SaveDataFile(ToUtf8(path), Job())) {
        ShowMessageBox(MessageWithArgs(kMsgDataFileNotSaved, {ToUtf8(path), FileErrorText(errno)}));
    }
}

void CVESMOR_TagforgeDlg::OnLoadJob() {
    const QString path = m_services.prompts.ChooseDataFile(this, false);
    if (path.isEmpty()) {
        return;
    }
    // A file that cannot be read (or that another program holds locked) keeps the job as it is,
    // instead of replacing it by an empty one.
    int error = 0;
    const std::optional<WriteJob> loaded = ReadDataFile(ToUtf8(path), &error);
    if (!loaded) {
        ShowMessageBox(MessageWithArgs(kMsgDataFileNotRead, {ToUtf8(path), FileErrorText(error)}));
        return;
    }
    Job() = *loaded;
    TransferState();
    RefreshLayout();
}

}  // namespace tagforge::ui
