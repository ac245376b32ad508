#pragma once
// The About window "Info über VESMOR Tagforge": the version line, the maker's contact lines
// (mail and web address open on a click), the update check's status line and the check box
// stored in "Version"/`Update`. Every opening asks the updater; a click on a newer version's
// line downloads and starts the installer, and the program then ends.

#include <QDialog>
#include <memory>

#include "app/core/settings_model.h"
#include "periphery/ui/port_prompts.h"

namespace Ui {
class CAboutDlg;
}

namespace tagforge::update {
class Updater;
}

namespace tagforge::ui {

class CAboutDlg final : public QDialog {
  public:
    // Grey (128, 128, 128), red (255, 0, 0), dark red (192, 0, 0): the status line's colours.
    static const QColor kStatusGrey;
    static const QColor kStatusRed;
    static const QColor kStatusDarkRed;

    // Starts (or replays) the update check.
    CAboutDlg(ProfileStore& profile, update::Updater& updater, PortDlgPrompts& prompts,
              QWidget* parent = nullptr);
    ~CAboutDlg() override;

    // True after the installer was downloaded: the program is to end (whether it started or not).
    bool ProgramExitRequested() const { return m_exitRequested; }

    // Stores the check box and forgets the window in the updater.
    void done(int result) override;

  protected:
    bool event(QEvent* event) override;

  private:
    void ShowCheckResult();
    void OnStatusClicked();
    void ShowStatus(const QString& text, const QColor& color, bool clickable);
    // Downloads the installer with the progress bar and the cancel button shown; the rest of
    // the window is disabled meanwhile.
    QString DownloadInstaller();

    ProfileStore& m_profile;
    update::Updater& m_updater;
    PortDlgPrompts& m_prompts;
    std::unique_ptr<Ui::CAboutDlg> m_ui;
    bool m_exitRequested = false;
    bool m_closed = false;
    bool m_downloading = false;
};

}  // namespace tagforge::ui
