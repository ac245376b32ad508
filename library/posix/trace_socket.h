#pragma once
// The POSIX trace channel's socket address and lock file, for the viewer and the tests.

#include <sys/socket.h>
#include <sys/un.h>

#include <string>

namespace vesmor {

// Address of the channel's socket in the abstract namespace; returns the address length.
socklen_t TraceChannelAddress(const std::string& name, sockaddr_un& address);
// Path of the trace lock of a channel: the user's runtime directory (UserRuntimeDirectory, a
// directory no other user can enter) + "/" + name + "Lock"; "" when there is none.
std::string TraceLockPath(const std::string& channelName);

}  // namespace vesmor
