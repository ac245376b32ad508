#pragma once
// CTCPSocketThread: the connection thread of one LAN reader. It makes the connection, sends the
// queued frames and hands received bytes to the owner; it sleeps in poll on its socket and a
// wake event, so an idle connection costs no CPU.
//
// A frame waits in the send queue only as long as its caller waits for the answer: once the
// reader cannot be reached the queue is emptied, and a frame whose caller has given up is
// never sent. A late frame could otherwise write to whatever transponder lies on the reader
// when it comes back, with nobody to log it.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "transports/connection_numbers.h"
#include "transports/tcp_socket.h"

namespace vesmor {

class CTCPSocketThread {
  public:
    using Clock = std::chrono::steady_clock;
    // Called on the connection thread when frames were dropped unsent (a failed send or
    // reconnect): a caller waiting for an answer need not wait any longer.
    using DropSink = std::function<void()>;

    explicit CTCPSocketThread(CTCPSocket::ReceiveSink sink, DropSink dropped = {});
    ~CTCPSocketThread();
    CTCPSocketThread(const CTCPSocketThread&) = delete;
    CTCPSocketThread& operator=(const CTCPSocketThread&) = delete;

    // Starts the thread and waits for its connect attempt, running the pump between 1 ms
    // slices when one is given. True when the reader accepted the connection; then the
    // connection number is drawn.
    bool OpenConnection(const std::string& name, const WaitPump& pump = {});
    // Copies the frame to the send queue and wakes the thread; returns the frame's number
    // (1, 2, ...). A frame still unsent at its deadline (its caller no longer waits) is dropped.
    uint64_t QueueSend(const uint8_t* frame, size_t count,
                       Clock::time_point deadline = Clock::time_point::max());
    // The number of the latest frame known to be dropped unsent, 0 for none.
    uint64_t LastDropped() const { return lastDropped_; }
    // Ends the thread (it closes the socket) and gives the connection number back.
    void StopConnection();
    // The connection number while the thread runs, else 0.
    int32_t ConnectionNumber() const;
    // False from a failed reconnect until the next frame is queued (which tries again): the
    // reader has gone. The frames queued until then have been dropped.
    bool ReaderReachable() const { return !readerLost_; }

  private:
    void Run();
    struct QueuedFrame {
        std::vector<uint8_t> bytes;
        Clock::time_point deadline;
        uint64_t number = 0;
    };

    void Dropped(uint64_t number);

    void SendQueued();

    std::mutex sendLock_;
    std::string name_;
    WakeEvent sendEvent_;  // frames queued or stop requested
    WakeEvent stopEvent_;  // stop requested (ends a connect or send in progress)
    std::unique_ptr<vesmor::ConnectionNumber> number_;
    std::atomic<bool> running_{false};
    CTCPSocket socket_;
    std::deque<QueuedFrame> sendQueue_;
    std::atomic<bool> readerLost_{false};  // changed under sendLock_
    uint64_t queued_ = 0;                  // frames numbered so far, under sendLock_
    std::atomic<uint64_t> lastDropped_{0};
    DropSink dropped_;
    std::mutex doneMutex_;
    std::condition_variable doneChanged_;
    bool connectDone_ = false;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

}  // namespace vesmor
