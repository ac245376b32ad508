#pragma once
// `CIPAddrSuche`, the window "IP-Adressen": every device that answered the LAN search, the
// ones that are no readers of the family in red italics. The user picks a reader for the
// interface selection window ("Schliessen") or changes a device's network settings
// ("IP-Adresse ändern", which opens `CLanConfig`).

#include <QDialog>
#include <memory>
#include <string>

#include "periphery/interface_library.h"
#include "periphery/ui/port_prompts.h"

namespace Ui {
class CIPAddrSuche;
}

namespace tagforge::ui {

class CIPAddrSuche final : public QDialog {
  public:
    // Item data of a list entry (role Qt::UserRole).
    static constexpr int kReaderEntry = 1;
    static constexpr int kForeignEntry = 2;

    // The search runs when the window is first shown.
    CIPAddrSuche(InterfaceLibrary& library, PortDlgPrompts& prompts, QWidget* parent = nullptr);
    ~CIPAddrSuche() override;

    // The reader chosen with "Schliessen"; empty when none was chosen.
    const std::string& Result() const { return m_result; }

    // Empties the list and searches again; asks to retry when nothing answers.
    void RefreshReaderList();

    // "Schliessen", Escape and the window's close button.
    void reject() override;

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void ShowSearching(bool searching);
    void UpdateChangeButton();
    void OnChange();

    std::unique_ptr<Ui::CIPAddrSuche> m_ui;
    InterfaceLibrary& m_library;
    PortDlgPrompts& m_prompts;
    std::string m_result;
    bool m_searched = false;
    bool m_searching = false;
};

}  // namespace tagforge::ui
