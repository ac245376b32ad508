#include "transports/sysfs_tree.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace vesmor {

namespace {

// Far more than any sysfs path needs; a deeper chain is a loop.
constexpr int kMaxLinksFollowed = 40;
// Attributes are at most a page long.
constexpr std::streamsize kMaxAttributeBytes = 4096;

std::vector<std::string> SplitPath(std::string_view path) {
    std::vector<std::string> parts;
    size_t start = 0;
    while (start < path.size()) {
        size_t end = path.find('/', start);
        if (end == std::string_view::npos) {
            end = path.size();
        }
        if (end > start) {
            parts.emplace_back(path.substr(start, end - start));
        }
        start = end + 1;
    }
    return parts;
}

std::string JoinParts(const std::vector<std::string>& parts) {
    std::string joined;
    for (const std::string& part : parts) {
        joined = JoinPath(joined, part);
    }
    return joined;
}

// An absolute target names a place in the tree; on a running system it starts with "/sys".
std::string_view TreeRelativeTarget(std::string_view target) {
    constexpr std::string_view kSysPrefix = "/sys";
    if (target.substr(0, kSysPrefix.size()) == kSysPrefix &&
        (target.size() == kSysPrefix.size() || target[kSysPrefix.size()] == '/')) {
        target.remove_prefix(kSysPrefix.size());
    }
    return target;
}

// Queues the components of a path so that the first one is taken next.
void PushFront(std::vector<std::string>& pending, std::string_view path) {
    std::vector<std::string> parts = SplitPath(path);
    pending.insert(pending.end(), parts.rbegin(), parts.rend());
}

std::string TrimLineEnd(std::string text) {
    const size_t end = text.find_last_not_of(" \t\r\n");
    text.erase(end == std::string::npos ? 0 : end + 1);
    return text;
}

}  // namespace

std::string JoinPath(std::string_view base, std::string_view name) {
    if (base.empty()) {
        return std::string(name);
    }
    std::string joined(base);
    joined += '/';
    joined += name;
    return joined;
}

std::string ParentPath(std::string_view path) {
    const size_t slash = path.rfind('/');
    return slash == std::string_view::npos ? std::string() : std::string(path.substr(0, slash));
}

SysfsTree::SysfsTree(std::string root) : m_root(std::move(root)) {
    while (m_root.size() > 1 && m_root.back() == '/') {
        m_root.pop_back();
    }
}

SysfsTree SysfsTree::FromEnvironment() {
    const char* root = std::getenv("VESMOR_SYSFS_ROOT");
    return SysfsTree(root != nullptr && root[0] != '\0' ? root : "/sys");
}

std::string SysfsTree::HostPath(std::string_view path) const {
    if (path.empty()) {
        return m_root;
    }
    return m_root == "/" ? "/" + std::string(path) : m_root + "/" + std::string(path);
}

std::optional<std::string> SysfsTree::Resolve(std::string_view path) const {
    std::vector<std::string> resolved;
    std::vector<std::string> pending;
    PushFront(pending, path);
    int linksFollowed = 0;
    while (!pending.empty()) {
        const std::string part = std::move(pending.back());
        pending.pop_back();
        if (part == "." || part == "..") {
            if (part == ".." && !resolved.empty()) {
                resolved.pop_back();
            }
            continue;
        }
        resolved.push_back(part);
        const std::string host = HostPath(JoinParts(resolved));
        std::error_code error;
        const fs::file_status status = fs::symlink_status(host, error);
        if (error || !fs::exists(status)) {
            return std::nullopt;
        }
        if (!fs::is_symlink(status)) {
            continue;
        }
        const std::string target = fs::read_symlink(host, error).string();
        if (error || ++linksFollowed > kMaxLinksFollowed) {
            return std::nullopt;
        }
        resolved.pop_back();
        if (!target.empty() && target.front() == '/') {
            resolved.clear();
            PushFront(pending, TreeRelativeTarget(target));
        } else {
            PushFront(pending, target);
        }
    }
    return JoinParts(resolved);
}

std::optional<std::string> SysfsTree::ReadAttribute(std::string_view dir,
                                                    std::string_view name) const {
    const std::optional<std::string> path = Resolve(JoinPath(dir, name));
    std::error_code error;
    if (!path || !fs::is_regular_file(HostPath(*path), error)) {
        return std::nullopt;
    }
    std::ifstream in(HostPath(*path), std::ios::binary);
    std::string text(kMaxAttributeBytes, '\0');
    in.read(text.data(), kMaxAttributeBytes);
    if (in.bad()) {
        return std::nullopt;
    }
    text.resize(static_cast<size_t>(in.gcount()));
    return TrimLineEnd(text.substr(0, text.find('\n')));
}

std::vector<std::string> SysfsTree::List(std::string_view dir) const {
    std::vector<std::string> names;
    const std::optional<std::string> path = Resolve(dir);
    if (!path) {
        return names;
    }
    std::error_code error;
    for (fs::directory_iterator it(HostPath(*path), error), end; !error && it != end;
         it.increment(error)) {
        names.push_back(it->path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::string SysfsTree::LinkTargetName(std::string_view dir, std::string_view link) const {
    const std::optional<std::string> target = Resolve(JoinPath(dir, link));
    if (!target || target->empty()) {
        return {};
    }
    const size_t slash = target->rfind('/');
    return slash == std::string::npos ? *target : target->substr(slash + 1);
}

}  // namespace vesmor
