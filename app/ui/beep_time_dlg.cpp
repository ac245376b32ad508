#include "app/ui/beep_time_dlg.h"

#include "periphery/ui/window_text.h"
#include "ui_beep_time_dlg.h"

namespace tagforge::ui {

CBeepTimeDlg::CBeepTimeDlg(ProfileStore& profile, PortDlgPrompts& prompts, QWidget* parent)
    : QDialog(parent),
      m_profile(profile),
      m_prompts(prompts),
      m_ui(std::make_unique<Ui::CBeepTimeDlg>()) {
    m_ui->setupUi(this);
    const BeepTimeSettings settings = LoadBeepTimeSettings(profile);
    m_ui->editTondauer->setText(QString::number(settings.BeepTime));
    m_ui->editZykluszeit->setText(QString::number(settings.ZyklusZeit));
    connect(m_ui->buttonOk, &QPushButton::clicked, this, &CBeepTimeDlg::accept);
    connect(m_ui->buttonCancel, &QPushButton::clicked, this, &CBeepTimeDlg::reject);
}

CBeepTimeDlg::~CBeepTimeDlg() = default;

void CBeepTimeDlg::accept() {
    BeepTimeSettings settings;
    int failedField = 0;
    const CheckResult check =
        CheckBeepTimeFields(ToUtf8(m_ui->editTondauer->text()),
                            ToUtf8(m_ui->editZykluszeit->text()), settings, &failedField);
    if (!check.Ok()) {
        QLineEdit* field = failedField == 0 ? m_ui->editTondauer : m_ui->editZykluszeit;
        QString text = MessageQ(check.messageId);
        for (const std::string& arg : check.args) {
            text = text.arg(FromUtf8(arg));
        }
        m_prompts.Message(this, text);
        field->setFocus();
        field->selectAll();
        return;
    }
    SaveBeepTimeSettings(m_profile, settings);
    QDialog::accept();
}

}  // namespace tagforge::ui
