#include "transports/win32/overlapped_reports.h"

#include <algorithm>
#include <cstring>

namespace vesmor {

namespace {

HANDLE ManualResetEvent() {
    return CreateEventA(nullptr, TRUE, FALSE, nullptr);
}

}  // namespace

OverlappedReports::OverlappedReports(HANDLE handle, size_t readLength)
    : handle_(handle),
      readEvent_(ManualResetEvent()),
      writeEvent_(ManualResetEvent()),
      readBuffer_(readLength) {}

OverlappedReports::~OverlappedReports() {
    CancelRead();
    for (HANDLE event : {readEvent_, writeEvent_}) {
        if (event != nullptr) {
            CloseHandle(event);
        }
    }
}

int OverlappedReports::Write(const uint8_t* data, size_t length, DWORD timeoutMs) {
    if (!IsValid()) {
        return -1;
    }
    writeBuffer_.assign(data, data + length);
    writeOverlapped_ = OVERLAPPED{};
    writeOverlapped_.hEvent = writeEvent_;
    ResetEvent(writeEvent_);
    if (!WriteFile(handle_, writeBuffer_.data(), static_cast<DWORD>(length), nullptr,
                   &writeOverlapped_)) {
        if (GetLastError() != ERROR_IO_PENDING) {
            return -1;
        }
        if (WaitForSingleObject(writeEvent_, timeoutMs) != WAIT_OBJECT_0) {
            // Only this write: a read of the same thread stays pending.
            CancelIoEx(handle_, &writeOverlapped_);
        }
    }
    // A cancelled write ends with ERROR_OPERATION_ABORTED, unless it finished first.
    DWORD written = 0;
    if (!GetOverlappedResult(handle_, &writeOverlapped_, &written, TRUE)) {
        return -1;
    }
    return static_cast<int>(written);
}

int OverlappedReports::Read(uint8_t* data, size_t length, DWORD timeoutMs) {
    if (!IsValid()) {
        return -1;
    }
    if (!readPending_) {
        readOverlapped_ = OVERLAPPED{};
        readOverlapped_.hEvent = readEvent_;
        ResetEvent(readEvent_);
        // A read that completes at once signals the event as well, so both ways meet below.
        if (!ReadFile(handle_, readBuffer_.data(), static_cast<DWORD>(readBuffer_.size()), nullptr,
                      &readOverlapped_) &&
            GetLastError() != ERROR_IO_PENDING) {
            return -1;
        }
        readPending_ = true;
    }
    switch (WaitForSingleObject(readEvent_, timeoutMs)) {
        case WAIT_OBJECT_0:
            break;
        case WAIT_TIMEOUT:
            return 0;
        default:
            return -1;
    }
    readPending_ = false;
    DWORD got = 0;
    if (!GetOverlappedResult(handle_, &readOverlapped_, &got, FALSE)) {
        return -1;
    }
    const size_t n = std::min(static_cast<size_t>(got), length);
    std::memcpy(data, readBuffer_.data(), n);
    return static_cast<int>(n);
}

void OverlappedReports::CancelRead() {
    if (!readPending_) {
        return;
    }
    CancelIoEx(handle_, &readOverlapped_);
    DWORD ignored = 0;
    GetOverlappedResult(handle_, &readOverlapped_, &ignored, TRUE);
    readPending_ = false;
}

}  // namespace vesmor
