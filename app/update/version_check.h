#pragma once

#include <optional>
#include <string>
#include <string_view>

// What the update check decides without any network: the version file's contents, version
// numbers and their comparison, the own version text, the installer's local name and which
// addresses may be fetched at all. Plain C++ so that it is tested (and fuzzed) on its own.
namespace tagforge::update {

// The section of the version file that describes this program.
inline constexpr const char* kProgramSection = "VESMOR_Tagforge";

// A version file larger than this is no version file; the download stops there.
inline constexpr size_t kMaxVersionFileBytes = 64 * 1024;

// The own version shown when the program carries none.
inline constexpr const char* kNoVersion = "-.--";

// The program section of a version file.
struct PublishedVersion {
    std::string version;    // "Version", e.g. "1.18"; empty when missing or malformed
    std::string build;      // "Build", "%Y-%m-%d"; empty when missing or malformed
    std::string installer;  // "Installer", the installer's address; empty when missing
};

// Nothing when there is no text (no download succeeded). Otherwise the program section's values,
// names compared without regard to case. A text above kMaxVersionFileBytes, a version that is
// not "digits.digits" and a build that is not a "YYYY-MM-DD" date count as missing, so that a
// damaged or foreign file never announces an update.
std::optional<PublishedVersion> ParseVersionFile(std::string_view text);

// major * 1000 + minor, split at the first '.' after the first character; each part read like
// atoi (leading blanks and a sign, digits up to the first other character, none gives 0).
// "1.2" gives 1002, "1.18" 1018, "-.--" 0.
unsigned VersionNumber(std::string_view text);

// An update is available when the own version number is below the published one, or else when
// the published build is not empty and the own build is smaller byte by byte.
bool IsUpdateAvailable(std::string_view ownVersion, std::string_view ownBuild,
                       std::string_view publishedVersion, std::string_view publishedBuild);

// The own version as shown: kNoVersion when missing, empty or longer than 19 characters; a text
// shorter than four characters gets one blank appended ("1.1" -> "1.1 ").
std::string OwnVersionText(std::optional<std::string_view> resource);

// The installer's file name: the part of `address` after its last '/' (the whole address when
// there is no '/' after the first character). Empty when that is no usable file name ("", ".",
// "..").
std::string InstallerFileName(std::string_view address);

// Whether an address may be fetched: "https://" always, "http://" only to a loopback host
// (127.0.0.0/8, ::1, localhost), and never a host under the reserved ".invalid" domain, which
// never resolves (so no lookup leaves the machine for it).
bool AddressAllowed(std::string_view scheme, std::string_view host);

// The last-modification date of `path` in local time as "%Y-%m-%d"; empty when it cannot be read.
std::string FileDate(const std::string& path);

}  // namespace tagforge::update
