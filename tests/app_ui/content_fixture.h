#pragma once
// The transponder content window against a simulated reader on a pseudo-terminal, through the
// real library behind an observing ReaderLibrary, with a profile in memory and prompts that
// record instead of asking.

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "app/core/reader_library.h"
#include "app/ui/iso15693_dlg.h"
#include "app/ui/wait_hooks_qt.h"
#include "periphery/ui/editable_list_ctrl.h"
#include "sim/pty_link.h"
#include "tests/app_settings/recording_profile.h"
#include "vesmor.h"

namespace tagforge::ui::test {

// libvesmor, with a record of what the window asked of it. A test may report another block
// count than the transponder's and act after a block was read: after each single read, and
// after a run that succeeded for each of its blocks.
class ObservedLibrary final : public ReaderLibrary {
  public:
    int32_t OpenPort(const char* name, int32_t baud, int32_t timeoutMs) override {
        return real.OpenPort(name, baud, timeoutMs);
    }
    int32_t ClosePort(int32_t handle) override { return real.ClosePort(handle); }
    int32_t GetVersion(int32_t handle, unsigned char* buffer, int32_t size) override {
        return Count(real.GetVersion(handle, buffer, size));
    }
    int32_t IsProgrammer(int32_t handle) override { return Count(real.IsProgrammer(handle)); }
    int32_t SetReaderOption(int32_t handle, int32_t value) override {
        return Count(real.SetReaderOption(handle, value));
    }
    int32_t GetDeviceName(int32_t handle, char* buffer, int32_t size) override {
        return Count(real.GetDeviceName(handle, buffer, size));
    }
    int32_t IsUSB(int32_t handle) override { return Count(real.IsUSB(handle)); }
    int32_t IsConnected(int32_t handle) override { return real.IsConnected(handle); }
    int32_t GetLastError(int32_t handle) override { return real.GetLastError(handle); }
    int32_t Inventory(int32_t handle, unsigned char* buffer, int32_t size, int32_t flags) override {
        ++inventories;
        return Count(real.Inventory(handle, buffer, size, flags));
    }
    int32_t GetTagInfo(int32_t handle, const unsigned char* uid, int32_t uidLength,
                       int32_t* blockCount, int32_t* blockSize, int32_t* icManufacturer,
                       int32_t flags) override {
        tagInfoUidLengths.push_back(uidLength);
        tagInfoFlags.push_back(flags);
        const int32_t result = Count(
            real.GetTagInfo(handle, uid, uidLength, blockCount, blockSize, icManufacturer, flags));
        if (result == 0 && reportedBlockCount) {
            *blockCount = *reportedBlockCount;
        }
        return result;
    }
    int32_t ReadBlock(int32_t handle, int32_t block, unsigned char* buffer, int32_t size,
                      const unsigned char* uid, int32_t uidLength, int32_t flags) override {
        readBlocks.push_back(block);
        singleReads.push_back(block);
        requests.push_back({block, 1, false});
        const int32_t n = Count(real.ReadBlock(handle, block, buffer, size, uid, uidLength, flags));
        if (afterRead) {
            afterRead(block);
        }
        return n;
    }
    int32_t ReadBlocks(int32_t handle, int32_t firstBlock, int32_t count, unsigned char* buffer,
                       int32_t size, const unsigned char* uid, int32_t uidLength,
                       int32_t flags) override {
        for (int block = firstBlock; block < firstBlock + count; ++block) {
            readBlocks.push_back(block);
        }
        requests.push_back({firstBlock, count, true});
        const int32_t n =
            Count(real.ReadBlocks(handle, firstBlock, count, buffer, size, uid, uidLength, flags));
        for (int block = firstBlock; n >= 0 && afterRead && block < firstBlock + count; ++block) {
            afterRead(block);
        }
        return n;
    }
    int32_t WriteBlock(int32_t handle, int32_t block, const unsigned char* data, int32_t length,
                       const unsigned char* uid, int32_t uidLength, int32_t flags) override {
        ++writes;
        return Count(real.WriteBlock(handle, block, data, length, uid, uidLength, flags));
    }

    ReaderLibrary& real = VesmorLibrary();
    std::optional<int32_t> reportedBlockCount;
    std::function<void(int)> afterRead;
    int calls = 0;  // calls that reach a reader
    int inventories = 0;
    int writes = 0;
    std::vector<int> tagInfoUidLengths;
    std::vector<int> tagInfoFlags;
    // A read request: `count` blocks from `first` on, as a run or as a single read.
    struct BlockRequest {
        int first = 0;
        int count = 1;
        bool run = false;
        bool operator==(const BlockRequest&) const = default;
    };
    std::vector<int> readBlocks;   // every block a read asked for, in order
    std::vector<int> singleReads;  // the blocks of single reads
    std::vector<BlockRequest> requests;

  private:
    int32_t Count(int32_t result) {
        ++calls;
        return result;
    }
};

class RecordingMessages final : public PortDlgPrompts {
  public:
    void Message(QWidget*, const QString& text) override { messages << text; }
    bool Question(QWidget*, const QString&) override { return false; }
    void OpenAddress(const QUrl&) override {}

    QStringList messages;
};

// A simulated programmer with an open port; the window is made on demand.
struct ContentView {
    explicit ContentView(int lineBaud = 0) : link(vesmor::sim::ReaderConfig{}, Options(lineBaud)) {
        handle = VESMOR_OpenPort(link.Path().c_str(), 19200, 500);
    }
    ~ContentView() {
        window.reset();
        if (handle > 0) {
            VESMOR_ClosePort(handle);
        }
    }
    ContentView(const ContentView&) = delete;
    ContentView& operator=(const ContentView&) = delete;

    static vesmor::sim::PtyLink::Options Options(int lineBaud) {
        vesmor::sim::PtyLink::Options options;
        options.lineBaud = lineBaud;
        return options;
    }

    CISO15693Dlg& Make(int32_t portHandle) {
        window = std::make_unique<CISO15693Dlg>(portHandle, library, profile, prompts);
        QObject::connect(Control<QAbstractButton>("buttonReadAll"), &QAbstractButton::clicked,
                         [this] { ++readPresses; });
        return *window;
    }
    // Shown, and its first "Alles Lesen" (which starts by itself) done.
    CISO15693Dlg& Show() {
        Make(handle).show();
        WaitForRead(1);
        return *window;
    }
    bool WaitForRead(int presses, int timeoutMs = 30000) const {
        return QTest::qWaitFor([&] { return readPresses >= presses && !window->Reading(); },
                               timeoutMs);
    }
    void ReadAgain() {
        const int before = readPresses;
        Control<QAbstractButton>("buttonReadAll")->click();
        WaitForRead(before + 1);
    }

    template <class T>
    T* Control(const char* name) const {
        return window->findChild<T*>(name);
    }
    CEditableListCtrl& Table() const { return window->Table(); }
    QString Title() const { return Control<QLabel>("labelTitle")->text(); }
    QString MessageLine() const { return Control<QLineEdit>("editMessage")->text(); }
    QString History() const { return Control<QPlainTextEdit>("editHistory")->toPlainText(); }
    // The block cells of a row: after its label, before its text column.
    QStringList Cells(int row) const {
        QStringList cells;
        for (int c = 1; c < Table().columnCount() - 1; ++c) {
            cells << Table().ItemText(row, c);
        }
        return cells;
    }
    QStringList Labels() const {
        QStringList labels;
        for (int r = 0; r < Table().rowCount(); ++r) {
            labels << Table().ItemText(r, 0);
        }
        return labels;
    }
    // A block of a tag in the field, as the window writes it.
    QString BlockText(const vesmor::sim::Uid& uid, int block) const {
        const std::optional<std::vector<uint8_t>> bytes = link.Field().Block(uid, block);
        QStringList pairs;
        for (uint8_t b : bytes.value_or(std::vector<uint8_t>{})) {
            pairs << QString("%1").arg(b, 2, 16, QChar('0')).toUpper();
        }
        return pairs.join(' ');
    }

    const UiWaitHooks hooks;
    mutable vesmor::sim::PtyLink link;
    int32_t handle = 0;
    ObservedLibrary library;
    tagforge::test::RecordingProfile profile;
    RecordingMessages prompts;
    std::unique_ptr<CISO15693Dlg> window;
    int readPresses = 0;
};

}  // namespace tagforge::ui::test
