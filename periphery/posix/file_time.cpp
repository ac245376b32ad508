#include "periphery/ini_file_io.h"

namespace vesmor {

int64_t ModifiedTimeNs(int /*fd*/, const struct stat& st) {
    return static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
}

}  // namespace vesmor
