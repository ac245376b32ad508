#pragma once
// Another local user for the tests: a shared, sticky temporary directory as /tmp is (named to
// the programs by TMPDIR), files planted there under another uid, and steps run by a child
// that has become that user. Needs root (CI runs the tests as root); the tests skip otherwise.

#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace vesmor::test {

// "nobody" on Debian.
constexpr uid_t kOtherUid = 65534;
constexpr gid_t kOtherGid = 65534;

inline bool CanActAsOtherUser() {
    return ::geteuid() == 0;
}

// Runs `step` in a child that has dropped to the other user; its exit status (the step's
// result: 0 for true), or -1 when the child could not be made or become that user.
inline int AsOtherUser(const std::function<bool()>& step) {
    const pid_t child = ::fork();
    if (child == 0) {
        if (::setgroups(0, nullptr) != 0 || ::setresgid(kOtherGid, kOtherGid, kOtherGid) != 0 ||
            ::setresuid(kOtherUid, kOtherUid, kOtherUid) != 0) {
            ::_exit(99);
        }
        ::_exit(step() ? 0 : 1);
    }
    int status = 0;
    if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status) ||
        WEXITSTATUS(status) == 99) {
        return -1;
    }
    return WEXITSTATUS(status);
}

// Makes `path` belong to the other user (the link itself for a symbolic link).
inline bool GiveToOtherUser(const std::filesystem::path& path) {
    return ::lchown(path.c_str(), kOtherUid, kOtherGid) == 0;
}

// A temporary directory shared by all users (mode 1777, as /tmp), named by TMPDIR while this
// object lives; XDG_RUNTIME_DIR and VESMOR_RUNTIME_DIR are unset meanwhile, so the programs fall
// back to it.
class SharedTemporaryDirectory {
  public:
    SharedTemporaryDirectory() {
        std::string pattern = (std::filesystem::temp_directory_path() / "vesmor-shared-XXXXXX");
        if (::mkdtemp(pattern.data()) != nullptr && ::chmod(pattern.c_str(), 01777) == 0) {
            m_path = pattern;
        }
        for (const char* name : {"TMPDIR", "XDG_RUNTIME_DIR", "VESMOR_RUNTIME_DIR"}) {
            const char* value = std::getenv(name);
            m_saved.emplace_back(
                name, value != nullptr ? std::optional<std::string>(value) : std::nullopt);
            ::unsetenv(name);
        }
        ::setenv("TMPDIR", m_path.c_str(), 1);
    }
    ~SharedTemporaryDirectory() {
        for (const auto& [name, value] : m_saved) {
            value ? ::setenv(name, value->c_str(), 1) : ::unsetenv(name);
        }
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    SharedTemporaryDirectory(const SharedTemporaryDirectory&) = delete;
    SharedTemporaryDirectory& operator=(const SharedTemporaryDirectory&) = delete;

    const std::filesystem::path& Path() const { return m_path; }
    // The directory the programs fall back to for this user: <dir>/vesmor-<uid>.
    std::filesystem::path UserFallback() const {
        return m_path / ("vesmor-" + std::to_string(::geteuid()));
    }

  private:
    std::filesystem::path m_path;
    std::vector<std::pair<const char*, std::optional<std::string>>> m_saved;
};

}  // namespace vesmor::test
