#pragma once
// Reports over a handle opened with FILE_FLAG_OVERLAPPED (a HID device, as hid.dll's class
// driver gives it): every read and write is overlapped and waits a bounded time. A read that
// has not finished in time stays pending and the next read takes it up, so that no report is
// lost between two polls; a write that has not finished in time is cancelled.

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <vector>

namespace vesmor {

class OverlappedReports {
  public:
    // The handle stays the caller's, and must outlive this object. Every read asks for
    // readLength bytes at once: a HID device takes only reads of a whole input report.
    OverlappedReports(HANDLE handle, size_t readLength);
    // Cancels a pending read and waits until it has ended.
    ~OverlappedReports();
    OverlappedReports(const OverlappedReports&) = delete;
    OverlappedReports& operator=(const OverlappedReports&) = delete;

    // Both events were made.
    bool IsValid() const { return readEvent_ != nullptr && writeEvent_ != nullptr; }

    // Writes one report: the count written, or -1 when the write failed or did not finish
    // within timeoutMs (it is cancelled then, and this waits for the cancellation to end).
    int Write(const uint8_t* data, size_t length, DWORD timeoutMs);

    // The next report, at most length bytes of it: the count copied, 0 when none has come
    // within timeoutMs (the read stays pending), -1 when the read failed (the peer is gone).
    int Read(uint8_t* data, size_t length, DWORD timeoutMs);

    // Cancels the pending read, if any, and waits until it has ended. Reads and writes may
    // come from two threads; this only from the one that reads, or once it reads no more.
    void CancelRead();

  private:
    HANDLE handle_;
    HANDLE readEvent_;
    HANDLE writeEvent_;
    OVERLAPPED readOverlapped_{};
    OVERLAPPED writeOverlapped_{};
    bool readPending_ = false;
    std::vector<uint8_t> readBuffer_;
    std::vector<uint8_t> writeBuffer_;  // the bytes of the write in flight
};

}  // namespace vesmor
