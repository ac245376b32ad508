// vesmor-sim on POSIX: the reader behind a pseudo-terminal, announced to the port list while the
// program runs; the record file opened with O_NOFOLLOW; SIGINT and SIGTERM stop it.

#include "sim/sim_host.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <stdexcept>

#include "sim/pty_link.h"
#include "transports/sim_announcement.h"

namespace vesmor::sim {

namespace {

volatile std::sig_atomic_t g_stop = 0;

void OnSignal(int) {
    g_stop = 1;
}

class PtyReader final : public SerialReader {
  public:
    PtyReader(const ReaderConfig& config, const PtyLink::Options& options)
        : link_(config, options), dongle_(options.dongle) {}
    ~PtyReader() override {
        if (!announcement_.empty()) {
            ::unlink(announcement_.c_str());
        }
    }
    const std::string& Name() const override { return link_.Path(); }
    TagField& Field() override { return link_.Field(); }
    void SetFaults(const Faults& faults) override { link_.SetFaults(faults); }
    // The interface list of the window offers the simulated reader while this program runs;
    // a dongle is not a serial reader and is opened by its name with " BT".
    void Announce() override {
        if (dongle_) {
            return;
        }
        std::string problem;
        announcement_ = AnnounceSimulator(link_.Path(), &problem);
        if (announcement_.empty()) {
            std::cerr << "vesmor-sim: not announced to the interface list: " << problem << "\n";
        }
    }

  private:
    PtyLink link_;
    bool dongle_;
    std::string announcement_;
};

}  // namespace

std::unique_ptr<SerialReader> OpenSerialReader(const ReaderConfig& config, const SerialCli& cli) {
    if (!cli.port.empty()) {
        throw std::runtime_error("--port serves a COM port of Windows; here the reader is on a "
                                 "pseudo-terminal (leave --port out, --link names it)");
    }
    PtyLink::Options options;
    options.linkPath = cli.linkPath;
    options.lineBaud = cli.lineBaud;
    options.dongle = cli.dongle;
    return std::make_unique<PtyReader>(config, options);
}

RecordFile::~RecordFile() {
    if (IsOpen()) {
        ::close(static_cast<int>(native_));
    }
}

bool RecordFile::Open(const std::string& path, std::string& error) {
    // Never through a link someone else put in a shared directory.
    const int fd =
        ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd < 0) {
        error = std::strerror(errno);
        return false;
    }
    native_ = fd;
    return true;
}

void RecordFile::Append(const std::string& line) {
    if (::write(static_cast<int>(native_), line.data(), line.size()) < 0) {
        std::perror("--conveyor-record");
    }
}

void InstallStopRequest() {
    std::signal(SIGINT, OnSignal);
    std::signal(SIGTERM, OnSignal);
}

void WaitForStop() {
    while (!g_stop) {
        ::pause();
    }
}

}  // namespace vesmor::sim
