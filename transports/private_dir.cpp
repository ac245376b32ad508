#include "transports/private_dir.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace vesmor {

namespace {

void Tell(std::string* problem, const std::string& text) {
    if (problem != nullptr) {
        *problem = text;
    }
}

std::string FromEnvironment(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

bool WriteAll(int fd, const std::string& content) {
    size_t done = 0;
    while (done < content.size()) {
        const ssize_t n = ::write(fd, content.data() + done, content.size() - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return true;
}

}  // namespace

bool EnsurePrivateDirectory(const std::string& path, std::string* problem) {
    if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) {
        Tell(problem, path + ": " + std::strerror(errno));
        return false;
    }
    // Opened without following a link, then checked through the descriptor: what is checked is
    // what is there.
    const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        Tell(problem, path + " is no directory of its own (" + std::strerror(errno) + ")");
        return false;
    }
    struct stat st {};
    const bool known = ::fstat(fd, &st) == 0;
    ::close(fd);
    if (!known || st.st_uid != ::geteuid()) {
        Tell(problem, path + " belongs to another user");
        return false;
    }
    if ((st.st_mode & 077) != 0) {
        char mode[8];
        (void)std::snprintf(mode, sizeof mode, "%03o", static_cast<unsigned>(st.st_mode & 0777));
        Tell(problem, path + " is open to other users (mode " + mode + ", 700 needed)");
        return false;
    }
    return true;
}

std::optional<std::string> UserRuntimeDirectory(std::string* problem) {
    const std::string runtime = FromEnvironment("XDG_RUNTIME_DIR");
    if (!runtime.empty()) {
        return runtime;
    }
    std::string temporary = FromEnvironment("TMPDIR");
    if (temporary.empty()) {
        temporary = "/tmp";
    }
    const std::string fallback = temporary + "/vesmor-" + std::to_string(::geteuid());
    if (!EnsurePrivateDirectory(fallback, problem)) {
        return std::nullopt;
    }
    return fallback;
}

bool WriteFileAtomically(const std::string& dir, const std::string& name,
                         const std::string& content) {
    std::string temporary = dir + "/." + name + ".XXXXXX";
    // mkostemp creates the file exclusively (O_EXCL) with mode 0600.
    const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    const bool written = WriteAll(fd, content);
    const bool closed = ::close(fd) == 0;
    if (!written || !closed || ::rename(temporary.c_str(), (dir + "/" + name).c_str()) != 0) {
        ::unlink(temporary.c_str());
        return false;
    }
    return true;
}

int OpenPrivateFile(const std::string& path) {
    return ::open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
}

}  // namespace vesmor
