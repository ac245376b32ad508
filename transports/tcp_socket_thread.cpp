#include "transports/tcp_socket_thread.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <chrono>

namespace vesmor {

CTCPSocketThread::CTCPSocketThread(CTCPSocket::ReceiveSink sink)
    : sendEvent_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)),
      stopEvent_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
    socket_.SetReceiveSink(std::move(sink));
}

CTCPSocketThread::~CTCPSocketThread() {
    StopConnection();
    for (const int fd : {sendEvent_, stopEvent_}) {
        if (fd >= 0) {
            ::close(fd);
        }
    }
}

bool CTCPSocketThread::OpenConnection(const std::string& name, const WaitPump& pump) {
    if (thread_.joinable() || sendEvent_ < 0 || stopEvent_ < 0) {
        return false;
    }
    name_ = name;
    uint64_t stale = 0;
    [[maybe_unused]] const ssize_t n = ::read(stopEvent_, &stale, sizeof stale);
    stop_ = false;
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

void CTCPSocketThread::Wake(int fd) {
    const uint64_t one = 1;
    [[maybe_unused]] const ssize_t n = ::write(fd, &one, sizeof one);
}

bool CTCPSocketThread::QueueSend(const uint8_t* frame, size_t count) {
    {
        std::lock_guard lock(sendLock_);
        sendQueue_.emplace_back(frame, frame + count);
    }
    Wake(sendEvent_);
    return true;
}

void CTCPSocketThread::StopConnection() {
    stop_ = true;
    if (thread_.joinable()) {
        Wake(stopEvent_);
        Wake(sendEvent_);
        thread_.join();
    }
    number_.reset();
}

int32_t CTCPSocketThread::ConnectionNumber() const {
    return running_ && number_ ? number_->Value() : 0;
}

void CTCPSocketThread::SendQueued() {
    uint64_t count = 0;
    [[maybe_unused]] const ssize_t n = ::read(sendEvent_, &count, sizeof count);
    for (;;) {
        std::vector<uint8_t> frame;
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
        // A failed send has closed the socket already; the frame is dropped.
        socket_.SendFrame(frame.data(), frame.size(), stopEvent_);
    }
}

void CTCPSocketThread::Run() {
    const bool connected = socket_.ConnectToReader(name_, stopEvent_);
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
        if (socket_.DispatchEvents(-1, sendEvent_) && !stop_) {
            SendQueued();
        }
    }
    socket_.Close();
    running_ = false;
}

}  // namespace vesmor
