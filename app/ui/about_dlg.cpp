#include "app/ui/about_dlg.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QProgressBar>
#include <algorithm>

#include "app/i18n/translation.h"
#include "app/ui/about_logo.h"
#include "app/ui/app_paths.h"
#include "app/ui/help.h"
#include "app/ui/wait_cursor.h"
#include "app/update/installer_start.h"
#include "app/update/updater.h"
#include "periphery/ui/window_text.h"
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
    // Where the manual and the licence are: the files open on a click.
    const QString manualName =
        QCoreApplication::translate("CVESMOR_TagforgeDlg", "VESMOR_Tagforge_Handbuch.pdf");
    const QString manual = FindManual(i18n::DataDirectories(ProgramDirectory()), manualName);
    m_ui->labelManual->SetText(manual.isEmpty() ? manualName : manual);
    QFont underlined = font();
    underlined.setUnderline(true);
    for (CLabel* file : {m_ui->labelManual, m_ui->labelLicence}) {
        file->SetFontFrom(underlined)
            .SetTextColor(QColor(0, 0, 255))
            .SetLink(true)
            .SetLinkCursor(QCursor(Qt::PointingHandCursor))
            .SetOpener({});
        connect(file, &CLabel::clicked, this, [this, file] {
            const QString path = file->text();
            m_prompts.OpenAddress(path.startsWith('/')
                                      ? QUrl::fromLocalFile(path)
                                      : QUrl::fromLocalFile(ProgramDirectory() + path));
        });
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
    if (m_downloading) {
        // Escape or the close box while the installer downloads: the download ends, the window
        // stays.
        m_updater.CancelDownload();
        return;
    }
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
    if (!m_updater.HasUpdateServer()) {
        ShowStatus(MessageQ(kMsgNoUpdateServer), kStatusGrey, false);
    } else if (!m_updater.GetPublishedVersion(version, build)) {
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
    const QString path = DownloadInstaller();
    if (!path.isEmpty()) {
        const update::InstallerStart start = [&path] {
            const WaitCursor cursor;
            return update::StartInstaller(path);
        }();
        // The private download directory goes once the installer is done with it.
        const QString folder = QFileInfo(path).absolutePath();
        if (!start.started) {
            QDir(folder).removeRecursively();
            m_prompts.Message(this, start.failure);
        } else {
            update::RemoveWhenEnded(start.pid, folder);
        }
        m_exitRequested = true;
        reject();
    }
    m_ui->labelUpdateStatus->SetText(shown);
}

QString CAboutDlg::DownloadInstaller() {
    QProgressBar& bar = *m_ui->progressDownload;
    bar.setRange(0, 0);  // busy until the size is known
    bar.setValue(0);
    bar.show();
    m_ui->buttonCancelDownload->show();
    m_ui->buttonCancelDownload->setEnabled(true);
    const QList<QWidget*> others{m_ui->buttonOk, m_ui->checkUpdate, m_ui->labelManual,
                                 m_ui->labelLicence, m_ui->labelUpdateStatus};
    for (QWidget* widget : others) {
        widget->setEnabled(false);
    }
    const QMetaObject::Connection cancel =
        connect(m_ui->buttonCancelDownload, &QPushButton::clicked, this, [this] {
            m_ui->buttonCancelDownload->setEnabled(false);
            m_updater.CancelDownload();
        });
    m_downloading = true;
    const QString path = m_updater.DownloadInstaller({}, [&bar](qint64 received, qint64 total) {
        // The bar counts KiB, so that sizes beyond 2 GiB still fit its int range.
        if (total > 0) {
            bar.setRange(0, static_cast<int>(std::max<qint64>(total / 1024, 1)));
        }
        bar.setValue(static_cast<int>(received / 1024));
    });
    m_downloading = false;
    disconnect(cancel);
    for (QWidget* widget : others) {
        widget->setEnabled(true);
    }
    bar.hide();
    m_ui->buttonCancelDownload->hide();
    return path;
}

}  // namespace tagforge::ui
