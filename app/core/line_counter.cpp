#include "app/core/line_counter.h"

#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "periphery/ini_file_io.h"

namespace tagforge {

namespace {

constexpr size_t kTailBytes = 512;
constexpr size_t kChunkBytes = 1 << 20;

// memchr is vectorised; for log lines of some dozen bytes it beats a byte loop several times.
uint64_t CountLineFeeds(std::string_view bytes) {
    uint64_t count = 0;
    const char* p = bytes.data();
    const char* const end = p + bytes.size();
    while ((p = static_cast<const char*>(std::memchr(p, '\n', static_cast<size_t>(end - p))))) {
        ++count;
        ++p;
    }
    return count;
}

bool ReadAt(int fd, char* buffer, size_t size, off_t offset) {
    while (size > 0) {
        const ssize_t n = pread(fd, buffer, size, offset);
        if (n <= 0) {
            return false;
        }
        buffer += n;
        size -= static_cast<size_t>(n);
        offset += n;
    }
    return true;
}

}  // namespace

bool LineCounter::CanContinue(const Counted& counted, const struct stat& st, int fd) {
    if (st.st_dev != counted.device || st.st_ino != counted.inode || st.st_size < counted.size) {
        return false;
    }
    if (st.st_size == counted.size) {
        return vesmor::ModifiedTimeNs(fd, st) == counted.modifiedNs;
    }
    std::string seen(counted.tail.size(), '\0');
    const off_t tailStart = counted.size - static_cast<off_t>(seen.size());
    return ReadAt(fd, seen.data(), seen.size(), tailStart) && seen == counted.tail;
}

void LineCounter::KeepTail(Counted& counted, std::string_view bytes) {
    if (bytes.size() >= kTailBytes) {
        counted.tail.assign(bytes.substr(bytes.size() - kTailBytes));
        return;
    }
    counted.tail.append(bytes);
    if (counted.tail.size() > kTailBytes) {
        counted.tail.erase(0, counted.tail.size() - kTailBytes);
    }
}

bool LineCounter::Scan(int fd, off_t from, off_t to, Counted& counted) {
    std::vector<char> chunk(std::min<size_t>(kChunkBytes, static_cast<size_t>(to - from)));
    for (off_t offset = from; offset < to;) {
        const size_t size = std::min(chunk.size(), static_cast<size_t>(to - offset));
        if (!ReadAt(fd, chunk.data(), size, offset)) {
            return false;
        }
        counted.lineFeeds += CountLineFeeds({chunk.data(), size});
        KeepTail(counted, {chunk.data(), size});
        offset += static_cast<off_t>(size);
    }
    return true;
}

LineCounter::Count LineCounter::Result(const Counted& counted) {
    const bool endsWithLineFeed = counted.tail.empty() || counted.tail.back() == '\n';
    return {counted.lineFeeds + (endsWithLineFeed ? 0 : 1), endsWithLineFeed};
}

std::optional<LineCounter::Count> LineCounter::CountLines(const std::string& path, int fd) {
    struct stat st {};
    if (fstat(fd, &st) != 0) {
        Forget(path);
        return std::nullopt;
    }
    Counted& counted = m_files[path];
    if (!CanContinue(counted, st, fd)) {
        counted = Counted{st.st_dev, st.st_ino, 0, {}, 0, {}};
    }
    if (!Scan(fd, counted.size, st.st_size, counted)) {
        Forget(path);
        return std::nullopt;
    }
    counted.size = st.st_size;
    counted.modifiedNs = vesmor::ModifiedTimeNs(fd, st);
    return Result(counted);
}

void LineCounter::NoteAppended(const std::string& path, int fd, std::string_view appended) {
    const auto it = m_files.find(path);
    struct stat st {};
    if (it == m_files.end() || fstat(fd, &st) != 0 ||
        st.st_size != it->second.size + static_cast<off_t>(appended.size())) {
        Forget(path);
        return;
    }
    Counted& counted = it->second;
    counted.lineFeeds += CountLineFeeds(appended);
    KeepTail(counted, appended);
    counted.size = st.st_size;
    counted.modifiedNs = vesmor::ModifiedTimeNs(fd, st);
}

}  // namespace tagforge
