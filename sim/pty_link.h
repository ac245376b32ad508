#pragma once
// A simulated reader behind a pseudo-terminal (POSIX; sim/posix/pty_link.cpp): the library opens the slave side as it would a
// serial port; a thread of the simulator reads the master side, answers through the reader
// engine and, when a line speed is set, lets every byte take its wire time.

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "sim/dongle_engine.h"
#include "sim/line_pacing.h"
#include "sim/reader_engine.h"
#include "sim/tag_field.h"

namespace vesmor::sim {

class PtyLink {
  public:
    struct Options {
        int lineBaud = 0;      // emulated line speed (8N1: 10 bit times a byte); 0 = none
        std::string linkPath;  // optional symlink to the slave device
        int idleResetMs = 20;  // a partly received frame is dropped after this much silence
        // A Bluetooth dongle on the line, with the reader behind its link.
        bool dongle = false;
        DongleConfig dongleConfig;
    };

    PtyLink(const ReaderConfig& config, const Options& options);
    explicit PtyLink(const ReaderConfig& config) : PtyLink(config, Options{}) {}
    ~PtyLink();
    PtyLink(const PtyLink&) = delete;
    PtyLink& operator=(const PtyLink&) = delete;

    // Device path of the slave side (what a library user opens).
    const std::string& Path() const { return slavePath_; }

    void SetFaults(const Faults& faults);
    void SetLineBaud(int baud);
    // The transponders in front of the reader.
    TagField& Field() { return field_; }

    std::vector<Request> Requests() const;
    std::vector<uint8_t> ReceivedBytes() const;
    // Number of bytes the simulated reader has sent.
    size_t SentByteCount() const;
    void ClearLog();
    // Waits until at least count requests were received; false on timeout.
    bool WaitForRequests(size_t count, int timeoutMs) const;

    // Sends bytes as they are, unasked (what the simulated device would not send by itself).
    void SendRaw(const std::vector<uint8_t>& bytes);
    // Dongle mode: the reader leaves the dongle's range (the link drops) or comes back.
    void SetReaderInRange(bool inRange);
    DongleLog GetDongleLog() const;
    bool IsDongleLinkUp() const;

    // Pulls the reader away: the master side closes and the slave device disappears.
    void Unplug();
    bool IsUnplugged() const;

  private:
    void Run();
    void ReadMaster(int64_t nowNs);
    void Schedule(const std::vector<Reply>& replies, int64_t nowNs);
    void EmitDue(int64_t nowNs);
    void CloseMaster();
    void Wake();

    mutable std::mutex mutex_;
    mutable std::condition_variable requestArrived_;
    TagField field_;
    ReaderEngine engine_;
    Options options_;
    std::unique_ptr<DongleEngine> dongle_;
    int master_ = -1;
    int keepAlive_ = -1;  // a slave descriptor held open so the master never sees a hang-up
    int wake_ = -1;
    std::string slavePath_;
    OutgoingQueue outgoing_;  // answer bytes by due time
    std::vector<uint8_t> received_;
    size_t sent_ = 0;
    int64_t lastByteNs_ = 0;
    bool unplugRequested_ = false;
    bool unplugged_ = false;
    bool stop_ = false;
    std::thread thread_;
};

}  // namespace vesmor::sim
