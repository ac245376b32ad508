#pragma once
// `CISO15693Dlg`, the window "VESMOR Tagforge (Transponder Inhalt)": reads every block of the
// single transponder in the field and shows them in a table, four blocks (or one) to a row,
// under a title with the transponder's type and serial number. It only reads: edits of the
// table's cells stay on screen.

#include <QColor>
#include <QDialog>
#include <QString>
#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "app/core/reader_library.h"
#include "app/core/settings_model.h"
#include "app/core/tag_image.h"
#include "periphery/ui/port_prompts.h"

namespace Ui {
class CISO15693Dlg;
}

namespace tagforge::ui {

class CEditableListCtrl;

class CISO15693Dlg final : public QDialog {
  public:
    // What is known of a transponder; only slot 0 is used.
    struct TagSlot {
        int blocksPerRow = 4;
        int blockCount = 64;
        int blockSize = 4;
        int icManufacturer = 0;
    };
    static constexpr int kSlotCount = 16;
    static constexpr int kAttempts = 5;
    static constexpr int kMaxHistoryLines = 500;

    // Reads `RequestFlag` from the profile. The reading starts 50 ms after the window is shown.
    CISO15693Dlg(int32_t portHandle, ReaderLibrary& library, ProfileStore& profile,
                 PortDlgPrompts& prompts, QWidget* parent = nullptr);
    ~CISO15693Dlg() override;

    // Without a port handle: the message "Es ist kein Porthandle vorhanden" and the window ends
    // at once.
    int exec() override;
    // Closing during a read ends the read after the library call that runs.
    void done(int result) override;

    // "Alles Lesen": inventory, tag information, then the table, read ahead in runs of blocks.
    void ReadAll();

    // A message into the message line ("%H:%M:%S -> " text); the previous one moves to the
    // history. Message 218 (a blank) only empties the line.
    void ShowMessage(int id);
    void ShowMessageText(const QString& text);

    // "Speichern…": the blocks read, as an image file (JSON; binary or CSV by the ending
    // ".bin" or ".csv"), replaced at once and never through a link. False, with a message,
    // when nothing was read or the file cannot be written.
    bool SaveImage(const QString& path);
    // "Vergleichen…": marks in colour the cells (and the text column of their rows) whose
    // blocks differ from the image in the file. The number of differing blocks, or -1 with a
    // message when the file is no image of this transponder's geometry.
    int CompareWithImage(const QString& path);
    // The background of a cell whose block differs from the compared image.
    static QColor DifferenceColour();
    // The blocks read by the last "Alles Lesen".
    const TagImage& Image() const { return m_image; }

    const TagSlot& Slot() const { return m_slots[0]; }
    int UidCount() const { return static_cast<int>(m_uids.size()); }
    bool Reading() const { return m_reading; }
    CEditableListCtrl& Table() const;
    // Lines of the history as its edit box counts them (an empty box has one).
    int HistoryLineCount() const { return m_historyLines; }

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    using Uid = std::array<uint8_t, 8>;

    // The blocks one run read ahead: the texts of blocks first.., and the blocks below
    // singleEnd, which are read one by one because their run failed.
    struct ReadAhead {
        int first = 0;
        std::vector<QString> texts;
        int singleEnd = 0;
    };

    bool FindTransponder();
    void ReadTagInfo(const Uid& uid);
    void ShowTypeLine(const Uid& uid);
    void FillTable(const Uid& uid);
    bool BlockText(int block, const Uid& uid, ReadAhead& ahead, QString& text);
    bool ReadRun(int block, const Uid& uid, ReadAhead& ahead);
    bool ReadBlock(int block, const Uid& uid, QString& text);
    void BuildColumns();
    // Keeps the bytes of a block shown in the table and refreshes its row's text column.
    void StoreBlock(int row, int block, const QString& text);
    void ClearMarks();
    void ChooseAndSave();
    void ChooseAndCompare();
    void ShowTitle(int messageId);
    void AppendHistory(const QString& text);
    int ClientWidth() const;

    std::unique_ptr<Ui::CISO15693Dlg> m_ui;
    TagImage m_image;
    int32_t m_portHandle;
    ReaderLibrary& m_library;
    PortDlgPrompts& m_prompts;
    int32_t m_requestFlag;
    std::vector<Uid> m_uids;
    std::array<TagSlot, kSlotCount> m_slots{};
    QString m_message;  // the message line's text as given, line breaks included
    int m_historyLines = 1;
    bool m_reading = false;
    bool m_stopRequested = false;
    bool m_started = false;
};

}  // namespace tagforge::ui
