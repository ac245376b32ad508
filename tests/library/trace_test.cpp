#include "library/trace.h"

#include <gtest/gtest.h>

namespace vesmor {
namespace {

TEST(Trace, TextsGoInZeroPaddedPiecesOfFourBytes) {
    EXPECT_EQ(EncodeTracePieces("12345678").size(), 8u);
    const std::string nine = EncodeTracePieces("123456789");
    EXPECT_EQ(nine, std::string("123456789\0\0\0", 12));
}

TEST(Trace, FrameDumpFormat) {
    const uint8_t bytes[] = {0x02, 0xAB};
    EXPECT_EQ(FormatFrameDump(">", 0x1F, bytes, 2), ">(0000001f) 02 ab \r\n");
}

}  // namespace
}  // namespace vesmor

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <thread>

namespace vesmor {
namespace {

// Listens on the trace channel as the viewer does and collects what one text delivers.
class ViewerSocket {
  public:
    ViewerSocket() {
        fd_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::memcpy(address.sun_path + 1, kTraceChannelName, std::strlen(kTraceChannelName));
        const auto length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 +
                                                   std::strlen(kTraceChannelName));
        bound_ = ::bind(fd_, reinterpret_cast<sockaddr*>(&address), length) == 0 &&
                 ::listen(fd_, 4) == 0;
    }
    ~ViewerSocket() { ::close(fd_); }
    bool Bound() const { return bound_; }
    std::string ReceiveOneText() {
        const int client = ::accept(fd_, nullptr, nullptr);
        std::string bytes;
        char buffer[256];
        ssize_t n;
        while ((n = ::read(client, buffer, sizeof buffer)) > 0)
            bytes.append(buffer, n);
        ::close(client);
        return bytes;
    }

  private:
    int fd_;
    bool bound_;
};

TEST(Trace, FormattedTextIsCutTo511CharactersAndSentToTheViewer) {
    ViewerSocket viewer;
    if (!viewer.Bound()) {
        GTEST_SKIP() << "a trace viewer is running";
    }
    std::string received;
    std::thread reader([&] { received = viewer.ReceiveOneText(); });
    TraceFormat("%s", std::string(600, 'a').c_str());
    reader.join();
    EXPECT_EQ(received, std::string(511, 'a') + '\0');
}

}  // namespace
}  // namespace vesmor
