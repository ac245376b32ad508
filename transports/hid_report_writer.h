#pragma once
// HidReportWriter: the output reports of one open HID device, written on a thread of its own so
// that the caller waits a bounded time for a device that is slow to take a report. hidraw's
// write blocks in the kernel until the device has taken the report, and its descriptor always
// polls writable, so a non-blocking write could not bound the wait: the thread can.

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "transports/hidapi_table.h"

namespace vesmor {

class HidReportWriter {
  public:
    // Starts the writer thread for an open device.
    explicit HidReportWriter(hid_device* device);
    // Closes the device (see Close).
    ~HidReportWriter();
    HidReportWriter(const HidReportWriter&) = delete;
    HidReportWriter& operator=(const HidReportWriter&) = delete;

    // Writes one report and waits at most timeout, in all, for it to go out. False when the
    // write failed, did not finish in time, or an earlier report is still stuck in the device
    // for the whole time-out; a report that did not finish in time is not written again.
    bool Write(const std::vector<uint8_t>& report, std::chrono::milliseconds timeout);

    // Ends the thread and closes the device. When a write is still stuck in the device the
    // caller does not wait for it: the thread closes the device once that write returns, and
    // keeps the library loaded until then.
    void Close();

    // Writer threads that are still waiting for a stuck write after their device was closed.
    static int Lingering();

  private:
    struct State;
    static void Run(std::shared_ptr<State> state);

    std::shared_ptr<State> state_;
    std::thread thread_;
};

}  // namespace vesmor
