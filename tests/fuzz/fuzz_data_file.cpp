// Data files ("*.KTDat") as they lie on disk, whatever another program or a damaged disk left
// in them: loading gives a job (defaults where keys are missing), never a crash.

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "app/core/data_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // A file in memory-backed /dev/shm where there is one: the target measures parsing, not disk.
    static const std::string path = [] {
        std::string name = ::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
        name += "/vesmor-fuzz-" + std::to_string(::getpid()) + ".KTDat";
        return name;
    }();
    if (FILE* out = std::fopen(path.c_str(), "wb")) {
        std::fwrite(data, 1, size, out);
        std::fclose(out);
        tagforge::LoadDataFile(path);
    }
    return 0;
}
