#include "periphery/ui/port_dlg.h"

#include <QApplication>
#include <QEventLoop>
#include <QRegularExpressionValidator>
#include <QTimer>
#include <QTimerEvent>

#include "common/messages.h"
#include "periphery/ui/device_monitor.h"
#include "periphery/ui/ip_addr_suche.h"
#include "periphery/ui/wait_without_input.h"
#include "periphery/ui/window_text.h"
#include "ui_port_dlg.h"

namespace tagforge::ui {

CPortDlg::CPortDlg(ProfileStore& profile, InterfaceLibrary& library, PortDlgPrompts& prompts,
                   QWidget* parent)
    : QDialog(parent),
      m_ui(std::make_unique<Ui::CPortDlg>()),
      m_library(library),
      m_prompts(prompts),
      m_choice(profile, library, *this) {
    m_ui->setupUi(this);
    // Numeric fields: digits only, as typed.
    const QRegularExpression digits("[0-9]*");
    m_ui->editTimeout->setValidator(new QRegularExpressionValidator(digits, this));
    m_ui->editAddress->setValidator(new QRegularExpressionValidator(digits, this));
    ConnectSignals();
}

CPortDlg::~CPortDlg() {
    SetBusy(false);
}

void CPortDlg::ConnectSignals() {
    Ui::CPortDlg& ui = *m_ui;
    connect(ui.listInterfaces, &QListWidget::itemSelectionChanged, this,
            [this] { m_choice.OnSelectionChanged(); });
    connect(ui.checkEthernet, &QCheckBox::clicked, this,
            [this] { m_choice.OnEthernetClicked(Fields()); });
    connect(ui.buttonLanSearch, &QPushButton::clicked, this, [this] { m_choice.OnLanSearch(); });
    connect(ui.buttonHidMode, &QPushButton::clicked, this, [this] { m_choice.OnHidMode(); });
    connect(ui.buttonVirtualCom, &QPushButton::clicked, this, [this] { m_choice.OnVirtualCom(); });
    connect(ui.buttonOk, &QPushButton::clicked, this, [this] { accept(); });
    connect(ui.buttonCancel, &QPushButton::clicked, this, [this] { reject(); });
}

void CPortDlg::setVisible(bool visible) {
    if (visible && !m_initialized) {
        m_initialized = true;
        Initialize();
    }
    QDialog::setVisible(visible);
}

void CPortDlg::Initialize() {
    Ui::CPortDlg& ui = *m_ui;
    ui.editTimeout->setText(QString::number(m_choice.Timeout()));
    ui.checkEthernet->setChecked(m_choice.EthernetEnabled());
    ui.editAddress->setText(QString::number(m_choice.Address()));
    const SerialChoice serial = DecodeBaud(m_choice.EncodedBaud(), BaudEntries());
    ui.comboBaud->setCurrentIndex(serial.baud);
    ui.comboParity->setCurrentIndex(serial.parity);
    ui.comboStopBits->setCurrentIndex(serial.stopBits);
    m_choice.Initialize();
    adjustSize();
    setMinimumSize(size());
    m_monitor = DeviceChangeMonitor::Create([this](int event) { DeviceChanged(event); });
}

void CPortDlg::accept() {
    if (m_choice.OnOk(Fields(), Serial(), BaudEntries())) {
        QDialog::accept();
    }
}

PortFields CPortDlg::Fields() const {
    return {ToUtf8(m_ui->editTimeout->text()), m_ui->checkEthernet->isChecked(),
            ToUtf8(m_ui->editAddress->text())};
}

SerialChoice CPortDlg::Serial() const {
    return {m_ui->comboBaud->currentIndex(), m_ui->comboParity->currentIndex(),
            m_ui->comboStopBits->currentIndex()};
}

std::vector<std::string> CPortDlg::BaudEntries() const {
    std::vector<std::string> entries;
    for (int i = 0; i < m_ui->comboBaud->count(); ++i) {
        entries.push_back(ToUtf8(m_ui->comboBaud->itemText(i)));
    }
    return entries;
}

// Entries and selections set here are no choice of the user: the list's signals stay quiet.
void CPortDlg::ShowEntries(const std::vector<std::string>& entries) {
    const QSignalBlocker quiet(m_ui->listInterfaces);
    m_ui->listInterfaces->clear();
    for (const std::string& entry : entries) {
        m_ui->listInterfaces->addItem(FromUtf8(entry));
    }
}

void CPortDlg::SelectEntry(int index) {
    const QSignalBlocker quiet(m_ui->listInterfaces);
    m_ui->listInterfaces->setCurrentRow(index, QItemSelectionModel::ClearAndSelect);
}

int CPortDlg::SelectedEntry() const {
    const QList<QListWidgetItem*> selected = m_ui->listInterfaces->selectedItems();
    return selected.isEmpty() ? -1 : m_ui->listInterfaces->row(selected.front());
}

void CPortDlg::ShowModeButtons(ModeState state) {
    QPushButton* const hid = m_ui->buttonHidMode;
    QPushButton* const virtualCom = m_ui->buttonVirtualCom;
    // Both released is no state an exclusive pair can be put into.
    hid->setAutoExclusive(false);
    virtualCom->setAutoExclusive(false);
    hid->setChecked(state == ModeState::kHid);
    virtualCom->setChecked(state == ModeState::kVirtualCom);
    hid->setAutoExclusive(true);
    virtualCom->setAutoExclusive(true);
    hid->setEnabled(state != ModeState::kNone);
    virtualCom->setEnabled(state != ModeState::kNone);
}

void CPortDlg::EnableSerialFormat(bool enabled) {
    m_ui->comboBaud->setEnabled(enabled);
    m_ui->comboParity->setEnabled(enabled);
    m_ui->comboStopBits->setEnabled(enabled);
}

void CPortDlg::ShowLanSearch(bool visible) {
    m_ui->buttonLanSearch->setVisible(visible);
}

std::string CPortDlg::RunLanSearch() {
    CIPAddrSuche search(m_library, m_prompts, this);
    m_prompts.RunModal(search);
    return search.Result();
}

void CPortDlg::ShowFieldError(Field field, const CheckResult& check) {
    m_prompts.Message(this, FromUtf8(check.Text()));
    QLineEdit* edit = field == Field::kTimeout ? m_ui->editTimeout : m_ui->editAddress;
    edit->setFocus();
    edit->selectAll();
}

bool CPortDlg::AskQuestion(const std::vector<int>& messageIds) {
    QString text;
    for (int id : messageIds) {
        text += MessageQ(id) + "\n";
    }
    // A question asked during a reader switch gets the ordinary cursor.
    QApplication::setOverrideCursor(Qt::ArrowCursor);
    const bool yes = m_prompts.Question(this, text);
    QApplication::restoreOverrideCursor();
    return yes;
}

void CPortDlg::OpenDriverPage() {
    // No maker's download page exists for Linux: the steps are shown instead.
    m_prompts.Message(this, MessageQ(kMsgUsbDriverPage));
}

void CPortDlg::Wait(int milliseconds) {
    WaitWithoutInput(milliseconds);
}

void CPortDlg::PostDeviceChange(int event) {
    QMetaObject::invokeMethod(
        this, [this, event] { DeviceChanged(event); }, Qt::QueuedConnection);
}

void CPortDlg::StartTimer(int id, int periodMs) {
    m_refreshTimerId = id;
    m_refreshTimer.start(periodMs, this);
}

void CPortDlg::KillTimer(int id) {
    if (id == m_refreshTimerId) {
        m_refreshTimer.stop();
    }
}

void CPortDlg::timerEvent(QTimerEvent* event) {
    if (event->timerId() == m_refreshTimer.timerId()) {
        m_choice.OnTimer(m_refreshTimerId);
    } else {
        QDialog::timerEvent(event);
    }
}

void CPortDlg::SetBusy(bool busy) {
    if (busy && !m_disabledWindow) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        m_disabledWindow = parentWidget() ? parentWidget()->window() : this;
        m_disabledWindow->setEnabled(false);
    } else if (!busy && m_disabledWindow) {
        m_disabledWindow->setEnabled(true);
        m_disabledWindow.clear();
        QApplication::restoreOverrideCursor();
    }
}

}  // namespace tagforge::ui
