// The main window's controls and its state: taking the controls over (with the checks), showing
// the state, the format switch and the layout of each format.

#include <QFocusEvent>

#include "app/core/format_layout.h"
#include "app/core/increment.h"
#include "app/core/value_format.h"
#include "app/ui/fixed_font.h"
#include "app/ui/tagforge_dlg.h"
#include "app/ui/text_limit.h"
#include "common/input_check.h"
#include "common/value_text.h"
#include "periphery/ui/window_text.h"
#include "ui_tagforge_dlg.h"

namespace tagforge::ui {

namespace {

// The platform's edit fields take a limit of 0 as "no limit".
constexpr int kNoLimit = 0;

}  // namespace

bool CVESMOR_TagforgeDlg::TransferControls(bool checkWriteText) {
    const Ui::CVESMOR_TagforgeDlg& ui = *m_ui;
    CycleEngine& engine = m_stack->engine;
    LogTargets& logs = engine.Logs();
    logs.writeEnabled = ui.checkLogWrite->isChecked();
    logs.readEnabled = ui.checkLogRead->isChecked();
    engine.SetKeepLastValue(ui.checkKeepLast->isChecked());
    WriteJob candidate = Job();
    candidate.AutoIncrement = ui.checkAutoIncrement->isChecked();
    candidate.AutoNull = ui.checkAutoNull->isChecked();
    candidate.PrefixZulassen = ui.checkPrefix->isChecked();
    candidate.Startblock = ParseUnsignedField(ToUtf8(ui.editStartblock->text()));
    candidate.Byteanzahl = ParseUnsignedField(ToUtf8(ui.editByteanzahl->text()));
    candidate.LastData = ToUtf8(WriteFieldText());
    const CheckResult check = CheckJob(candidate, checkWriteText);
    if (!check.Ok()) {
        KeepValidValues(candidate);
        m_services.prompts.Message(this, FromUtf8(check.Text()));
        return false;
    }
    Job() = candidate;
    return true;
}

// A failed transfer keeps what was taken over before the failing check: the check boxes, then
// "Startblock" and "Länge in Bytes" as far as they passed. The write text comes last.
void CVESMOR_TagforgeDlg::KeepValidValues(const WriteJob& candidate) {
    WriteJob& job = Job();
    job.AutoIncrement = candidate.AutoIncrement;
    job.AutoNull = candidate.AutoNull;
    job.PrefixZulassen = candidate.PrefixZulassen;
    WriteJob startOnly = candidate;
    startOnly.Byteanzahl = 1;  // valid in every format, so only the start block is judged
    if (!CheckJob(startOnly, false).Ok()) {
        return;
    }
    job.Startblock = candidate.Startblock;
    if (CheckJob(candidate, false).Ok()) {
        job.Byteanzahl = candidate.Byteanzahl;
    }
}

void CVESMOR_TagforgeDlg::TransferState() {
    Ui::CVESMOR_TagforgeDlg& ui = *m_ui;
    const WriteJob& job = Job();
    ui.editStartblock->setText(QString::number(job.Startblock));
    ui.editByteanzahl->setText(QString::number(job.Byteanzahl));
    if (QRadioButton* button = FormatButton(job.Datenformat)) {
        button->setChecked(true);
    }
    ui.checkAutoIncrement->setChecked(job.AutoIncrement);
    ui.checkAutoNull->setChecked(job.AutoNull);
    ui.checkPrefix->setChecked(job.PrefixZulassen);
    SetWriteFieldText(FromUtf8(job.LastData));
    const LogTargets& logs = m_stack->engine.Logs();
    ui.checkLogWrite->setChecked(logs.writeEnabled);
    ui.checkLogRead->setChecked(logs.readEnabled);
}

QString CVESMOR_TagforgeDlg::WriteFieldText() const {
    return IsMultiLineFormat(m_stack->engine.Job().Datenformat)
               ? FieldToCrLf(m_ui->editWriteMulti->toPlainText())
               : m_ui->editWrite->text();
}

void CVESMOR_TagforgeDlg::SetWriteFieldText(const QString& text) {
    if (IsMultiLineFormat(Job().Datenformat)) {
        m_writeMultiLimit->SetText(CrLfToField(text));
    } else {
        m_ui->editWrite->setText(text);
    }
}

void CVESMOR_TagforgeDlg::SetReadFieldText(const QString& text) {
    if (IsMultiLineFormat(Job().Datenformat)) {
        m_ui->editReadMulti->setPlainText(CrLfToField(text));
    } else {
        m_ui->editRead->setText(text);
    }
}

void CVESMOR_TagforgeDlg::OnFormatButton(int format) {
    WriteJob& job = Job();
    if (format != job.Datenformat) {
        WriteJob old = job;
        old.LastData = ToUtf8(WriteFieldText());
        const FormatSwitch converted = SwitchFormat(old, format, m_stack->engine.Tag());
        for (const int messageId : converted.messageIds) {
            ShowStatus(messageId);
        }
        job.Datenformat = format;
        job.LastData = converted.text;
        SetWriteFieldText(FromUtf8(converted.text));
        m_ui->editRead->clear();
        m_ui->editReadMulti->clear();
    }
    RefreshLayout();
}

void CVESMOR_TagforgeDlg::RefreshLayout() {
    Ui::CVESMOR_TagforgeDlg& ui = *m_ui;
    WriteJob& job = Job();
    const int format = job.Datenformat;
    const int limit = WriteTextLimit(format, UsableByteCount(job.Byteanzahl));
    m_writeLimit->SetLimit(limit > 0 ? limit : kNoLimit);
    m_writeMultiLimit->SetLimit(limit > 0 ? limit : kNoLimit);

    const bool multi = IsMultiLineFormat(format);
    ui.editRead->setVisible(!multi);
    ui.editWrite->setVisible(!multi);
    ui.editReadMulti->setVisible(multi);
    ui.editWriteMulti->setVisible(multi);
    ApplyFormatLayout(job);
    if (multi) {
        ui.checkAutoIncrement->setChecked(false);
        ui.checkAutoNull->setChecked(false);
    }
    if (!LeadingZeroOptionsAvailable(format)) {
        ui.checkPrefix->setChecked(false);
    }
    ui.checkAutoIncrement->setEnabled(AutoIncrementAvailable(format));
    ui.checkAutoNull->setEnabled(LeadingZeroOptionsAvailable(format));
    ui.checkPrefix->setEnabled(LeadingZeroOptionsAvailable(format));

    // The multi-line fields take the height the window gives the two groups; the single-line
    // ones leave it to the status box.
    ui.layoutRight->setStretch(0, multi ? 1 : 0);
    ui.layoutRight->setStretch(1, multi ? 1 : 0);
    ui.layoutRight->setStretch(3, 1);

    const QFont font = UsesFixedPitchFont(format) ? FixedPitchFont(this->font()) : this->font();
    for (QWidget* field : std::initializer_list<QWidget*>{ui.editRead, ui.editWrite,
                                                          ui.editReadMulti, ui.editWriteMulti}) {
        field->setFont(font);
    }
}

bool CVESMOR_TagforgeDlg::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_ui->editByteanzahl && event->type() == QEvent::FocusOut) {
        OnByteCountLeft();
    }
    return QDialog::eventFilter(watched, event);
}

void CVESMOR_TagforgeDlg::OnByteCountLeft() {
    Job().Byteanzahl = std::max(ParseUnsignedField(ToUtf8(m_ui->editByteanzahl->text())), 0);
    RefreshLayout();
}

void CVESMOR_TagforgeDlg::OnLeadingZeroToggle() {
    if (!LeadingZeroOptionsAvailable(Job().Datenformat) || !TransferControls(true)) {
        return;
    }
    if (const std::optional<std::string> text = LeadingZeroToggleText(Job())) {
        Job().LastData = *text;
        SetWriteFieldText(FromUtf8(*text));
    }
}

void CVESMOR_TagforgeDlg::ShowStatus(int messageId) {
    m_stack->status.ShowMessage(messageId, MessageText(messageId), false);
}

}  // namespace tagforge::ui
