#include "periphery/ui/ip_addr_suche.h"

#include <QCoreApplication>
#include <QTimer>

#include "common/messages.h"
#include "periphery/lan_settings.h"
#include "periphery/ui/lan_config.h"
#include "periphery/ui/wait_without_input.h"
#include "periphery/ui/window_text.h"
#include "ui_ip_addr_suche.h"

namespace tagforge::ui {

namespace {

// The reader restarts after a change; the search waits a moment for it.
constexpr int kSettleAfterChangeMs = 300;

}  // namespace

CIPAddrSuche::CIPAddrSuche(InterfaceLibrary& library, PortDlgPrompts& prompts, QWidget* parent)
    : QDialog(parent),
      m_ui(std::make_unique<Ui::CIPAddrSuche>()),
      m_library(library),
      m_prompts(prompts) {
    m_ui->setupUi(this);
    ShowSearching(false);
    UpdateChangeButton();
    connect(m_ui->listDevices, &QListWidget::itemSelectionChanged, this,
            [this] { UpdateChangeButton(); });
    connect(m_ui->buttonChange, &QPushButton::clicked, this, [this] { OnChange(); });
    connect(m_ui->buttonClose, &QPushButton::clicked, this, [this] { reject(); });
}

CIPAddrSuche::~CIPAddrSuche() = default;

// The window appears first, showing that it searches; the search follows from the event loop.
void CIPAddrSuche::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!m_searched) {
        m_searched = true;
        setMinimumSize(size());
        QTimer::singleShot(0, this, [this] { RefreshReaderList(); });
    }
}

void CIPAddrSuche::ShowSearching(bool searching) {
    m_searching = searching;
    m_ui->labelSearching->setVisible(searching);
    m_ui->progressSearching->setVisible(searching);
    m_ui->listDevices->setEnabled(!searching);
    m_ui->buttonClose->setEnabled(!searching);
    if (searching) {
        m_ui->buttonChange->setEnabled(false);
    } else {
        UpdateChangeButton();
    }
}

void CIPAddrSuche::RefreshReaderList() {
    for (;;) {
        m_ui->listDevices->clear();
        ShowSearching(true);
        // Painted before the search holds the thread (the library pumps events only while it
        // waits for answers).
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        const std::vector<LanSearchEntry> entries = MergeLanSearches(
            FetchInterfaceList(m_library, InterfaceKind::kLan), FetchLanDevices(m_library));
        for (const LanSearchEntry& entry : entries) {
            auto* item = new QListWidgetItem(FromUtf8(entry.text), m_ui->listDevices);
            item->setData(Qt::UserRole, entry.reader ? kReaderEntry : kForeignEntry);
            if (!entry.reader) {
                item->setForeground(QColor(255, 0, 0));
                QFont italic = m_ui->listDevices->font();
                italic.setItalic(true);
                item->setFont(italic);
            }
        }
        ShowSearching(false);
        if (!entries.empty()) {
            return;
        }
        if (!m_prompts.RetryOrCancel(this, MessageQ(kMsgLanListCaption),
                                     MessageQ(kMsgNoLanDevices))) {
            m_result.clear();
            QDialog::reject();
            return;
        }
    }
}

void CIPAddrSuche::UpdateChangeButton() {
    m_ui->buttonChange->setEnabled(!m_ui->listDevices->selectedItems().isEmpty());
}

void CIPAddrSuche::OnChange() {
    const QList<QListWidgetItem*> selected = m_ui->listDevices->selectedItems();
    if (selected.isEmpty()) {
        return;
    }
    CLanConfig config(m_library, m_prompts, ToUtf8(selected.front()->text()), this);
    if (m_prompts.RunModal(config) == QDialog::Accepted) {
        WaitWithoutInput(kSettleAfterChangeMs);
        RefreshReaderList();
    }
}

void CIPAddrSuche::reject() {
    if (m_searching) {
        return;
    }
    const QList<QListWidgetItem*> selected = m_ui->listDevices->selectedItems();
    m_result.clear();
    if (!selected.isEmpty() && selected.front()->data(Qt::UserRole).toInt() == kReaderEntry) {
        m_result = ToUtf8(selected.front()->text());
    }
    QDialog::reject();
}

}  // namespace tagforge::ui
