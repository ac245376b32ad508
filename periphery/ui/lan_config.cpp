#include "periphery/ui/lan_config.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QRegularExpressionValidator>
#include <algorithm>

#include "common/messages.h"
#include "periphery/lan_settings.h"
#include "periphery/ui/wait_without_input.h"
#include "periphery/ui/window_text.h"
#include "ui_lan_config.h"

namespace tagforge::ui {

namespace {

// VESMOR_GetLanConfig writes at most this many bytes into each text.
constexpr size_t kConfigTextBytes = 32;

const char* const kOctet = "(25[0-5]|2[0-4][0-9]|1[0-9][0-9]|[1-9]?[0-9])";

// Typing may stop anywhere on the way to a full address; more than four octets or an octet
// above 255 cannot be typed.
QValidator* DottedValidator(QObject* parent) {
    const QString octet = QString::fromLatin1(kOctet);
    return new QRegularExpressionValidator(
        QRegularExpression(octet + "\\." + octet + "\\." + octet + "\\." + octet), parent);
}

QValidator* PortValidator(QObject* parent) {
    return new QRegularExpressionValidator(
        QRegularExpression("6553[0-5]|655[0-2][0-9]|65[0-4][0-9]{2}|6[0-4][0-9]{3}|"
                           "[1-5][0-9]{4}|[1-9][0-9]{0,3}|0"),
        parent);
}

// Printable ASCII without the brackets the name is carried in.
QValidator* NameValidator(QObject* parent) {
    return new QRegularExpressionValidator(
        QRegularExpression("[\\x21-\\x5A\\x5C\\x5E-\\x7E]{0,15}"), parent);
}

}  // namespace

CLanConfig::CLanConfig(InterfaceLibrary& library, PortDlgPrompts& prompts, std::string reader,
                       QWidget* parent)
    : QDialog(parent),
      m_ui(std::make_unique<Ui::CLanConfig>()),
      m_library(library),
      m_prompts(prompts),
      m_reader(std::move(reader)) {
    Ui::CLanConfig& ui = *m_ui;
    ui.setupUi(this);
    for (QLineEdit* dotted : {ui.editIpAddress, ui.editMask, ui.editGateway}) {
        dotted->setValidator(DottedValidator(dotted));
    }
    ui.editDhcpPort->setValidator(PortValidator(ui.editDhcpPort));
    ui.editFixedPort->setValidator(PortValidator(ui.editFixedPort));
    ui.editDhcpName->setValidator(NameValidator(ui.editDhcpName));
    ui.progressApply->hide();
    connect(ui.radioDhcp, &QRadioButton::toggled, this, [this] { ShowMode(Dhcp()); });
    connect(ui.buttonOk, &QPushButton::clicked, this, [this] { accept(); });
    connect(ui.buttonCancel, &QPushButton::clicked, this, [this] { reject(); });
    ui.radioDhcp->setChecked(true);
    ui.editDhcpPort->setText(QString::number(kDefaultLanPort));
    ui.editFixedPort->setText(QString::number(kDefaultLanPort));
    LoadLanSettings();
}

CLanConfig::~CLanConfig() = default;

bool CLanConfig::Dhcp() const {
    return m_ui->radioDhcp->isChecked();
}

void CLanConfig::LoadLanSettings() {
    char name[kConfigTextBytes] = {};
    char address[kConfigTextBytes] = {};
    char mask[kConfigTextBytes] = {};
    char gateway[kConfigTextBytes] = {};
    if (m_library.GetLanConfig(m_reader.c_str(), name, address, mask, gateway) != 0) {
        ShowMode(Dhcp());
        return;
    }
    // Terminated even if a text filled its buffer.
    for (char* text : {name, address, mask, gateway}) {
        text[kConfigTextBytes - 1] = '\0';
    }
    const LanSettings settings = SettingsFromLanConfig(name, address, mask, gateway);
    Ui::CLanConfig& ui = *m_ui;
    ui.editIpAddress->setText(FromUtf8(settings.address));
    ui.editMask->setText(FromUtf8(settings.mask));
    ui.editGateway->setText(FromUtf8(settings.gateway));
    ui.editDhcpPort->setText(QString::number(settings.port));
    ui.editFixedPort->setText(QString::number(settings.port));
    ui.editDhcpName->setText(FromUtf8(settings.name));
    (settings.dhcp ? ui.radioDhcp : ui.radioFixed)->setChecked(true);
    ShowMode(settings.dhcp);
}

void CLanConfig::ShowMode(bool dhcp) {
    Ui::CLanConfig& ui = *m_ui;
    ui.editDhcpName->setEnabled(dhcp);
    ui.editDhcpPort->setEnabled(dhcp);
    ui.editIpAddress->setEnabled(!dhcp);
    ui.editFixedPort->setEnabled(!dhcp);
}

std::string CLanConfig::DottedField(const QLineEdit* field) {
    const std::string text = ToUtf8(field->text());
    if (text.empty()) {
        return "0.0.0.0";
    }
    const std::optional<Ipv4Octets> octets = ParseDottedAddress(text);
    return octets ? DottedText(*octets) : std::string();
}

void CLanConfig::RefuseField(QLineEdit* field, int messageId) {
    m_prompts.Message(this, MessageQ(messageId));
    field->setFocus();
    field->selectAll();
}

void CLanConfig::accept() {
    Ui::CLanConfig& ui = *m_ui;
    const bool dhcp = Dhcp();
    const std::string address = DottedField(ui.editIpAddress);
    if (!dhcp && (address.empty() || address == "0.0.0.0")) {
        RefuseField(ui.editIpAddress, kMsgEnterValidIpAddress);
        return;
    }
    // A mask that is no unbroken run of ones would be stored as another one.
    const std::string mask = DottedField(ui.editMask);
    const std::optional<Ipv4Octets> maskOctets = ParseDottedAddress(mask);
    if (!maskOctets || (mask != "0.0.0.0" && !MaskHostBits(*maskOctets))) {
        RefuseField(ui.editMask, kMsgEnterValidIpAddress);
        return;
    }
    const std::string gateway = DottedField(ui.editGateway);
    if (gateway.empty()) {
        RefuseField(ui.editGateway, kMsgEnterValidIpAddress);
        return;
    }
    QLineEdit* portField = dhcp ? ui.editDhcpPort : ui.editFixedPort;
    if (portField->text().isEmpty()) {
        RefuseField(portField, kMsgEnterNumber);
        return;
    }
    const std::string newAddress = NewLanAddressText(dhcp, address, ToUtf8(ui.editDhcpName->text()),
                                                     portField->text().toInt());

    SetControlsEnabled(false);
    ui.progressApply->setValue(0);
    ui.progressApply->show();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const int32_t result =
        m_library.SetLanConfig(m_reader.c_str(), newAddress.c_str(), mask.c_str(), gateway.c_str());
    if (result != 0) {
        QApplication::restoreOverrideCursor();
        m_prompts.Message(this, MessageQ(kMsgLanConfigFailed));
        LoadLanSettings();
        ui.progressApply->hide();
        SetControlsEnabled(true);
        ShowMode(Dhcp());
        return;
    }
    m_reader = newAddress;
    WaitForReader();
    QApplication::restoreOverrideCursor();
    ui.progressApply->hide();
    SetControlsEnabled(true);
    QDialog::accept();
}

// The reader restarts and may take a while to answer at its new address.
void CLanConfig::WaitForReader() {
    QElapsedTimer clock;
    clock.start();
    while (m_library.TestLanDevice(m_reader.c_str()) < 1 && clock.elapsed() < kReaderReturnMs) {
        WaitWithoutInput(kReaderPollMs);
        m_ui->progressApply->setValue(
            static_cast<int>(std::min<qint64>(clock.elapsed(), kReaderReturnMs)));
    }
}

void CLanConfig::SetControlsEnabled(bool enabled) {
    Ui::CLanConfig& ui = *m_ui;
    for (QWidget* control : std::initializer_list<QWidget*>{
             ui.radioDhcp, ui.radioFixed, ui.editDhcpName, ui.editDhcpPort, ui.editIpAddress,
             ui.editFixedPort, ui.editMask, ui.editGateway, ui.buttonOk, ui.buttonCancel}) {
        control->setEnabled(enabled);
    }
}

}  // namespace tagforge::ui
