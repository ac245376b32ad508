#include "app/core/status_box.h"

#include <algorithm>

namespace tagforge {

void StatusBox::Add(const std::string& text) {
    if (m_lineCount > kMaxLines) {
        Clear();
    }
    const std::string line = text + "\r\n";
    m_lineCount += static_cast<int>(std::count(line.begin(), line.end(), '\n'));
    m_view.AppendLine(line);
}

void StatusBox::ShowMessage(int id, const std::string& text, bool duringTick) {
    if (duringTick) {
        if (id == m_lastMessageId) {
            return;
        }
        m_lastMessageId = id;
    }
    Add(text);
}

void StatusBox::Clear() {
    m_lineCount = 1;
    m_view.ClearLines();
}

}  // namespace tagforge
