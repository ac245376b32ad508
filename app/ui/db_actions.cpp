// The main window with a database job: the value comes from the station's reservation, the
// write field shows it read-only, and a failing database stops the write cycle.

#include "app/ui/db_binding.h"
#include "app/ui/tagforge_dlg.h"
#include "common/messages.h"
#include "periphery/ui/window_text.h"
#include "ui_tagforge_dlg.h"

namespace tagforge::ui {

bool CVESMOR_TagforgeDlg::PrepareNumberSource() {
    CycleEngine& engine = m_stack->engine;
    const bool wasOpen = m_db->Source() != nullptr;
    if (const std::optional<std::string> problem = m_db->Ready(engine)) {
        m_stack->status.Add(*problem);
        return false;
    }
    const bool active = m_db->Source() != nullptr;
    m_ui->editWrite->setReadOnly(active);
    m_ui->editWriteMulti->setReadOnly(active);
    if (active) {
        TransferState();  // the job's format, blocks and value into the controls
        RefreshLayout();
        if (!wasOpen) {
            m_stack->status.Add(m_db->Source()->Describe());
        }
    }
    return true;
}

void CVESMOR_TagforgeDlg::AfterWriteTick(std::optional<StepResult> result) {
    if (result != StepResult::kSourceLost || m_closed) {
        return;
    }
    // Nothing more is written without the database; starting the cycle again connects again.
    if (WriteCycleRunning()) {
        ToggleCycle(true);
    }
    m_db->Drop(m_stack->engine);
    m_ui->editWrite->setReadOnly(false);
    m_ui->editWriteMulti->setReadOnly(false);
    TransferState();
}

void CVESMOR_TagforgeDlg::OnDatabaseJob() {
    DbJobDlg dialog(m_db->Choice(), this);
    if (m_services.prompts.RunModal(dialog) != QDialog::Accepted) {
        return;
    }
    m_db->SetChoice(m_stack->engine, dialog.Choice());
    m_ui->editWrite->setReadOnly(false);
    m_ui->editWriteMulti->setReadOnly(false);
    TransferState();
    RefreshLayout();
    if (m_db->Active()) {
        PrepareNumberSource();
    }
}

}  // namespace tagforge::ui
