#pragma once
// `CLanConfig`, the window "LAN Einstellung": shows and changes one LAN reader's DHCP name or
// fixed IP address, its TCP port, subnet mask and gateway. OK applies the settings and waits,
// with a progress bar, until the reader answers at its new address.

#include <QDialog>
#include <memory>
#include <string>

#include "periphery/interface_library.h"
#include "periphery/ui/port_prompts.h"

namespace Ui {
class CLanConfig;
}

class QLineEdit;

namespace tagforge::ui {

class CLanConfig final : public QDialog {
  public:
    // The longest wait for the reader at its new address, the progress bar's range.
    static constexpr int kReaderReturnMs = 25000;
    static constexpr int kReaderPollMs = 100;

    // Reads the reader's settings into the fields (they stay empty when it does not answer).
    CLanConfig(InterfaceLibrary& library, PortDlgPrompts& prompts, std::string reader,
               QWidget* parent = nullptr);
    ~CLanConfig() override;

    // The address the settings are read from and written to; after OK the new one.
    const std::string& Reader() const { return m_reader; }

    // OK: applies the settings; the window ends only once they were applied.
    void accept() override;

  private:
    void LoadLanSettings();
    void ShowMode(bool dhcp);
    bool Dhcp() const;
    // The field's dotted address; "0.0.0.0" for an empty field; "" for a malformed one.
    static std::string DottedField(const QLineEdit* field);
    // A failed check: the message, then the field gets the focus.
    void RefuseField(QLineEdit* field, int messageId);
    void SetControlsEnabled(bool enabled);
    void WaitForReader();

    std::unique_ptr<Ui::CLanConfig> m_ui;
    InterfaceLibrary& m_library;
    PortDlgPrompts& m_prompts;
    std::string m_reader;
};

}  // namespace tagforge::ui
