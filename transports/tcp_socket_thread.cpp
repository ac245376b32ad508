#include "transports/tcp_socket_thread.h"

#include <chrono>

namespace vesmor {

CTCPSocketThread::CTCPSocketThread(CTCPSocket::ReceiveSink sink, DropSink dropped)
    : dropped_(std::move(dropped)) {
    sendEvent_.Create();
    stopEvent_.Create();
    socket_.SetReceiveSink(std::move(sink));
}

CTCPSocketThread::~CTCPSocketThread() {
    StopConnection();
}

bool CTCPSocketThread::OpenConnection(const std::string& name, const WaitPump& pump) {
    if (thread_.joinable() || !sendEvent_.IsValid() || !stopEvent_.IsValid()) {
        return false;
    }
    name_ = name;
    stopEvent_.Reset();
    stop_ = false;
    readerLost_ = false;
    connectDone_ = false;
    thread_ = std::thread(&CTCPSocketThread::Run, this);
    {
        std::unique_lock lock(doneMutex_);
        while (!connectDone_) {
            if (pump) {
                doneChanged_.wait_for(lock, std::chrono::milliseconds(1));
                lock.unlock();
                pump();
                lock.lock();
            } else {
                doneChanged_.wait(lock);
            }
        }
    }
    if (!running_) {
        thread_.join();
        return false;
    }
    number_ = std::make_unique<vesmor::ConnectionNumber>();
    return true;
}

uint64_t CTCPSocketThread::QueueSend(const uint8_t* frame, size_t count,
                                     Clock::time_point deadline) {
    uint64_t number = 0;
    {
        // Under the lock the thread takes to empty the queue: a caller that sees the reader
        // lost after queueing knows its own frame went with the others.
        std::lock_guard lock(sendLock_);
        number = ++queued_;
        sendQueue_.push_back({std::vector<uint8_t>(frame, frame + count), deadline, number});
        readerLost_ = false;
    }
    sendEvent_.Signal();
    return number;
}

void CTCPSocketThread::Dropped(uint64_t number) {
    lastDropped_ = number;
    if (dropped_) {
        dropped_();
    }
}

void CTCPSocketThread::StopConnection() {
    stop_ = true;
    if (thread_.joinable()) {
        stopEvent_.Signal();
        sendEvent_.Signal();
        thread_.join();
    }
    number_.reset();
}

int32_t CTCPSocketThread::ConnectionNumber() const {
    return running_ && number_ ? number_->Value() : 0;
}

void CTCPSocketThread::SendQueued() {
    sendEvent_.Reset();
    for (;;) {
        QueuedFrame frame;
        {
            std::lock_guard lock(sendLock_);
            if (sendQueue_.empty()) {
                return;
            }
            frame = std::move(sendQueue_.front());
            sendQueue_.pop_front();
        }
        if (stop_) {
            return;
        }
        if (!socket_.EnsureConnected(&stopEvent_)) {
            if (stop_) {
                return;
            }
            uint64_t last = frame.number;
            {
                std::lock_guard lock(sendLock_);
                if (!sendQueue_.empty()) {
                    last = sendQueue_.back().number;
                }
                sendQueue_.clear();
                readerLost_ = true;
            }
            Dropped(last);
            continue;
        }
        // A reconnect can outlast the caller's wait.
        if (Clock::now() > frame.deadline) {
            Dropped(frame.number);
            continue;
        }
        // A failed send has closed the socket already.
        if (!socket_.SendFrame(frame.bytes.data(), frame.bytes.size(), &stopEvent_)) {
            Dropped(frame.number);
        }
    }
}

void CTCPSocketThread::Run() {
    const bool connected = socket_.ConnectToReader(name_, &stopEvent_);
    running_ = connected;
    {
        std::lock_guard lock(doneMutex_);
        connectDone_ = true;
    }
    doneChanged_.notify_all();
    if (!connected) {
        return;
    }
    while (!stop_) {
        // Socket events first: a peer close seen now decides how the next frame goes out.
        if (socket_.DispatchEvents(-1, &sendEvent_) && !stop_) {
            SendQueued();
        }
    }
    socket_.Close();
    running_ = false;
}

}  // namespace vesmor
