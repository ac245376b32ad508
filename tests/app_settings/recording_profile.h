#pragma once
// A profile in memory that records the order of its reads and writes.

#include <map>
#include <string>
#include <vector>

#include "app/core/settings_model.h"

namespace tagforge::test {

class RecordingProfile final : public ProfileStore {
  public:
    int ReadInt(const std::string& section, const std::string& key, int defaultValue) override {
        reads.push_back(section + "/" + key);
        const auto it = ints.find(section + "/" + key);
        return it == ints.end() ? defaultValue : it->second;
    }
    void WriteInt(const std::string& section, const std::string& key, int value) override {
        writes.push_back(section + "/" + key);
        ints[section + "/" + key] = value;
    }
    std::string ReadString(const std::string& section, const std::string& key,
                           const std::string& defaultValue) override {
        reads.push_back(section + "/" + key);
        const auto it = strings.find(section + "/" + key);
        return it == strings.end() ? defaultValue : it->second;
    }
    void WriteString(const std::string& section, const std::string& key,
                     const std::string& value) override {
        writes.push_back(section + "/" + key);
        strings[section + "/" + key] = value;
    }

    std::map<std::string, int> ints;
    std::map<std::string, std::string> strings;
    std::vector<std::string> reads;
    std::vector<std::string> writes;
};

}  // namespace tagforge::test
