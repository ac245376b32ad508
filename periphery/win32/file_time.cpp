#include <io.h>
#include <windows.h>

#include "periphery/ini_file_io.h"

namespace vesmor {

// The C library's stat has whole seconds only; the file's own time has 100 ns steps.
int64_t ModifiedTimeNs(int fd, const struct stat& st) {
    FILETIME written{};
    const HANDLE file = reinterpret_cast<HANDLE>(_get_osfhandle(fd));
    if (file == INVALID_HANDLE_VALUE || !GetFileTime(file, nullptr, nullptr, &written)) {
        return static_cast<int64_t>(st.st_mtime) * 1000000000;
    }
    const uint64_t ticks = (static_cast<uint64_t>(written.dwHighDateTime) << 32) | written.dwLowDateTime;
    return static_cast<int64_t>(ticks) * 100;
}

}  // namespace vesmor
