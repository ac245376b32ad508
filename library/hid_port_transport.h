#pragma once
// The HID transport of a port: the device's connection number is the port's handle, the
// waiting caller polls it for input, and it is stopped before it closes.

#include "transports/hid_device.h"
#include "transports/port_transport.h"

namespace vesmor {

class HidPortTransport final : public PortTransport {
  public:
    ~HidPortTransport() override { Close(); }

    CHidDevice& Device() { return device_; }

    int32_t Identifier() const override { return device_.ConnectionNumber(); }
    // A frame whose reports did not all go out in time (or were refused) is not answered.
    void Write(const uint8_t* data, size_t count) override {
        writeDropped_ = !device_.WriteHid(data, count);
    }
    bool LastWriteDropped() const override { return writeDropped_; }
    bool IsPolled() const override { return true; }
    size_t ReadPending(uint8_t* buffer, size_t max) override {
        return device_.ReadHid(buffer, max);
    }
    bool ReadWaits() const override { return true; }
    size_t ReadNow(uint8_t* buffer, size_t max) override { return device_.ReadHidNow(buffer, max); }
    bool IsHid() const override { return true; }
    void Close() override {
        if (device_.IsOpen()) {
            device_.SendHidCommand(CHidDevice::kStop);
        }
        device_.CloseHid();
        writeDropped_ = false;
    }

  private:
    CHidDevice device_;
    bool writeDropped_ = false;
};

}  // namespace vesmor
