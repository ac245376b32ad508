#pragma once
// Read access to a sysfs tree below a root directory: "/sys" on a running system, a directory
// laid out like sysfs in tests. Paths are relative to the root ("class/tty/ttyUSB0"); symbolic
// links are resolved inside the tree, never outside it.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vesmor {

class SysfsTree {
  public:
    explicit SysfsTree(std::string root = "/sys");

    // The tree named by the environment variable VESMOR_SYSFS_ROOT, or "/sys" when it is unset
    // or empty.
    static SysfsTree FromEnvironment();

    const std::string& Root() const { return m_root; }

    // The path with every link resolved, relative to the root; nullopt when a component is
    // missing or the links loop. ".." never climbs above the root. An absolute link target is
    // taken relative to the root, after dropping a leading "/sys".
    std::optional<std::string> Resolve(std::string_view path) const;

    bool Exists(std::string_view path) const { return Resolve(path).has_value(); }

    // The first line of an attribute file, without trailing blanks and line ends.
    std::optional<std::string> ReadAttribute(std::string_view dir, std::string_view name) const;

    // Names of the entries of a directory in name order; empty when it cannot be read.
    std::vector<std::string> List(std::string_view dir) const;

    // Last component of the directory a link points to ("cdc_acm" for a driver link); empty
    // when the link does not resolve.
    std::string LinkTargetName(std::string_view dir, std::string_view link) const;

    // Where a path relative to the root lies in the file system.
    std::string HostPath(std::string_view path) const;

  private:
    std::string m_root;
};

// "a/b" + "c" -> "a/b/c"; an empty base gives the name alone.
std::string JoinPath(std::string_view base, std::string_view name);

// The directory above a path relative to the root; empty for a single component.
std::string ParentPath(std::string_view path);

}  // namespace vesmor
