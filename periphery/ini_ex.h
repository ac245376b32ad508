#pragma once

#include <chrono>
#include <string>
#include <string_view>
#include <vector>

#include "periphery/ini_file_io.h"
#include "periphery/section.h"

// The contents of an INI-style text in memory: lookups, changes, and writing the whole text back
// to its file when something changed. Names (and values, when judging a change) compare without
// regard to ASCII letter case unless the case-insensitive flag is cleared.
//
// On disk every line ends with CR LF; reading accepts CR LF and LF. While the file is open for
// reading or writing this class holds the file's exclusive advisory lock (flock), so that two
// processes using it never read a half-written file; a file held by another process is retried
// every 10 ms for at most the lock wait limit.
//
// Not shared between threads.
class CIniEx {
  public:
    CIniEx() = default;
    CIniEx(const CIniEx&) = delete;
    CIniEx& operator=(const CIniEx&) = delete;
    // Writes the file back when it was opened for writing and something changed.
    virtual ~CIniEx();

    // Binds the object to `path` and reads it. A file already bound is saved and dropped first.
    // Returns true when the file was opened (also when reading it failed: see GetLastErrorText),
    // false when it could not be opened; the contents are then unchanged.
    bool Open(const std::string& path, bool writeBack, bool create, bool caseInsensitive);

    // Adds the sections and lines of `text` to the contents.
    void Parse(std::string_view text);

    // Index of the first section named `name`, or -1.
    int FindSection(std::string_view name) const;
    // Index of the last line of section `section` whose key is `key`, or -1.
    int FindKey(int section, std::string_view key) const;

    std::string GetString(std::string_view section, std::string_view key,
                          std::string_view defaultValue) const;
    // The value as a decimal number in the manner of atoi (leading blanks, a sign, digits up to
    // the first other character; no digits give 0; beyond int saturates). A missing or empty
    // value gives `defaultValue`.
    int GetInt(std::string_view section, std::string_view key, int defaultValue) const;

    void SetString(std::string_view section, std::string_view key, std::string_view value);
    void SetInt(std::string_view section, std::string_view key, int value);

    // Writes the bound file when the contents were modified. Returns false when the file could
    // not be written; the contents then stay modified.
    bool Save();

    // Makes the next Save write the file even if no value changed by the comparison rule.
    void SetModified() { m_modified = true; }
    bool IsModified() const { return m_modified; }

    const std::string& GetFilePath() const { return m_filePath; }
    const std::string& GetLastErrorText() const { return m_lastErrorText; }
    const std::vector<CSection>& GetSections() const { return m_sections; }

    // The whole text in the written format (lines ended by CR LF).
    std::string Format() const;

    void SetLockWaitLimit(std::chrono::milliseconds limit) { m_lockWaitLimit = limit; }

  private:
    bool NamesEqual(std::string_view a, std::string_view b) const;
    // The section at `index`, lengthening the array with unnamed sections and naming a new one.
    CSection& SectionAt(int index, std::string_view nameIfNew);
    void ParseLine(std::string_view line, std::string& headerName);
    void Reset();
    bool ReadBoundFile(int fd);

    std::string m_lastErrorText;
    std::vector<CSection> m_sections;
    int m_lastSectionIndex = 0;
    bool m_caseInsensitive = true;
    bool m_writeBack = false;
    std::string m_filePath;
    bool m_modified = false;
    std::chrono::milliseconds m_lockWaitLimit = vesmor::kDefaultFileLockWait;
};
