#include "library/lan_port.h"

#include "library/port.h"
#include "library/wait_hooks.h"
#include "transports/tcp_socket_thread.h"

namespace vesmor {

namespace {

class LanTransport : public PortTransport {
  public:
    explicit LanTransport(CVESMOR_Port& port)
        : port_(port),
          thread_([&port](const uint8_t* bytes, size_t count) { port.DeliverReceived(bytes, count); },
                  [&port] { port.DeliverLost(); }) {}

    bool Open(const std::string& name) {
        const WaitHookScope hooks;
        return thread_.OpenConnection(
            name, hooks.HasPump() ? WaitPump([&] { hooks.Pump(); }) : WaitPump());
    }

    int32_t Identifier() const override { return thread_.ConnectionNumber(); }
    void Write(const uint8_t* data, size_t count) override {
        // The frame is worth sending only while the port still waits for its answer.
        lastWritten_ = thread_.QueueSend(
            data, count,
            CTCPSocketThread::Clock::now() + std::chrono::milliseconds(port_.Timeout()));
    }
    bool IsReachable() const override { return thread_.ReaderReachable(); }
    bool LastWriteDropped() const override {
        return lastWritten_ != 0 && thread_.LastDropped() == lastWritten_;
    }
    void Close() override { thread_.StopConnection(); }

  private:
    CVESMOR_Port& port_;
    CTCPSocketThread thread_;
    uint64_t lastWritten_ = 0;  // the number of the latest frame written
};

}  // namespace

std::unique_ptr<PortTransport> OpenLanTransport(CVESMOR_Port& port, const std::string& name) {
    auto transport = std::make_unique<LanTransport>(port);
    if (!transport->Open(name)) {
        return nullptr;
    }
    return transport;
}

}  // namespace vesmor
