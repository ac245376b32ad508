#pragma once

#include <string>

// The status box under "Status": one line per message, emptied when it grows past 1000 lines,
// and the filter that keeps a cycle from repeating the same message on every tick.
namespace tagforge {

// Where the lines go: the window's read-only box, or the terminal.
class StatusView {
  public:
    virtual ~StatusView() = default;
    virtual void ClearLines() = 0;
    // `line` ends in "\r\n".
    virtual void AppendLine(const std::string& line) = 0;
};

class StatusBox {
  public:
    static constexpr int kMaxLines = 1000;

    explicit StatusBox(StatusView& view) : m_view(view) {}

    // Adds a line. A box that holds more than kMaxLines lines is emptied first.
    void Add(const std::string& text);

    // Adds the message `id`. During a cycle tick a message with the id of the last one is
    // dropped; otherwise the id is remembered.
    void ShowMessage(int id, const std::string& text, bool duringTick);

    // Lets the next message through (after a successful write or read, at a cycle's start).
    void ForgetLastMessage() { m_lastMessageId = 0; }
    int LastMessageId() const { return m_lastMessageId; }

    // "Reset Status".
    void Clear();

    // Lines as an edit box counts them: an empty box has one, every line break adds one.
    int LineCount() const { return m_lineCount; }

  private:
    StatusView& m_view;
    int m_lineCount = 1;
    int m_lastMessageId = 0;
};

}  // namespace tagforge
