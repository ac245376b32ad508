#pragma once
// A simulated reader on a COM port of Windows, such as one end of a virtual port pair whose other
// end the library opens: a thread reads what comes in, answers through the reader engine and,
// at an emulated line speed, lets every byte take its wire time (sim/line_pacing.h).

#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "sim/dongle_engine.h"
#include "sim/line_pacing.h"
#include "sim/reader_engine.h"
#include "sim/tag_field.h"
#include "transports/wake_event.h"

namespace vesmor::sim {

class ComLink {
  public:
    struct Options {
        std::string port;       // "COM3", or a device path such as "\\.\CNCA0"
        int baud = 38400;       // the port's speed, 8N1
        int lineBaud = 0;       // emulated line speed for the answers' pacing; 0 = none
        int idleResetMs = 20;   // a partly received frame is dropped after this much silence
        bool dongle = false;    // a Bluetooth dongle on the line, with the reader behind its link
        DongleConfig dongleConfig;
    };

    // Throws std::runtime_error when the port cannot be opened or set up.
    ComLink(const ReaderConfig& config, const Options& options);
    ~ComLink();
    ComLink(const ComLink&) = delete;
    ComLink& operator=(const ComLink&) = delete;

    // The port as the library opens it ("COM3").
    const std::string& Name() const { return options_.port; }
    TagField& Field() { return field_; }
    void SetFaults(const Faults& faults);

  private:
    void Run();
    void ReadPort(int64_t nowNs);
    void EmitDue(int64_t nowNs);

    std::mutex mutex_;
    TagField field_;
    ReaderEngine engine_;
    Options options_;
    std::unique_ptr<DongleEngine> dongle_;
    intptr_t handle_ = -1;  // INVALID_HANDLE_VALUE
    OutgoingQueue outgoing_;
    int64_t lastByteNs_ = 0;
    bool stop_ = false;
    WakeEvent wake_;
    std::thread thread_;
};

}  // namespace vesmor::sim
