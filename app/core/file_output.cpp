#include "app/core/file_output.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "periphery/ini_file_io.h"

namespace tagforge {

namespace {

// Closes a descriptor and removes the unfinished file it belongs to, keeping errno.
void Abandon(int fd, const std::string& path) {
    const int error = errno;
    ::close(fd);
    ::unlink(path.c_str());
    errno = error;
}

}  // namespace

bool WriteFileAtomically(const std::string& path, std::string_view data) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode)) {
        errno = ELOOP;
        return false;
    }
    const size_t slash = path.rfind('/');
    const std::string directory = slash == std::string::npos ? "" : path.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    std::string temporary = directory + "." + name + ".XXXXXX";
    // mkstemp opens with O_EXCL: a name someone placed there, link or not, is never reused.
    const int fd = ::mkstemp(temporary.data());
    if (fd < 0) {
        return false;
    }
    if (::fchmod(fd, 0644) != 0 || !vesmor::WriteAll(fd, data) || ::fsync(fd) != 0) {
        Abandon(fd, temporary);
        return false;
    }
    if (::close(fd) != 0) {
        const int error = errno;
        ::unlink(temporary.c_str());
        errno = error;
        return false;
    }
    if (::rename(temporary.c_str(), path.c_str()) != 0) {
        const int error = errno;
        ::unlink(temporary.c_str());
        errno = error;
        return false;
    }
    return true;
}

bool ReadWholeFile(const std::string& path, std::string& out, size_t limit) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        return false;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        const int error = errno;
        ::close(fd);
        errno = error;
        return false;
    }
    if (!S_ISREG(info.st_mode) || static_cast<size_t>(info.st_size) > limit) {
        ::close(fd);
        errno = S_ISDIR(info.st_mode) ? EISDIR : (S_ISREG(info.st_mode) ? EFBIG : EINVAL);
        return false;
    }
    out.clear();
    const bool read = vesmor::ReadAll(fd, out);
    const int error = errno;
    ::close(fd);
    if (read && out.size() > limit) {
        errno = EFBIG;
        return false;
    }
    errno = error;
    return read;
}

}  // namespace tagforge
