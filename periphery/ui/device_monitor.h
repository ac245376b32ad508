#pragma once
// Device events for the interface selection window: a libudev monitor of the subsystems tty,
// usb and hidraw, watched on the event loop. "add" and "remove" arrive as a device arrival
// (0x8000), "change" as device nodes changed (0x0007).

#include <QObject>
#include <functional>
#include <memory>

struct udev;
struct udev_monitor;
class QSocketNotifier;

namespace tagforge::ui {

class DeviceChangeMonitor final : public QObject {
  public:
    using Handler = std::function<void(int event)>;

    // Listens to udevd's events when udevd runs, to the kernel's otherwise. Nothing when no
    // monitor can be made (no netlink socket allowed): the window then refreshes on its own
    // actions and timer only.
    static std::unique_ptr<DeviceChangeMonitor> Create(Handler handler);
    ~DeviceChangeMonitor() override;

  private:
    DeviceChangeMonitor(udev* context, udev_monitor* monitor, Handler handler);
    void Receive();

    udev* m_context;
    udev_monitor* m_monitor;
    Handler m_handler;
    QSocketNotifier* m_notifier;
};

}  // namespace tagforge::ui
