#pragma once

#include <sys/stat.h>

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace tagforge {

// Counts the lines of a log file for its numbering: every line feed, plus a last line without
// one. What it counted is remembered per path, so that the next count of a file that only grew
// since (the usual case: our own lines and those of another Tagforge process) reads just the new
// tail. Any other change (a shrunk or replaced file, the same size with a new modification time,
// or bytes before the counted end that differ from the ones seen) counts the whole file again,
// so deleting lines between two entries renumbers the next one.
class LineCounter {
  public:
    struct Count {
        uint64_t lines = 0;
        bool endsWithLineFeed = true;  // also true for an empty file
    };

    // Counts the lines of the open file `fd` (readable) known as `path`. Nothing on a read error.
    std::optional<Count> CountLines(const std::string& path, int fd);

    // Records that `appended` was just written at the end of the file counted last for `path`.
    void NoteAppended(const std::string& path, int fd, std::string_view appended);

    void Forget(const std::string& path) { m_files.erase(path); }

  private:
    struct Counted {
        dev_t device = 0;
        ino_t inode = 0;
        off_t size = 0;
        int64_t modifiedNs = 0;  // modification time
        uint64_t lineFeeds = 0;
        std::string tail;  // the last bytes up to `size`, to recognise the file next time
    };

    static bool CanContinue(const Counted& counted, const struct stat& st, int fd);
    static bool Scan(int fd, off_t from, off_t to, Counted& counted);
    static void KeepTail(Counted& counted, std::string_view bytes);
    static Count Result(const Counted& counted);

    std::map<std::string, Counted> m_files;
};

}  // namespace tagforge
