// Loaded by the tool in place of a vendor library (VESMOR_HIDAPI_LIB / VESMOR_FTD2XX_LIB name this
// file): it depends on the fake hidapi and D2XX libraries, so the library's lookups find their
// functions, and it lets a test in another process pull the fake device away or silence it.
//
// VESMOR_FAKE_CONTROL_FD names the read end of a pipe the tool inherited. Each byte is a
// command for device 0: 'u' unplugs it (HID reads fail, D2XX calls fail), 's' silences the
// simulated reader, 'a' makes it answer again. The pipe's end ends the control thread.

#include <unistd.h>

#include <cstdlib>
#include <thread>

extern "C" {
void fake_hid_set_read_error(int device, int on);
void fake_d2xx_unplug(int device);
int fake_hid_control(int device, const char* command, unsigned char* out, int capacity);
int fake_d2xx_control(int device, const char* command, unsigned char* out, int capacity);
}

namespace {

// Sets the simulated reader's line faults on whichever fake holds device 0.
void SetFaults(const char* words) {
    fake_hid_control(0, words, nullptr, 0);
    fake_d2xx_control(0, words, nullptr, 0);
}

void Serve(int fd) {
    char command = 0;
    while (::read(fd, &command, 1) == 1) {
        switch (command) {
            case 'u':
                fake_hid_set_read_error(0, 1);
                fake_d2xx_unplug(0);
                break;
            case 's':
                SetFaults("faults silent=1");
                break;
            case 'a':
                SetFaults("faults");  // no line faults: answering again
                break;
            default:
                break;
        }
    }
    ::close(fd);
}

// The file is linked with -z nodelete: the thread may outlive the library's dlclose.
__attribute__((constructor)) void StartControl() {
    const char* fd = std::getenv("VESMOR_FAKE_CONTROL_FD");
    if (fd != nullptr && *fd != '\0') {
        std::thread(Serve, std::atoi(fd)).detach();
    }
}

}  // namespace
