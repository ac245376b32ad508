#include "periphery/ini_ex.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>

namespace {

char FoldCase(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualIgnoringCase(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](char x, char y) { return FoldCase(x) == FoldCase(y); });
}

std::string_view TrimTrailing(std::string_view s, std::string_view chars) {
    const size_t end = s.find_last_not_of(chars);
    return end == std::string_view::npos ? std::string_view{} : s.substr(0, end + 1);
}

std::string_view TrimLeading(std::string_view s, std::string_view chars) {
    const size_t begin = s.find_first_not_of(chars);
    return begin == std::string_view::npos ? std::string_view{} : s.substr(begin);
}

bool IsCSpace(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

// atoi with saturation instead of undefined overflow.
int DecimalPrefixValue(std::string_view s) {
    size_t i = 0;
    while (i < s.size() && IsCSpace(s[i])) {
        ++i;
    }
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
        negative = s[i] == '-';
        ++i;
    }
    long long value = 0;
    for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i) {
        value = std::min(value * 10 + (s[i] - '0'), static_cast<long long>(INT_MAX) + 1);
    }
    if (negative) {
        value = -value;
    }
    return static_cast<int>(std::clamp<long long>(value, INT_MIN, INT_MAX));
}

}  // namespace

CIniEx::~CIniEx() {
    if (m_writeBack) {
        Save();
    }
}

bool CIniEx::NamesEqual(std::string_view a, std::string_view b) const {
    return m_caseInsensitive ? EqualIgnoringCase(a, b) : a == b;
}

CSection& CIniEx::SectionAt(int index, std::string_view nameIfNew) {
    if (static_cast<size_t>(index) >= m_sections.size()) {
        m_sections.resize(static_cast<size_t>(index) + 1);
        m_sections[static_cast<size_t>(index)].name = nameIfNew;
    }
    return m_sections[static_cast<size_t>(index)];
}

void CIniEx::Parse(std::string_view text) {
    // Editors on the platform the files come from may put a UTF-8 byte-order mark in front.
    constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
    if (text.starts_with(kByteOrderMark)) {
        text.remove_prefix(kByteOrderMark.size());
    }
    std::string headerName;
    size_t pos = 0;
    while (pos < text.size()) {
        const size_t end = std::min(text.find_first_of("\r\n", pos), text.size());
        ParseLine(text.substr(pos, end - pos), headerName);
        pos = text.find_first_not_of("\r\n", end);
        if (pos == std::string_view::npos) {
            break;
        }
    }
}

void CIniEx::ParseLine(std::string_view line, std::string& headerName) {
    line = TrimTrailing(line, "\t\r\n");
    if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
        headerName = line.substr(1, line.size() - 2);
        ++m_lastSectionIndex;
        return;
    }
    const size_t equals = line.find('=');
    std::string key;
    std::string value;
    if (line.empty() || line.front() == ';') {
        key = line;
    } else if (equals == std::string_view::npos) {
        key = TrimTrailing(line, " ");
    } else {
        key = TrimTrailing(line.substr(0, equals), " ");
        value = TrimLeading(line.substr(equals + 1), " ");
    }
    // A line of blanks or tabs only (or a bare "=") would be written back as a blank line; it is
    // dropped like one.
    if (key.empty() && value.empty()) {
        return;
    }
    SectionAt(m_lastSectionIndex, headerName).Append(std::move(key), std::move(value));
}

int CIniEx::FindSection(std::string_view name) const {
    for (size_t i = 0; i < m_sections.size(); ++i) {
        if (NamesEqual(m_sections[i].name, name)) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

int CIniEx::FindKey(int section, std::string_view key) const {
    if (section < 0 || static_cast<size_t>(section) >= m_sections.size()) {
        return -1;
    }
    const std::vector<std::string>& keys = m_sections[static_cast<size_t>(section)].keys;
    for (size_t i = keys.size(); i-- > 0;) {
        if (NamesEqual(keys[i], key)) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

std::string CIniEx::GetString(std::string_view section, std::string_view key,
                              std::string_view defaultValue) const {
    const int s = FindSection(section);
    const int k = FindKey(s, key);
    if (k < 0) {
        return std::string(defaultValue);
    }
    return m_sections[static_cast<size_t>(s)].values[static_cast<size_t>(k)];
}

int CIniEx::GetInt(std::string_view section, std::string_view key, int defaultValue) const {
    const std::string value = GetString(section, key, {});
    return value.empty() ? defaultValue : DecimalPrefixValue(value);
}

void CIniEx::SetString(std::string_view section, std::string_view key, std::string_view value) {
    int s = FindSection(section);
    if (s < 0) {
        s = ++m_lastSectionIndex;
        SectionAt(s, section);
        m_modified = true;
    }
    CSection& target = m_sections[static_cast<size_t>(s)];
    const int k = FindKey(s, key);
    if (k < 0) {
        target.Append(std::string(key), std::string(value));
        m_modified = true;
        return;
    }
    std::string& stored = target.values[static_cast<size_t>(k)];
    if (!NamesEqual(stored, value)) {
        m_modified = true;
    }
    stored = value;
}

void CIniEx::SetInt(std::string_view section, std::string_view key, int value) {
    SetString(section, key, std::to_string(value));
}

std::string CIniEx::Format() const {
    std::string text;
    for (const CSection& section : m_sections) {
        // An unnamed section after the first one came from a "[]" header; it is written with
        // that header, or its lines would join the section before it when the file is read again.
        if (!section.name.empty() || (&section != &m_sections.front() && !section.keys.empty())) {
            text += "[" + section.name + "]\r\n";
        }
        for (size_t i = 0; i < section.keys.size(); ++i) {
            const std::string& key = section.keys[i];
            if (!key.empty() && key.front() == ';') {
                text += key;
            } else {
                // A value without a key keeps its "=": written bare it would read back as a key,
                // or as a section header that moves every later line into another section.
                const bool equals = !key.empty() || !section.values[i].empty();
                text += key + (equals ? "=" : "") + section.values[i];
            }
            text += "\r\n";
        }
    }
    return text;
}

void CIniEx::Reset() {
    m_sections.clear();
    m_lastSectionIndex = 0;
    m_filePath.clear();
    m_modified = false;
}

bool CIniEx::Open(const std::string& path, bool writeBack, bool create, bool caseInsensitive) {
    if (!m_filePath.empty()) {
        Save();
        Reset();
    }
    m_writeBack = writeBack;
    m_caseInsensitive = caseInsensitive;
    const int flags = (writeBack ? O_RDWR : O_RDONLY) | (create ? O_CREAT : 0) | O_CLOEXEC;
    const int fd = open(path.c_str(), flags, 0666);
    if (fd < 0) {
        return false;
    }
    if (!vesmor::LockFileExclusive(fd, m_lockWaitLimit)) {
        close(fd);
        return false;
    }
    m_filePath = path;
    std::string text;
    if (!vesmor::ReadAll(fd, text)) {
        m_lastErrorText = std::strerror(errno);
    } else if (!text.empty()) {
        Parse(text);
    }
    close(fd);
    return true;
}

bool CIniEx::Save() {
    if (!m_modified) {
        return true;
    }
    if (m_filePath.empty()) {
        return false;
    }
    // Truncated only once the lock is held, so a reader in another process never sees the file
    // half written.
    const int fd = open(m_filePath.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) {
        return false;
    }
    const bool written = vesmor::LockFileExclusive(fd, m_lockWaitLimit) && ftruncate(fd, 0) == 0 &&
                         vesmor::WriteAll(fd, Format());
    close(fd);
    if (written) {
        m_modified = false;
    }
    return written;
}
