#pragma once
// The LAN transport of a port: a TCP connection to the reader through its connection thread.

#include <memory>
#include <string>

#include "transports/port_transport.h"

namespace vesmor {

class CVESMOR_Port;

// Connects to the reader the LAN name selects ("a.b.c.d[-port]" or "[name]..."), with the
// host's wait hooks running meanwhile; null when the reader cannot be reached. Received bytes
// go to the port.
std::unique_ptr<PortTransport> OpenLanTransport(CVESMOR_Port& port, const std::string& name);

}  // namespace vesmor
