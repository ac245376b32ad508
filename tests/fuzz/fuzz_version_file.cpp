// The update check on whatever the server sends as version file: the program section's values,
// version numbers and their comparison with the own version and build, the own version text,
// the installer's file name and whether its address may be fetched. Checked: a version or build
// that is kept has its form and writes back the same, no version is newer than itself and the
// comparison does not contradict itself, the file name stays one file name, and a host the rule
// rejects is rejected for both schemes.
//
// Input: the own version (a length byte, then the text), the own build (likewise), then the
// version file.

#include <algorithm>
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "app/update/version_check.h"

namespace {

namespace update = tagforge::update;

void Require(bool holds) {
    if (!holds) {
        __builtin_trap();
    }
}

bool AllDigits(std::string_view text) {
    return !text.empty() && text.size() <= 6 &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

unsigned Decimal(std::string_view digits) {
    unsigned value = 0;
    for (char c : digits) {
        value = value * 10 + static_cast<unsigned>(c - '0');
    }
    return value;
}

std::string_view Take(const uint8_t*& at, const uint8_t* end) {
    if (at == end) {
        return {};
    }
    const size_t wanted = *at++ & 0x1F;
    const size_t length = std::min(wanted, static_cast<size_t>(end - at));
    const std::string_view text(reinterpret_cast<const char*>(at), length);
    at += length;
    return text;
}

void CheckPublished(const update::PublishedVersion& published) {
    const std::string& version = published.version;
    if (!version.empty()) {
        const size_t dot = version.find('.');
        const std::string_view major = std::string_view(version).substr(0, dot);
        const std::string_view minor = dot == std::string::npos
                                           ? std::string_view{}
                                           : std::string_view(version).substr(dot + 1);
        Require(AllDigits(major) && (dot == std::string::npos || AllDigits(minor)));
        Require(update::VersionNumber(version) == Decimal(major) * 1000 + Decimal(minor));
    }
    const std::string& build = published.build;
    if (!build.empty()) {
        Require(build.size() == 10 && build[4] == '-' && build[7] == '-');
    }
    // What was kept writes back as a version file that reads the same.
    const std::string rewritten = std::string("[") + update::kProgramSection +
                                  "]\r\nVersion=" + version + "\r\nBuild=" + build + "\r\n";
    const auto again = update::ParseVersionFile(rewritten);
    Require(again && again->version == version && again->build == build);
}

void CheckComparison(std::string_view ownVersion, std::string_view ownBuild,
                     const update::PublishedVersion& published) {
    const std::string_view version = published.version, build = published.build;
    Require(!update::IsUpdateAvailable(ownVersion, ownBuild, ownVersion, ownBuild));
    Require(!update::IsUpdateAvailable(version, build, version, build));
    const bool available = update::IsUpdateAvailable(ownVersion, ownBuild, version, build);
    const unsigned own = update::VersionNumber(ownVersion);
    const unsigned theirs = update::VersionNumber(version);
    if (own < theirs) {
        Require(available);
    }
    if (own == theirs) {
        Require(available == (!build.empty() && ownBuild < build));
        // Of two equal version numbers at most one build is the newer.
        Require(!(available && update::IsUpdateAvailable(version, build, ownVersion, ownBuild)));
    }
}

void CheckInstaller(const std::string& address) {
    const std::string name = update::InstallerFileName(address);
    if (!name.empty()) {
        Require(name != "." && name != ".." && name.find('/') == std::string::npos);
        Require(address.size() >= name.size() &&
                address.compare(address.size() - name.size(), name.size(), name) == 0);
    }
    const bool https = update::AddressAllowed("https", address);
    const bool http = update::AddressAllowed("http", address);
    Require(!http || https);  // plain http is allowed only where https is
    Require(!update::AddressAllowed("ftp", address));
    std::string lower = address;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (lower.ends_with(".invalid") || lower == "invalid" || lower.empty()) {
        Require(!https);
    }
    if (http) {
        Require(lower == "localhost" || lower == "::1" || lower == "[::1]" ||
                lower.starts_with("127."));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const uint8_t* at = data;
    const uint8_t* const end = data + size;
    const std::string_view ownVersion = Take(at, end);
    const std::string_view ownBuild = Take(at, end);
    const std::string_view text(reinterpret_cast<const char*>(at), static_cast<size_t>(end - at));

    const std::optional<update::PublishedVersion> published = update::ParseVersionFile(text);
    Require(published.has_value() == !text.empty());
    if (!published) {
        return 0;
    }
    CheckPublished(*published);
    CheckComparison(ownVersion, ownBuild, *published);
    CheckInstaller(published->installer);

    const std::string shown = update::OwnVersionText(ownVersion);
    if (ownVersion.empty() || ownVersion.size() > 19) {
        Require(shown == update::kNoVersion);
    } else {
        Require(shown == ownVersion ||
                (ownVersion.size() < 4 && shown == std::string(ownVersion) + " "));
    }
    return 0;
}
