#include "app/ui/about_dlg.h"

#include <QApplication>

#include "app/ui/about_logo.h"
#include "app/ui/wait_cursor.h"
#include "app/ui/window_text.h"
#include "app/update/installer_start.h"
#include "app/update/updater.h"
#include "ui_about_dlg.h"

namespace tagforge::ui {

const QColor CAboutDlg::kStatusGrey{128, 128, 128};
const QColor CAboutDlg::kStatusRed{255, 0, 0};
const QColor CAboutDlg::kStatusDarkRed{192, 0, 0};

CAboutDlg::CAboutDlg(ProfileStore& profile, update::Updater& updater, PortDlgPrompts& prompts,
                     QWidget* parent)
    : QDialog(parent),
      m_profile(profile),
      m_updater(updater),
      m_prompts(prompts),
      m_ui(std::make_unique<Ui::CAboutDlg>()) {
    m_ui->setupUi(this);
    m_ui->labelVersion->setText(m_ui->labelVersion->text() + " " +
                                FromUtf8(updater.GetOwnVersion()) + " (" +
                                FromUtf8(updater.GetOwnBuild()) + ")");
    m_ui->logo->setPixmap(AboutLogo());
    m_ui->logo->SetTransparent(true);

    QFont italic = font();
    italic.setItalic(true);
    m_ui->labelUpdateStatus->SetFontFrom(italic).SetTextColor(kStatusGrey);
    QFont underlined = font();
    underlined.setUnderline(true);
    for (CLabel* address : {m_ui->labelMail, m_ui->labelWeb}) {
        address->SetFontFrom(underlined)
            .SetTextColor(QColor(0, 0, 255))
            .SetLink(true)
            .SetLinkCursor(QCursor(Qt::PointingHandCursor))
            .SetOpener([this](const QUrl& url) { m_prompts.OpenAddress(url); });
    }
    // The status line is no address; a press on it reaches OnStatusClicked only while it is a
    // link.
    m_ui->labelUpdateStatus->SetOpener({});
    connect(m_ui->labelUpdateStatus, &CLabel::clicked, this, [this] { OnStatusClicked(); });

    m_ui->checkUpdate->setChecked(LoadUpdateCheckBox(profile));
    connect(m_ui->buttonOk, &QPushButton::clicked, this, &CAboutDlg::accept);
    m_updater.StartUpdateCheck(this, update::kUpdateCheckMessage);
}

CAboutDlg::~CAboutDlg() {
    m_updater.ForgetWindow(this);
}

void CAboutDlg::done(int result) {
    if (!m_closed) {
        m_closed = true;
        m_updater.ForgetWindow(this);
        SaveUpdateCheckBox(m_profile, m_ui->checkUpdate->isChecked());
    }
    QDialog::done(result);
}

bool CAboutDlg::event(QEvent* event) {
    if (event->type() == update::UpdateCheckEvent::EventType()) {
        if (static_cast<update::UpdateCheckEvent*>(event)->Message() ==
            update::kUpdateCheckMessage) {
            ShowCheckResult();
        }
        return true;
    }
    return QDialog::event(event);
}

void CAboutDlg::ShowStatus(const QString& text, const QColor& color, bool clickable) {
    m_ui->labelUpdateStatus->SetText(text).SetTextColor(color).SetLink(clickable).SetLinkCursor(
        clickable ? std::optional<QCursor>(Qt::PointingHandCursor) : std::nullopt);
}

void CAboutDlg::ShowCheckResult() {
    std::string version;
    std::string build;
    const QString title = MessageQ(kMsgProgramTitle);
    if (!m_updater.GetPublishedVersion(version, build)) {
        ShowStatus(MessageQ(kMsgNoConnection), kStatusRed, false);
    } else if (version.empty() || build.empty()) {
        ShowStatus(MessageQ(kMsgNoVersionFile), kStatusRed, false);
    } else if (m_updater.IsUpdateAvailable()) {
        ShowStatus(MessageQ(kMsgNewVersion) + title + " V " + FromUtf8(version) + " (" +
                       FromUtf8(build) + ")",
                   kStatusDarkRed, true);
    } else {
        ShowStatus(title + MessageQ(kMsgUpToDate), kStatusGrey, false);
    }
}

void CAboutDlg::OnStatusClicked() {
    if (!m_ui->labelUpdateStatus->IsLink()) {
        return;
    }
    const QString shown = m_ui->labelUpdateStatus->text();
    m_ui->labelUpdateStatus->SetText(MessageQ(kMsgUpdateStarting));
    m_ui->labelUpdateStatus->repaint();
    const QString path = m_updater.DownloadInstaller();
    if (!path.isEmpty()) {
        const update::InstallerStart start = [&path] {
            const WaitCursor cursor;
            return update::StartInstaller(path);
        }();
        if (!start.started) {
            m_prompts.Message(this, start.failure);
        }
        m_exitRequested = true;
        reject();
    }
    m_ui->labelUpdateStatus->SetText(shown);
}

}  // namespace tagforge::ui
