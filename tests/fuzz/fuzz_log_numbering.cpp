// Log numbering: counting the lines of a log file that changes between counts in any way (grown,
// cut, rewritten with the same size), checked against a plain count of the same bytes.
//
// Input: chunks, each a one-byte header (bit 7: rewrite the file from the start instead of
// appending; bit 6: tell the counter about an append; bits 0..5: length) followed by that many
// bytes. Only the first 32 chunks count: each costs a few system calls, and longer sequences
// of changes reach nothing that 32 do not.

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "app/core/line_counter.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // One memory file for the whole run, emptied for every input: the target measures
    // counting, not the disk, and leaves no file behind.
    static const int fd = ::memfd_create("vesmor-fuzz-log", MFD_CLOEXEC);
    static const std::string path = "/proc/self/fd/" + std::to_string(fd);
    if (fd < 0 || ::ftruncate(fd, 0) != 0) {
        __builtin_trap();  // without the file every run would pass unseen
    }
    const char* name = path.c_str();
    tagforge::LineCounter counter;
    std::string contents;
    int rewrites = 0;
    size_t at = 0;
    for (int chunks = 0; chunks < 32 && at < size; ++chunks) {
        const uint8_t header = data[at++];
        const size_t length = std::min<size_t>(header & 0x3F, size - at);
        const std::string chunk(reinterpret_cast<const char*>(data + at), length);
        at += length;
        if (header & 0x80) {
            contents = chunk;
            if (::ftruncate(fd, 0) != 0 || ::pwrite(fd, chunk.data(), chunk.size(), 0) < 0)
                break;
            // Another program rewrote the file: its modification time moves on, as it does on
            // disk when the clock has ticked (faster rewrites are beyond any size-and-time rule).
            const timespec times[2] = {{0, UTIME_OMIT}, {static_cast<time_t>(++rewrites), 0}};
            ::futimens(fd, times);
        } else {
            contents += chunk;
            if (::pwrite(fd, chunk.data(), chunk.size(),
                         static_cast<off_t>(contents.size() - chunk.size())) < 0)
                break;
            if (header & 0x40)
                counter.NoteAppended(name, fd, chunk);
        }
        const auto count = counter.CountLines(name, fd);
        const uint64_t feeds =
            static_cast<uint64_t>(std::count(contents.begin(), contents.end(), '\n'));
        const bool endsWithFeed = contents.empty() || contents.back() == '\n';
        const uint64_t expected = feeds + (endsWithFeed ? 0 : 1);
        if (!count || count->lines != expected || count->endsWithLineFeed != endsWithFeed) {
            __builtin_trap();  // the remembered count must match what the file holds
        }
    }
    return 0;
}
