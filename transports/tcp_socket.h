#pragma once
// CTCPSocket: the socket of a LAN reader. As a stream socket it carries the reader frames of one
// TCP connection and hands received bytes to its owner; as a datagram socket (configuration
// port) it queues every datagram with its sender's address. The owning thread calls
// DispatchEvents, which runs HandleReceive and HandleClose as the socket's events come.

#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "transports/lan_adapters.h"
#include "transports/socket_system.h"

namespace vesmor {

// Called between wait slices of at most 1 ms (the host's event pump); may be empty.
using WaitPump = std::function<void()>;

// Windows Sockets error numbers, as the socket log and the close texts use them.
int WsaErrorFromErrno(int error);
// The text HandleClose logs for a WSA error number.
const char* CloseErrorText(int wsaError);

// Where the socket log goes; empty (the default): nowhere.
void SetSocketLogPath(const std::string& path);

class CTCPSocket {
  public:
    static constexpr int kDefaultTcpPort = 10001;
    static constexpr size_t kReceiveChunk = 513;
    using ReceiveSink = std::function<void(const uint8_t* bytes, size_t count)>;

    CTCPSocket() = default;
    ~CTCPSocket();
    CTCPSocket(const CTCPSocket&) = delete;
    CTCPSocket& operator=(const CTCPSocket&) = delete;

    // Receives the bytes of the stream (the owning port).
    void SetReceiveSink(ReceiveSink sink) { sink_ = std::move(sink); }

    // Stream use. wake interrupts a connect in progress when it is signalled.
    bool ConnectToReader(const std::string& name, const WakeEvent* wake = nullptr);
    bool SendFrame(const uint8_t* frame, size_t count, const WakeEvent* wake = nullptr);
    bool EnsureConnected(const WakeEvent* wake = nullptr);

    // Datagram use: a socket bound to the bind address, allowed to broadcast.
    bool CreateDatagram();
    // Sends to address (255.255.255.255: broadcast) at port.
    bool SendDatagram(const std::string& address, uint16_t port, const std::vector<uint8_t>& bytes);
    // The oldest queued datagram: sender address (4 bytes, network order), then its bytes.
    std::optional<std::vector<uint8_t>> TakeDatagram();

    // Waits up to timeoutMs (negative: no limit) for an event of the socket or for extra to be
    // signalled, and handles the socket's events. True when extra was signalled.
    bool DispatchEvents(int timeoutMs, const WakeEvent* extra = nullptr);
    void HandleReceive();
    void HandleClose(int wsaError);
    void Close();

    int Handle() const { return static_cast<int>(fd_); }
    bool HasHandle() const { return fd_ != kNoSocket; }
    bool IsConnected() const { return connected_; }
    const std::string& ReaderAddress() const { return readerAddress_; }
    int TcpPort() const { return tcpPort_; }

    // Adapter table and bind address.
    bool CollectAdapters();
    bool SelectAdapterFor(const std::string& address);
    bool SelectFirstAdapter();
    bool SelectNextAdapter();
    const std::vector<CAdapter>& Adapters() const { return adapters_; }
    const std::string& BindAddress() const { return bindAddress_; }
    void SetBindAddress(const std::string& address) { bindAddress_ = address; }

  private:
    bool CreateStream();
    // 0 or the WSA error number of the failed connect; gives up after timeoutMs.
    int Connect(const WakeEvent* wake, int timeoutMs);
    void Log(const char* format, int number) const;

    std::deque<std::vector<uint8_t>> datagrams_;
    bool datagramMode_ = false;
    std::string readerAddress_;
    int tcpPort_ = kDefaultTcpPort;
    bool connected_ = false;
    std::string bindAddress_;
    std::vector<CAdapter> adapters_;
    ReceiveSink sink_;
    int sendInterface_ = 0;  // datagrams leave through the interface of the bind address
    mutable std::mutex queueLock_;
    SocketHandle fd_ = kNoSocket;
    int createError_ = 0;  // why the last socket could not be made
};

}  // namespace vesmor
