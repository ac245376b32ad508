#pragma once
// The success beep: a sine tone through ALSA's default device, or the terminal bell where there
// is no audio device. It plays synchronously; `pump` runs while it plays.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "app/core/engine_host.h"

namespace tagforge {

// One channel of signed 16-bit samples, faded in and out over 5 ms so that the tone does not
// click.
std::vector<int16_t> SineTone(int frequencyHz, int durationMs, int sampleRate);

class AlsaBeeper final : public Beeper {
  public:
    using Pump = std::function<void()>;
    explicit AlsaBeeper(Pump pump = {}, std::string device = "default");

    // A duration of 0 or less is silent.
    void Beep(int frequencyHz, int durationMs) override;

  private:
    bool PlayTone(int frequencyHz, int durationMs);
    void RunPump() const;

    Pump m_pump;
    std::string m_device;
};

}  // namespace tagforge
