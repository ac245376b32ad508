#include "app/core/data_file.h"

#include <cerrno>

#include "periphery/private_profile.h"

namespace tagforge {

namespace {

constexpr const char* kSection = "Settings";

}  // namespace

bool SaveDataFile(const std::string& path, const WriteJob& job) {
    CPrivateProfile profile(path);
    if (profile.GetFilePath().empty()) {
        return false;
    }
    profile.SetString(kSection, "LastData", job.LastData);
    profile.SetInt(kSection, "AutoIncrement", job.AutoIncrement ? 1 : 0);
    profile.SetInt(kSection, "AutoNull", job.AutoNull ? 1 : 0);
    profile.SetInt(kSection, "PrefixZulassen", job.PrefixZulassen ? 1 : 0);
    profile.SetInt(kSection, "Datenformat", job.Datenformat);
    profile.SetInt(kSection, "Startblock", job.Startblock);
    profile.SetInt(kSection, "Byteanzahl", job.Byteanzahl);
    profile.SetModified();
    return profile.Save();
}

WriteJob LoadDataFile(const std::string& path) {
    return ReadDataFile(path).value_or(WriteJob{});
}

std::optional<WriteJob> ReadDataFile(const std::string& path, int* error) {
    errno = 0;
    const CPrivateProfile profile(path);
    if (profile.GetFilePath().empty()) {
        if (error != nullptr) {
            *error = errno;
        }
        return std::nullopt;
    }
    WriteJob job;
    job.LastData = profile.GetString(kSection, "LastData", "");
    job.AutoIncrement = profile.GetInt(kSection, "AutoIncrement", 0) != 0;
    job.AutoNull = profile.GetInt(kSection, "AutoNull", 0) != 0;
    job.PrefixZulassen = profile.GetInt(kSection, "PrefixZulassen", 0) != 0;
    job.Datenformat = profile.GetInt(kSection, "Datenformat", 0);
    job.Startblock = profile.GetInt(kSection, "Startblock", 0);
    job.Byteanzahl = profile.GetInt(kSection, "Byteanzahl", 4);
    return job;
}

}  // namespace tagforge
