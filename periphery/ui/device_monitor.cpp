#include "periphery/ui/device_monitor.h"

#include <libudev.h>
#include <unistd.h>

#include <QSocketNotifier>

#include "periphery/port_names.h"

namespace tagforge::ui {

namespace {

// udevd's control socket: when it is there, udevd runs and its events carry finished devices.
constexpr const char* kUdevdControl = "/run/udev/control";

}  // namespace

std::unique_ptr<DeviceChangeMonitor> DeviceChangeMonitor::Create(Handler handler) {
    udev* context = udev_new();
    if (context == nullptr) {
        return nullptr;
    }
    const char* source = access(kUdevdControl, F_OK) == 0 ? "udev" : "kernel";
    udev_monitor* monitor = udev_monitor_new_from_netlink(context, source);
    bool listening = monitor != nullptr;
    for (const char* subsystem : {"tty", "usb", "hidraw"}) {
        listening = listening && udev_monitor_filter_add_match_subsystem_devtype(monitor, subsystem,
                                                                                 nullptr) >= 0;
    }
    listening = listening && udev_monitor_enable_receiving(monitor) >= 0;
    if (!listening) {
        udev_monitor_unref(monitor);
        udev_unref(context);
        return nullptr;
    }
    return std::unique_ptr<DeviceChangeMonitor>(
        new DeviceChangeMonitor(context, monitor, std::move(handler)));
}

DeviceChangeMonitor::DeviceChangeMonitor(udev* context, udev_monitor* monitor, Handler handler)
    : m_context(context),
      m_monitor(monitor),
      m_handler(std::move(handler)),
      m_notifier(new QSocketNotifier(udev_monitor_get_fd(monitor), QSocketNotifier::Read, this)) {
    connect(m_notifier, &QSocketNotifier::activated, this, [this] { Receive(); });
}

DeviceChangeMonitor::~DeviceChangeMonitor() {
    m_notifier->setEnabled(false);
    udev_monitor_unref(m_monitor);
    udev_unref(m_context);
}

// One plug brings a burst of events (device, interfaces, tty): what is waiting is handled as
// one event, an arrival when any of it was one.
void DeviceChangeMonitor::Receive() {
    int event = 0;
    while (udev_device* device = udev_monitor_receive_device(m_monitor)) {
        const char* action = udev_device_get_action(device);
        const int code = DeviceEventCode(action != nullptr ? action : "");
        if (event != kDeviceArrival && code != 0) {
            event = code;
        }
        udev_device_unref(device);
    }
    if (event != 0) {
        m_handler(event);
    }
}

}  // namespace tagforge::ui
