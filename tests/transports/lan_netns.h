#pragma once
// Two private network namespaces joined by two veth pairs: "library" with 10.77.1.1/24 and
// 10.77.2.1/24, "readers" with 10.77.1.5-7 and 10.77.1.50 on the first link and 10.77.2.5 on
// the second. Broadcasts of the tests never leave them. Needs root; Available() tells.

#include <dirent.h>
#include <fcntl.h>
#include <sched.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace vesmor::test {

class LanNamespaces {
  public:
    LanNamespaces()
        : suffix_(std::to_string(::getpid())),
          library_("vlib" + suffix_),
          readers_("vrdr" + suffix_) {
        RemoveStale();
        Remove();
        const std::string a1 = "va1" + suffix_, b1 = "vb1" + suffix_;
        const std::string a2 = "va2" + suffix_, b2 = "vb2" + suffix_;
        const std::string L = " -n " + library_, R = " -n " + readers_;
        available_ =
            Sh("ip netns add " + library_) && Sh("ip netns add " + readers_) &&
            Sh("ip link add " + a1 + " netns " + library_ + " type veth peer name " + b1 +
               " netns " + readers_) &&
            Sh("ip link add " + a2 + " netns " + library_ + " type veth peer name " + b2 +
               " netns " + readers_) &&
            Sh("ip" + L + " addr add 10.77.1.1/24 dev " + a1) &&
            Sh("ip" + L + " addr add 10.77.2.1/24 dev " + a2) &&
            Sh("ip" + R + " addr add 10.77.1.5/24 dev " + b1) &&
            Sh("ip" + R + " addr add 10.77.1.6/24 dev " + b1) &&
            Sh("ip" + R + " addr add 10.77.1.7/24 dev " + b1) &&
            Sh("ip" + R + " addr add 10.77.1.50/24 dev " + b1) &&
            Sh("ip" + R + " addr add 10.77.2.5/24 dev " + b2) && Sh("ip" + L + " link set lo up") &&
            Sh("ip" + R + " link set lo up") && Sh("ip" + L + " link set " + a1 + " up") &&
            Sh("ip" + L + " link set " + a2 + " up") && Sh("ip" + R + " link set " + b1 + " up") &&
            Sh("ip" + R + " link set " + b2 + " up") &&
            Sh("ip" + L + " route add default dev " + a1) &&
            Sh("ip" + R + " route add default dev " + b1);
    }
    ~LanNamespaces() { Remove(); }
    LanNamespaces(const LanNamespaces&) = delete;
    LanNamespaces& operator=(const LanNamespaces&) = delete;

    bool Available() const { return available_; }

    // Keeps the calling thread in the library's namespace while it lives (for a window, which
    // runs on the thread that made the application), then returns it to the namespace it was in.
    class InsideLibrary {
      public:
        explicit InsideLibrary(const LanNamespaces& net)
            : previous_(::open("/proc/thread-self/ns/net", O_RDONLY | O_CLOEXEC)) {
            const int fd = ::open(("/var/run/netns/" + net.library_).c_str(), O_RDONLY | O_CLOEXEC);
            if (previous_ < 0 || fd < 0 || ::setns(fd, CLONE_NEWNET) != 0) {
                std::abort();  // never run the body in the host's network unknowingly
            }
            ::close(fd);
        }
        ~InsideLibrary() {
            if (::setns(previous_, CLONE_NEWNET) != 0) {
                std::abort();
            }
            ::close(previous_);
        }
        InsideLibrary(const InsideLibrary&) = delete;
        InsideLibrary& operator=(const InsideLibrary&) = delete;

      private:
        int previous_;
    };

    // Runs body on a thread inside the namespace; threads it starts stay there.
    void InLibrary(const std::function<void()>& body) const { RunIn(library_, body); }
    void InReaders(const std::function<void()>& body) const { RunIn(readers_, body); }

  private:
    static bool Sh(const std::string& command) {
        return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
    }
    void Remove() const {
        Sh("ip netns del " + library_);
        Sh("ip netns del " + readers_);
    }
    // The namespaces of test processes that ended without removing theirs (killed, aborted).
    static void RemoveStale() {
        DIR* dir = ::opendir("/var/run/netns");
        if (dir == nullptr) {
            return;
        }
        std::vector<std::string> stale;
        while (const dirent* entry = ::readdir(dir)) {
            const std::string name = entry->d_name;
            if ((name.rfind("vlib", 0) == 0 || name.rfind("vrdr", 0) == 0) && name.size() > 4 &&
                name.find_first_not_of("0123456789", 4) == std::string::npos) {
                const pid_t pid = static_cast<pid_t>(std::atol(name.c_str() + 4));
                if (::kill(pid, 0) != 0 && errno == ESRCH) {
                    stale.push_back(name);
                }
            }
        }
        ::closedir(dir);
        for (const std::string& name : stale) {
            Sh("ip netns del " + name);
        }
    }
    static void RunIn(const std::string& name, const std::function<void()>& body) {
        std::thread inside([&] {
            const int fd = ::open(("/var/run/netns/" + name).c_str(), O_RDONLY | O_CLOEXEC);
            if (fd < 0 || ::setns(fd, CLONE_NEWNET) != 0) {
                std::abort();  // never run the body in the host's network
            }
            ::close(fd);
            body();
        });
        inside.join();
    }

    std::string suffix_;
    std::string library_;
    std::string readers_;
    bool available_ = false;
};

}  // namespace vesmor::test
