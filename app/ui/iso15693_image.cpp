// The content window's image functions: the text column beside the hexadecimal cells, saving
// the blocks read as an image file, and comparing them with one.

#include <QCoreApplication>
#include <QFileDialog>
#include <cerrno>
#include <cstring>

#include "app/core/file_output.h"
#include "app/core/tag_layout.h"
#include "app/ui/iso15693_dlg.h"
#include "common/messages.h"
#include "periphery/ui/editable_list_ctrl.h"
#include "periphery/ui/window_text.h"
#include "ui_iso15693_dlg.h"

namespace tagforge::ui {

namespace {

// Larger than any image of 65536 blocks of 32 bytes.
constexpr size_t kMaxImageFile = 16 * 1024 * 1024;

QString Tr(const char* text) {
    return QCoreApplication::translate("CISO15693Dlg", text);
}

QString ProblemText(const ImageProblem& problem) {
    return FromUtf8(FillArgs(QCoreApplication::translate("TagImage", problem.text).toStdString(),
                             problem.args));
}

QString ImageFilter() {
    return Tr(QT_TRANSLATE_NOOP("CISO15693Dlg",
                                "Abbild (*.json);;Binär (*.bin);;CSV (*.csv);;Alle Dateien (*)"));
}

}  // namespace

QColor CISO15693Dlg::DifferenceColour() {
    return QColor(255, 190, 190);
}

void CISO15693Dlg::StoreBlock(int row, int block, const QString& text) {
    const size_t at = static_cast<size_t>(block);
    if (at >= m_image.blocks.size()) {
        return;
    }
    m_image.blocks[at] = ParseHexBytes(text.toStdString());
    const int perRow = m_slots[0].blocksPerRow;
    const int first = row * perRow;
    BlockBytes bytes;
    for (int b = first; b < first + perRow && b < static_cast<int>(m_image.blocks.size()); ++b) {
        const auto& data = m_image.blocks[static_cast<size_t>(b)];
        if (data) {
            bytes.insert(bytes.end(), data->begin(), data->end());
        }
    }
    Table().SetItemText(row, perRow + 1, FromUtf8(PrintableText(bytes)));
}

void CISO15693Dlg::ClearMarks() {
    CEditableListCtrl& table = Table();
    for (int r = 0; r < table.rowCount(); ++r) {
        for (int c = 1; c < table.columnCount(); ++c) {
            if (QTableWidgetItem* item = table.item(r, c)) {
                item->setData(Qt::BackgroundRole, QVariant());
            }
        }
    }
}

bool CISO15693Dlg::SaveImage(const QString& path) {
    if (!m_image.uid || m_image.blocks.empty()) {
        ShowMessageText(
            Tr(QT_TRANSLATE_NOOP("CISO15693Dlg", "Keine Blöcke gelesen: nichts zu speichern")));
        return false;
    }
    const std::string file = path.toStdString();
    const std::string text =
        ImageFileText(m_image, ImageFormatOfPath(file), m_ui->labelTitle->text().toStdString());
    if (!WriteFileAtomically(file, text)) {
        const QString why = errno == ELOOP
                                ? Tr(QT_TRANSLATE_NOOP("CISO15693Dlg", "ist ein symbolischer Link"))
                                : QString::fromLocal8Bit(std::strerror(errno));
        ShowMessageText(
            Tr(QT_TRANSLATE_NOOP("CISO15693Dlg", "%1: nicht gespeichert: %2")).arg(path, why));
        return false;
    }
    ShowMessageText(Tr(QT_TRANSLATE_NOOP("CISO15693Dlg", "Gespeichert: %1")).arg(path));
    return true;
}

int CISO15693Dlg::CompareWithImage(const QString& path) {
    ClearMarks();
    std::string bytes;
    if (!ReadWholeFile(path.toStdString(), bytes, kMaxImageFile)) {
        ShowMessageText(QString("%1: %2").arg(path, QString::fromLocal8Bit(std::strerror(errno))));
        return -1;
    }
    ImageProblem problem;
    const std::optional<TagImage> other =
        ParseImage(bytes, ImageFormatOfPath(path.toStdString()), m_image.blockSize, problem);
    if (!problem && other) {
        problem = GeometryProblem(*other, m_image.blockCount, m_image.blockSize);
    }
    if (problem || !other) {
        ShowMessageText(QString("%1: %2").arg(path, ProblemText(problem)));
        return -1;
    }
    const std::vector<int> differing = DifferingBlocks(m_image, *other);
    const int perRow = std::max(m_slots[0].blocksPerRow, 1);
    CEditableListCtrl& table = Table();
    int count = 0;
    for (int block : differing) {
        const int row = block / perRow;
        if (block >= m_image.blockCount || row >= table.rowCount()) {
            continue;
        }
        ++count;
        for (int column : {1 + block % perRow, perRow + 1}) {
            if (!table.item(row, column)) {
                table.SetItemText(row, column, QString());
            }
            table.item(row, column)->setBackground(DifferenceColour());
        }
    }
    ShowMessageText(
        count == 0 ? Tr(QT_TRANSLATE_NOOP("CISO15693Dlg", "Gleich: alle %1 Blöcke"))
                         .arg(m_image.blockCount)
                   : Tr(QT_TRANSLATE_NOOP("CISO15693Dlg", "Verschieden: %1 von %2 Blöcken (%3)"))
                         .arg(count)
                         .arg(m_image.blockCount)
                         .arg(FromUtf8(BlockRanges(differing))));
    return count;
}

void CISO15693Dlg::ChooseAndSave() {
    const QString path = QFileDialog::getSaveFileName(
        this, Tr(QT_TRANSLATE_NOOP("CISO15693Dlg", "Abbild speichern")), QString(), ImageFilter());
    if (!path.isEmpty()) {
        SaveImage(path);
    }
}

void CISO15693Dlg::ChooseAndCompare() {
    const QString path = QFileDialog::getOpenFileName(
        this, Tr(QT_TRANSLATE_NOOP("CISO15693Dlg", "Mit Abbild vergleichen")), QString(),
        ImageFilter());
    if (!path.isEmpty()) {
        CompareWithImage(path);
    }
}

}  // namespace tagforge::ui
