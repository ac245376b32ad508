#include "app/update/version_check.h"

#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <climits>
#include <ctime>

#include "common/value_text.h"
#include "periphery/ini_ex.h"

namespace tagforge::update {

namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// A run of 1 to `maxDigits` decimal digits.
bool IsDigits(std::string_view text, size_t maxDigits) {
    return !text.empty() && text.size() <= maxDigits &&
           std::all_of(text.begin(), text.end(), IsDigit);
}

// "1", "1.18": what a published version looks like.
bool IsVersion(std::string_view text) {
    const size_t dot = text.find('.');
    if (dot == std::string_view::npos) {
        return IsDigits(text, 6);
    }
    return IsDigits(text.substr(0, dot), 6) && IsDigits(text.substr(dot + 1), 6);
}

// "2026-01-02": a date as "%Y-%m-%d" writes it.
bool IsBuildDate(std::string_view text) {
    if (text.size() != 10 || text[4] != '-' || text[7] != '-' || !IsDigits(text.substr(0, 4), 4) ||
        !IsDigits(text.substr(5, 2), 2) || !IsDigits(text.substr(8, 2), 2)) {
        return false;
    }
    const int month = (text[5] - '0') * 10 + (text[6] - '0');
    const int day = (text[8] - '0') * 10 + (text[9] - '0');
    return month >= 1 && month <= 12 && day >= 1 && day <= 31;
}

// atoi of one part of a version, saturated to int.
int VersionPart(std::string_view text) {
    const std::optional<int64_t> value = ParseDecimal64(text);
    return static_cast<int>(std::clamp<int64_t>(value.value_or(INT_MAX), INT_MIN, INT_MAX));
}

bool EndsWithIgnoringCase(std::string_view text, std::string_view suffix) {
    if (text.size() < suffix.size()) {
        return false;
    }
    return std::equal(suffix.begin(), suffix.end(), text.end() - suffix.size(), [](char a, char b) {
        return std::tolower(static_cast<unsigned char>(a)) ==
               std::tolower(static_cast<unsigned char>(b));
    });
}

bool IsLoopbackHost(std::string_view host) {
    if (host == "localhost" || host == "::1" || host == "[::1]") {
        return true;
    }
    // 127.0.0.0/8 written as a dotted quad.
    if (host.substr(0, 4) != "127.") {
        return false;
    }
    int parts = 0;
    size_t begin = 0;
    while (begin <= host.size()) {
        const size_t end = std::min(host.find('.', begin), host.size());
        const std::string_view part = host.substr(begin, end - begin);
        if (!IsDigits(part, 3) || VersionPart(part) > 255) {
            return false;
        }
        ++parts;
        begin = end + 1;
    }
    return parts == 4;
}

}  // namespace

std::optional<PublishedVersion> ParseVersionFile(std::string_view text) {
    if (text.empty()) {
        return std::nullopt;
    }
    PublishedVersion published;
    if (text.size() > kMaxVersionFileBytes) {
        return published;
    }
    CIniEx file;
    file.Parse(text);
    published.version = file.GetString(kProgramSection, "Version", "");
    published.build = file.GetString(kProgramSection, "Build", "");
    published.installer = file.GetString(kProgramSection, "Installer", "");
    if (!IsVersion(published.version)) {
        published.version.clear();
    }
    if (!IsBuildDate(published.build)) {
        published.build.clear();
    }
    return published;
}

unsigned VersionNumber(std::string_view text) {
    const size_t dot = text.size() > 1 ? text.find('.', 1) : std::string_view::npos;
    const std::string_view major = text.substr(0, dot);
    const std::string_view minor = dot == std::string_view::npos ? "" : text.substr(dot + 1);
    // Unsigned arithmetic, as the comparison is unsigned: a negative part wraps.
    return static_cast<unsigned>(VersionPart(major)) * 1000U +
           static_cast<unsigned>(VersionPart(minor));
}

bool IsUpdateAvailable(std::string_view ownVersion, std::string_view ownBuild,
                       std::string_view publishedVersion, std::string_view publishedBuild) {
    if (VersionNumber(ownVersion) < VersionNumber(publishedVersion)) {
        return true;
    }
    return !publishedBuild.empty() && ownBuild.compare(publishedBuild) < 0;
}

std::string OwnVersionText(std::optional<std::string_view> resource) {
    if (!resource || resource->empty() || resource->size() > 19) {
        return kNoVersion;
    }
    std::string text(*resource);
    if (text.size() < 4) {
        text += ' ';
    }
    return text;
}

std::string InstallerFileName(std::string_view address) {
    const size_t slash = address.size() > 1 ? address.rfind('/') : std::string_view::npos;
    std::string_view name = address;
    if (slash != std::string_view::npos && slash >= 1) {
        name = address.substr(slash + 1);
    } else if (!name.empty() && name.front() == '/') {
        name.remove_prefix(1);
    }
    if (name.empty() || name == "." || name == ".." || name.find('/') != std::string_view::npos) {
        return {};
    }
    return std::string(name);
}

bool AddressAllowed(std::string_view scheme, std::string_view host) {
    // Host names ignore case: "INVALID" is the reserved name as much as "x.Invalid" is under it.
    if (host.empty() || EndsWithIgnoringCase("." + std::string(host), ".invalid")) {
        return false;
    }
    if (scheme == "https") {
        return true;
    }
    return scheme == "http" && IsLoopbackHost(host);
}

std::string FileDate(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        return {};
    }
    std::tm local{};
    if (::localtime_r(&info.st_mtime, &local) == nullptr) {
        return {};
    }
    char text[32];
    return std::strftime(text, sizeof text, "%Y-%m-%d", &local) > 0 ? text : std::string{};
}

}  // namespace tagforge::update
