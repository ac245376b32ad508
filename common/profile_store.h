#pragma once

#include <optional>
#include <string>

namespace tagforge {

// The profile: sections of named integers and strings. A missing value yields the default.
class ProfileStore {
  public:
    virtual ~ProfileStore() = default;
    virtual int ReadInt(const std::string& section, const std::string& key, int defaultValue) = 0;
    virtual void WriteInt(const std::string& section, const std::string& key, int value) = 0;
    virtual std::string ReadString(const std::string& section, const std::string& key,
                                   const std::string& defaultValue) = 0;
    virtual void WriteString(const std::string& section, const std::string& key,
                             const std::string& value) = 0;
    // Puts what was written so far onto the disk and waits until it is there. The reason
    // (German) when that failed; a store that keeps nothing on disk has nothing to do.
    virtual std::optional<std::string> Commit() { return std::nullopt; }
    // The file the profile lives in, for messages ("" when there is none).
    virtual std::string Location() const { return {}; }
};

}  // namespace tagforge
