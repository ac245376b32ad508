#pragma once
// The settings window "Einstellungen": the length of the success beep and the period of the
// write and read cycles, stored in the profile on OK.

#include <QDialog>
#include <memory>

#include "app/core/settings_model.h"
#include "periphery/ui/port_prompts.h"

namespace Ui {
class CBeepTimeDlg;
}

namespace tagforge::ui {

class CBeepTimeDlg final : public QDialog {
  public:
    // Shows `BeepTime` and `ZyklusZeit` (150 and 250 when missing).
    CBeepTimeDlg(ProfileStore& profile, PortDlgPrompts& prompts, QWidget* parent = nullptr);
    ~CBeepTimeDlg() override;

    // Checks both fields; a failure is shown and the window stays open with the field focused.
    // Otherwise writes `ZyklusZeit`, then `BeepTime`, and closes.
    void accept() override;

  private:
    ProfileStore& m_profile;
    PortDlgPrompts& m_prompts;
    std::unique_ptr<Ui::CBeepTimeDlg> m_ui;
};

}  // namespace tagforge::ui
