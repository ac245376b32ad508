#include "transports/sim_announcement.h"

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>

#include "transports/private_dir.h"

namespace vesmor {

namespace {

std::string FromEnvironment(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

bool ProcessRuns(pid_t pid) {
    return pid > 0 && (::kill(pid, 0) == 0 || errno == EPERM);
}

bool IsCharacterDevice(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISCHR(st.st_mode);
}

}  // namespace

std::string SimulatorAnnouncementDirectory(std::string* problem) {
    std::string base = FromEnvironment("VESMOR_RUNTIME_DIR");
    if (base.empty()) {
        const std::optional<std::string> runtime = UserRuntimeDirectory(problem);
        if (!runtime) {
            return {};
        }
        base = *runtime;
    }
    const std::string dir = base + "/vesmor-sim";
    return EnsurePrivateDirectory(dir, problem) ? dir : std::string();
}

std::string AnnounceSimulator(const std::string& devicePath, std::string* problem) {
    const std::string dir = SimulatorAnnouncementDirectory(problem);
    if (dir.empty()) {
        return {};
    }
    const std::string name = std::to_string(::getpid()) + ".pty";
    if (!WriteFileAtomically(dir, name, devicePath + "\n")) {
        if (problem != nullptr) {
            *problem = dir + ": the announcement cannot be written";
        }
        return {};
    }
    return dir + "/" + name;
}

std::vector<std::string> AnnouncedSimulators() {
    std::vector<std::string> devices;
    const std::string dir = SimulatorAnnouncementDirectory();
    if (dir.empty()) {
        return devices;  // another user's directory announces nothing
    }
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(dir, error)) {
        const std::filesystem::path& file = entry.path();
        if (file.extension() != ".pty") {
            continue;
        }
        const std::string stem = file.stem().string();
        if (stem.empty() || stem.find_first_not_of("0123456789") != std::string::npos ||
            stem.size() > 9 || !ProcessRuns(static_cast<pid_t>(std::stol(stem)))) {
            continue;
        }
        std::ifstream in(file);
        std::string device;
        if (std::getline(in, device) && device.starts_with("/dev/") && IsCharacterDevice(device)) {
            devices.push_back(device + kSimulatorMarker);
        }
    }
    std::sort(devices.begin(), devices.end());
    return devices;
}

}  // namespace vesmor
