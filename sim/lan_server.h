#pragma once
// A simulated LAN reader: the reader frames over TCP through the reader engine, and the
// configuration port 30718 through LanDevice. One thread serves the listener, the connections
// and both datagram sockets from one wait loop (the sockets: sim/lan_sockets.h).

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "sim/lan_device.h"
#include "sim/lan_sockets.h"
#include "sim/reader_engine.h"
#include "sim/tag_field.h"
#include "transports/wake_event.h"

namespace vesmor::sim {

// How the simulated reader drops a connection: "fin" closes it in order (the library sees a
// receive of 0 bytes), "reset" aborts it (the library sees the close with WSAECONNRESET).
enum class PeerClose { kFin, kReset };

class LanServer {
  public:
    struct Options {
        LanDeviceConfig device;
        int closeAfter = 0;  // drop the connection after this many answers (0: never)
        PeerClose closeStyle = PeerClose::kFin;
        bool configPort = true;  // serve the configuration port
        // Faults of the configuration port: replies sent as broadcasts (to 255.255.255.255 and
        // the asker's port), no reply to a ping, set-address datagrams ignored, and after each
        // record-0 query its reply sent again every floodMs for floodForMs.
        bool replyByBroadcast = false;
        bool answerPing = true;
        bool ignoreIpSetup = false;
        int floodMs = 0;
        int floodForMs = 0;
    };

    // Throws std::runtime_error when the address or port cannot be bound.
    LanServer(const ReaderConfig& reader, const Options& options);
    ~LanServer();
    LanServer(const LanServer&) = delete;
    LanServer& operator=(const LanServer&) = delete;

    TagField& Field() { return field_; }
    void SetFaults(const Faults& faults);
    std::string Address() const;
    int TcpPort() const;
    // The datagrams received on the configuration port, in order.
    std::vector<Bytes> ConfigRequests() const;
    // The local addresses the library connected from, one per accepted connection.
    std::vector<std::string> PeerAddresses() const;
    // Answers sent over TCP.
    int Answers() const;
    // Drops every connection now, in the given way.
    void DropConnections(PeerClose style);
    // The reader vanishes: connections dropped, no listener, no configuration replies.
    void Vanish();

  private:
    void Run();
    void Bind();
    void CloseSockets();
    void Accept();
    void ServeClient(size_t index);
    // Sends an answer to a client; false when the connection is to be dropped after it.
    bool SendAnswer(net::Socket fd, const Bytes& bytes);
    void SendDueAnswers();
    void DropClient(size_t index, PeerClose style);
    void ServeDatagram(net::Socket fd);
    void Apply(const LanDevice::Outcome& outcome);
    void Wake();

    mutable std::mutex mutex_;
    TagField field_;
    ReaderEngine engine_;
    LanDevice device_;
    Options options_;
    net::Socket listener_ = net::kNoSocket;
    net::Socket unicast_ = net::kNoSocket;    // configuration port on the device's address
    net::Socket broadcast_ = net::kNoSocket;  // configuration port on any address, for broadcasts
    int interface_ = 0;  // index of the interface holding the address
    std::vector<net::Socket> clients_;
    std::vector<Bytes> configRequests_;
    std::vector<std::string> peers_;
    int answers_ = 0;
    bool closedOnce_ = false;
    std::optional<std::chrono::steady_clock::time_point> dropDue_;
    // Answers held back by the reader's delay (or sent again late, as duplicates).
    struct Delayed {
        std::chrono::steady_clock::time_point due;
        net::Socket fd;
        Bytes bytes;
    };
    std::vector<Delayed> delayed_;
    // The record-0 reply repeated by the flood fault, its receiver and its schedule.
    struct Flood {
        Bytes reply;
        net::Endpoint to;
        std::chrono::steady_clock::time_point next, until;
    };
    std::optional<Flood> flood_;
    void SendReply(const Bytes& reply, const net::Endpoint& to);
    void SendDueFlood();
    bool vanished_ = false;
    int pendingDrop_ = -1;  // PeerClose requested from another thread, or -1
    bool stop_ = false;
    WakeEvent wake_;
    std::thread thread_;
};

}  // namespace vesmor::sim
