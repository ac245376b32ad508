#include "app/core/data_file.h"

#include <cerrno>
#include <optional>
#include <string_view>

#include "periphery/private_profile.h"

namespace tagforge {

namespace {

constexpr const char* kSection = "Settings";
// A write text that the INI text cannot carry as it is (line breaks, other control characters,
// leading or trailing blanks) is kept here as well, as hexadecimal digits of its bytes; `LastData`
// keeps what the INI text makes of it, for programs that do not know this key.
constexpr const char* kEncodedKey = "LastDataHex";

std::string ToHex(std::string_view text) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string hex;
    hex.reserve(text.size() * 2);
    for (const char ch : text) {
        const auto byte = static_cast<unsigned char>(ch);
        hex += kDigits[byte >> 4];
        hex += kDigits[byte & 0x0F];
    }
    return hex;
}

std::optional<std::string> FromHex(std::string_view hex) {
    if (hex.empty() || hex.size() % 2 != 0) {
        return std::nullopt;
    }
    const auto digit = [](char c) -> int {
        if (c >= '0' && c <= '9')
            return c - '0';
        if (c >= 'A' && c <= 'F')
            return c - 'A' + 10;
        if (c >= 'a' && c <= 'f')
            return c - 'a' + 10;
        return -1;
    };
    std::string text;
    for (size_t i = 0; i < hex.size(); i += 2) {
        const int high = digit(hex[i]);
        const int low = digit(hex[i + 1]);
        if (high < 0 || low < 0) {
            return std::nullopt;
        }
        text += static_cast<char>(high * 16 + low);
    }
    return text;
}

// Whether `value` comes back unchanged from the text the file will hold.
bool SurvivesIniText(const CPrivateProfile& profile, const std::string& value) {
    CIniEx check;
    check.Parse(profile.Format());
    return check.GetString(kSection, "LastData", "") == value;
}

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
    if (!SurvivesIniText(profile, job.LastData)) {
        profile.SetString(kSection, kEncodedKey, ToHex(job.LastData));
    } else if (profile.FindKey(profile.FindSection(kSection), kEncodedKey) >= 0) {
        profile.SetString(kSection, kEncodedKey, "");  // an older value's, no longer meant
    }
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
    if (const std::optional<std::string> exact =
            FromHex(profile.GetString(kSection, kEncodedKey, ""))) {
        job.LastData = *exact;
    }
    job.AutoIncrement = profile.GetInt(kSection, "AutoIncrement", 0) != 0;
    job.AutoNull = profile.GetInt(kSection, "AutoNull", 0) != 0;
    job.PrefixZulassen = profile.GetInt(kSection, "PrefixZulassen", 0) != 0;
    job.Datenformat = profile.GetInt(kSection, "Datenformat", 0);
    job.Startblock = profile.GetInt(kSection, "Startblock", 0);
    job.Byteanzahl = profile.GetInt(kSection, "Byteanzahl", 4);
    return job;
}

}  // namespace tagforge
