// Data files ("*.KTDat") as they lie on disk, whatever another program or a damaged disk left
// in them: loading gives a job (defaults where keys are missing), never a crash.

#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "app/core/data_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // One memory file for the whole run, opened by its /proc path as any file is: the target
    // measures loading, not the creation and truncation of a file for every input.
    static const int fd = ::memfd_create("vesmor-fuzz.KTDat", MFD_CLOEXEC);
    static const std::string path = "/proc/self/fd/" + std::to_string(fd);
    if (fd < 0 || ::ftruncate(fd, static_cast<off_t>(size)) != 0 ||
        ::pwrite(fd, data, size, 0) != static_cast<ssize_t>(size)) {
        __builtin_trap();  // no file to load would make every run pass unseen
    }
    tagforge::LoadDataFile(path);
    return 0;
}
