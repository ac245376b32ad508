#include "transports/sim_announcement.h"

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>

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

std::string SimulatorAnnouncementDirectory() {
    std::string base = FromEnvironment("VESMOR_RUNTIME_DIR");
    if (base.empty()) {
        base = FromEnvironment("XDG_RUNTIME_DIR");
    }
    if (base.empty()) {
        base = "/tmp/vesmor-" + std::to_string(::getuid());
    }
    return base + "/vesmor-sim";
}

std::string AnnounceSimulator(const std::string& devicePath) {
    std::error_code error;
    const std::filesystem::path dir = SimulatorAnnouncementDirectory();
    std::filesystem::create_directories(dir, error);
    const std::filesystem::path file = dir / (std::to_string(::getpid()) + ".pty");
    std::ofstream out(file, std::ios::trunc);
    out << devicePath << "\n";
    return out.good() ? file.string() : std::string();
}

std::vector<std::string> AnnouncedSimulators() {
    std::vector<std::string> devices;
    std::error_code error;
    for (const auto& entry :
         std::filesystem::directory_iterator(SimulatorAnnouncementDirectory(), error)) {
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
