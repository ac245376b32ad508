#include "app/ui/iso15693_dlg.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QScrollBar>
#include <QStyle>
#include <QTime>
#include <QTimer>
#include <span>

#include "app/core/tag_layout.h"
#include "app/core/transponder_text.h"
#include "app/ui/wait_cursor.h"
#include "app/ui/wait_hooks_qt.h"
#include "common/messages.h"
#include "common/write_job.h"
#include "periphery/ui/editable_list_ctrl.h"
#include "periphery/ui/window_text.h"
#include "ui_iso15693_dlg.h"
#include "vesmor.h"

namespace tagforge::ui {

namespace {

constexpr int kStartDelayMs = 50;
constexpr int kTitlePointSize = 20;
constexpr int kInventoryRecordSize = 11;
constexpr int32_t kOneSlotFlag = 0x20;
constexpr int32_t kInfineonOption = 0x100;
// A short block answer is reported with the message of this code ("Falsche Datenanzahl").
constexpr int kWrongDataCountError = VESMOR_ERR_INVENTORY_SHORT;
constexpr int kCellPadding = 12;  // pixels around a cell's text
// Data bytes of one Read Multiple Blocks answer (63 blocks of 4 bytes): the table reads ahead
// in runs of this size, so that a run is one exchange and rows keep appearing while it fills.
constexpr int kRunBytes = 252;

// Painting the table after every block would take a tenth of the time of a block exchange at
// 115200 baud: while the table fills, its cells are painted this often.
constexpr int kTableRefreshMs = 40;

// Lets the table's cells be painted only every kTableRefreshMs while the object lives, and
// always afterwards.
class ThrottledPainting {
  public:
    explicit ThrottledPainting(QWidget* viewport) : m_viewport(viewport) { m_clock.start(); }
    ~ThrottledPainting() { m_viewport->setUpdatesEnabled(true); }
    ThrottledPainting(const ThrottledPainting&) = delete;
    ThrottledPainting& operator=(const ThrottledPainting&) = delete;

    // After a change: the next wait of the library paints it when the time has come.
    void Changed() {
        const bool paint = m_clock.elapsed() >= kTableRefreshMs;
        m_viewport->setUpdatesEnabled(paint);
        if (paint) {
            m_clock.restart();
        }
    }

  private:
    QWidget* m_viewport;
    QElapsedTimer m_clock;
};

// A control that stays usable during the library's waits while the object lives.
class UsableDuringWaits {
  public:
    explicit UsableDuringWaits(QWidget* control) { UiWaitHooks::AllowDuringWaits(control); }
    ~UsableDuringWaits() { UiWaitHooks::AllowDuringWaits(nullptr); }
    UsableDuringWaits(const UsableDuringWaits&) = delete;
    UsableDuringWaits& operator=(const UsableDuringWaits&) = delete;
};

}  // namespace

CISO15693Dlg::CISO15693Dlg(int32_t portHandle, ReaderLibrary& library, ProfileStore& profile,
                           PortDlgPrompts& prompts, QWidget* parent)
    : QDialog(parent),
      m_ui(std::make_unique<Ui::CISO15693Dlg>()),
      m_portHandle(portHandle),
      m_library(library),
      m_prompts(prompts),
      m_requestFlag(profile.ReadInt("Settings", "RequestFlag", 1)) {
    m_ui->setupUi(this);
    m_ui->labelTitle->setText(MessageQ(kMsgNoTransponderInField));
    QFont title = m_ui->labelTitle->font();
    title.setPointSize(kTitlePointSize);
    title.setBold(true);
    m_ui->labelTitle->setFont(title);
    CEditableListCtrl& table = Table();
    table.EnableRowAppend(false);
    table.EnableRowDrag(false);
    connect(m_ui->buttonReadAll, &QPushButton::clicked, this, [this] { ReadAll(); });
    connect(m_ui->buttonClose, &QPushButton::clicked, this, [this] { reject(); });
    connect(m_ui->buttonSave, &QPushButton::clicked, this, [this] { ChooseAndSave(); });
    connect(m_ui->buttonCompare, &QPushButton::clicked, this, [this] { ChooseAndCompare(); });
}

CISO15693Dlg::~CISO15693Dlg() = default;

CEditableListCtrl& CISO15693Dlg::Table() const {
    return *m_ui->listContent;
}

int CISO15693Dlg::exec() {
    if (m_portHandle == 0) {
        m_prompts.Message(parentWidget(), MessageQ(kMsgNoPortHandle));
        setResult(QDialog::Rejected);
        return QDialog::Rejected;
    }
    return QDialog::exec();
}

void CISO15693Dlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (m_started || m_portHandle == 0) {
        return;
    }
    m_started = true;
    BuildColumns();
    // Pressed only while the window is still open: closed within the delay, it reads nothing.
    QTimer::singleShot(kStartDelayMs, this, [this] {
        if (isVisible()) {
            m_ui->buttonReadAll->click();
        }
    });
}

void CISO15693Dlg::done(int result) {
    m_stopRequested = m_reading;
    QDialog::done(result);
}

void CISO15693Dlg::ReadAll() {
    if (m_reading) {
        return;
    }
    m_reading = true;
    m_stopRequested = false;
    m_image = TagImage{};  // a failed reading leaves nothing to save or compare
    {
        const WaitCursor cursor;
        const UsableDuringWaits closeButton(m_ui->buttonClose);
        if (FindTransponder()) {
            const Uid uid = m_uids.front();
            ReadTagInfo(uid);
            if (!m_stopRequested) {
                ShowTypeLine(uid);
                BuildColumns();
                FillTable(uid);
            }
        }
    }
    m_reading = false;
}

bool CISO15693Dlg::FindTransponder() {
    uint8_t records[kInventoryRecordSize];
    int32_t n = -1;
    for (int attempt = 0; attempt < kAttempts && n < 0 && !m_stopRequested; ++attempt) {
        n = m_library.Inventory(m_portHandle, records, sizeof records,
                                m_requestFlag | kOneSlotFlag);
    }
    m_uids.clear();
    if (m_stopRequested) {
        return false;
    }
    if (n < 0) {
        if (m_library.GetLastError(m_portHandle) == VESMOR_ERR_COLLISION) {
            Table().setRowCount(0);
            ShowTitle(kMsgSeveralTransponders);
            return false;
        }
    }
    for (int at = 0; at + kInventoryRecordSize <= n; at += kInventoryRecordSize) {
        if ((records[at] & 0x0F) == 0) {
            Uid uid;
            std::copy(records + at + 3, records + at + kInventoryRecordSize, uid.begin());
            m_uids.push_back(uid);
        }
    }
    if (m_uids.empty()) {
        Table().setRowCount(0);
        ShowTitle(kMsgNoTransponderInField);
        return false;
    }
    return true;
}

void CISO15693Dlg::ReadTagInfo(const Uid& uid) {
    TagSlot& slot = m_slots[0];
    const bool infineon = uint32_t{uid[6]} == kIcManufacturerInfineon;
    const int32_t flags = infineon ? (m_requestFlag | kInfineonOption) : m_requestFlag;
    for (int attempt = 0; attempt < kAttempts && !m_stopRequested; ++attempt) {
        int32_t count = slot.blockCount;
        int32_t size = slot.blockSize;
        int32_t maker = uid[6];
        if (m_library.GetTagInfo(m_portHandle, uid.data(), infineon ? 0 : 8, &count, &size, &maker,
                                 flags) != -1) {
            ShowMessage(kMsgBlankLine);
            slot.blockCount = count;
            slot.blockSize = size;
            slot.icManufacturer = maker;
            slot.blocksPerRow = BlocksPerRow(size);
            return;
        }
        ShowMessage(ErrorCodeMessageId(m_library.GetLastError(m_portHandle)));
    }
    // The table is read with the geometry the slot holds; the maker is the UID's.
    slot.icManufacturer = uid[6];
}

void CISO15693Dlg::ShowTypeLine(const Uid& uid) {
    const QByteArray format = MessageQ(TransponderTypeMessageId(uid[6])).toUtf8();
    m_ui->labelTitle->setText(FromUtf8(TransponderTypeText(uid, format.constData())));
}

void CISO15693Dlg::FillTable(const Uid& uid) {
    if (m_uids.size() != 1) {
        return;
    }
    const TagSlot& slot = m_slots[0];
    CEditableListCtrl& table = Table();
    ThrottledPainting painting(table.viewport());
    ReadAhead ahead;
    m_image = TagImage{};
    m_image.uid = uid;
    m_image.blockCount = slot.blockCount;
    m_image.blockSize = slot.blockSize;
    m_image.blocks.resize(static_cast<size_t>(std::max(slot.blockCount, 0)));
    m_image.time = ImageTimeNow();
    for (int first = 0; first < slot.blockCount; first += slot.blocksPerRow) {
        const BlockRow row = RowAt(first, slot.blocksPerRow, slot.blockCount);
        const int r = table.AppendRow(FromUtf8(RowLabel(row)));
        for (int block = row.firstBlock; block <= row.lastBlock; ++block) {
            if (!BlockIsRead(block, slot.blockCount, slot.icManufacturer)) {
                break;
            }
            QString text;
            if (!BlockText(block, uid, ahead, text)) {
                return;
            }
            table.SetItemText(r, 1 + block - row.firstBlock, text);
            StoreBlock(r, block, text);
            table.scrollToItem(table.item(r, 0));
            painting.Changed();
        }
    }
    ShowMessage(kMsgBlankLine);
}

// A block's text from the run that holds it, a new run from it on, or, where a run failed, a
// read of the block alone. False when the read ends here (stopped, or the block's message
// shown).
bool CISO15693Dlg::BlockText(int block, const Uid& uid, ReadAhead& ahead, QString& text) {
    const int held = block - ahead.first;
    if (block >= ahead.singleEnd && (held < 0 || held >= static_cast<int>(ahead.texts.size()))) {
        if (!ReadRun(block, uid, ahead)) {
            return false;
        }
    }
    if (block < ahead.singleEnd) {
        return ReadBlock(block, uid, text);
    }
    text = ahead.texts[static_cast<size_t>(block - ahead.first)];
    return true;
}

// Reads the blocks from `block` on that are read with the same request flags, up to one
// answer's worth: blocks above 255 of STMicroelectronics chips need the extension flag, so a
// run never crosses to them. A run that fails or answers with other block sizes leaves its
// blocks to single reads, which bring the retries and messages. False only when stopped.
bool CISO15693Dlg::ReadRun(int block, const Uid& uid, ReadAhead& ahead) {
    const TagSlot& slot = m_slots[0];
    const int blockSize = std::max(slot.blockSize, 1);
    const int32_t flags = BlockRequestFlags(m_requestFlag, slot.icManufacturer, block);
    const int limit = block + std::max(kRunBytes / blockSize, 1);
    int end = block;
    while (end < limit && BlockIsRead(end, slot.blockCount, slot.icManufacturer) &&
           BlockRequestFlags(m_requestFlag, slot.icManufacturer, end) == flags) {
        ++end;
    }
    const int count = end - block;
    std::vector<uint8_t> data(static_cast<size_t>(count) * static_cast<size_t>(blockSize));
    ahead.first = block;
    ahead.texts.clear();
    if (slot.blockSize < 1) {
        ahead.singleEnd = end;  // a block size the single reads report as wrong
        return true;
    }
    if (m_stopRequested) {
        return false;
    }
    const int32_t n = m_library.ReadBlocks(m_portHandle, block, count, data.data(),
                                           static_cast<int32_t>(data.size()), uid.data(), 8, flags);
    if (m_stopRequested) {
        return false;
    }
    if (n != static_cast<int32_t>(data.size())) {
        ahead.singleEnd = end;
        return true;
    }
    ShowMessage(kMsgBlankLine);
    const std::span<const uint8_t> bytes(data);
    for (size_t at = 0; at < bytes.size(); at += static_cast<size_t>(blockSize)) {
        ahead.texts.push_back(
            FromUtf8(HexBytes(bytes.subspan(at, static_cast<size_t>(blockSize)))));
    }
    return true;
}

bool CISO15693Dlg::ReadBlock(int block, const Uid& uid, QString& text) {
    const TagSlot& slot = m_slots[0];
    std::vector<uint8_t> data(static_cast<size_t>(std::max(slot.blockSize, 1)));
    const int32_t flags = BlockRequestFlags(m_requestFlag, slot.icManufacturer, block);
    int32_t n = -1;
    for (int attempt = 0; attempt < kAttempts && n < 0; ++attempt) {
        if (m_stopRequested) {
            return false;
        }
        n = m_library.ReadBlock(m_portHandle, block, data.data(), static_cast<int32_t>(data.size()),
                                uid.data(), 8, flags);
    }
    if (m_stopRequested) {
        return false;
    }
    if (n < 0) {
        ShowMessage(ErrorCodeMessageId(m_library.GetLastError(m_portHandle)));
        return false;
    }
    if (n != slot.blockSize) {
        ShowMessage(ErrorCodeMessageId(kWrongDataCountError));
        return false;
    }
    ShowMessage(kMsgBlankLine);
    text = FromUtf8(HexBytes(data));
    return true;
}

int CISO15693Dlg::ClientWidth() const {
    const CEditableListCtrl& table = Table();
    return table.width() - 2 * table.frameWidth();
}

void CISO15693Dlg::BuildColumns() {
    CEditableListCtrl& table = Table();
    const TagSlot& slot = m_slots[0];
    const int perRow = slot.blocksPerRow;
    table.setRowCount(0);
    // The text column shows every byte of the row as one character.
    const int textWidth = table.fontMetrics().horizontalAdvance(
                              QString(perRow * std::max(slot.blockSize, 1), QChar('0'))) +
                          kCellPadding;
    if (table.columnCount() != perRow + 2) {
        table.DeleteAllColumns();
        const int client = ClientWidth();
        const int first = client / 10;
        const int scrollBar = table.style()->pixelMetric(QStyle::PM_ScrollBarExtent);
        table.InsertColumn(0, QCoreApplication::translate("CISO15693Dlg", "BlockNr"),
                           Qt::AlignHCenter, first);
        for (int c = 1; c <= perRow; ++c) {
            table.InsertColumn(c, QCoreApplication::translate("CISO15693Dlg", "Daten"),
                               Qt::AlignLeft, (client - first - scrollBar - textWidth) / perRow);
        }
        table.InsertColumn(perRow + 1, QCoreApplication::translate("CISO15693Dlg", "ASCII"),
                           Qt::AlignLeft, textWidth);
    }
    table.setColumnWidth(perRow + 1, textWidth);
    // Every data column shows a whole block and edits as many characters.
    const int cellChars = 3 * slot.blockSize - 1;
    const int cellWidth =
        table.fontMetrics().horizontalAdvance(QString(cellChars, QChar('0'))) + kCellPadding;
    table.ResetColumnEditors();
    for (int c = 1; c <= perRow; ++c) {
        table.setColumnWidth(c, std::max(table.columnWidth(c), cellWidth));
        table.SetColumnEditLength(c, cellChars);
    }
}

void CISO15693Dlg::ShowTitle(int messageId) {
    m_ui->labelTitle->setText(MessageQ(messageId));
}

void CISO15693Dlg::ShowMessage(int id) {
    ShowMessageText(MessageQ(id));
}

void CISO15693Dlg::ShowMessageText(const QString& text) {
    if (!m_message.isEmpty()) {
        AppendHistory(m_message);
    }
    if (text.trimmed().isEmpty()) {
        m_message.clear();
        m_ui->editMessage->clear();
        return;
    }
    m_message = QTime::currentTime().toString("HH:mm:ss") + " -> " + text;
    QString shown = m_message;
    shown.replace("\r\n", " ");
    m_ui->editMessage->setText(shown.trimmed());
}

void CISO15693Dlg::AppendHistory(const QString& text) {
    if (m_historyLines > kMaxHistoryLines) {
        m_ui->editHistory->clear();
        m_historyLines = 1;
    }
    QString entry = text;
    if (!entry.endsWith('\n')) {
        entry += "\r\n";
    }
    m_historyLines += static_cast<int>(entry.count('\n'));
    entry.remove('\r');
    QPlainTextEdit* history = m_ui->editHistory;
    history->moveCursor(QTextCursor::End);
    history->insertPlainText(entry);
    history->ensureCursorVisible();
}

}  // namespace tagforge::ui
