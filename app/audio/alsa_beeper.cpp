#include "app/audio/alsa_beeper.h"

#include <alsa/asoundlib.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <numbers>
#include <thread>

namespace tagforge {

namespace {

constexpr int kSampleRate = 48000;
constexpr unsigned kLatencyUs = 50000;
constexpr int kFadeMs = 5;
constexpr double kAmplitude = 0.5 * 32767;
constexpr std::chrono::milliseconds kPollSlice{2};

// ALSA prints its configuration errors to stderr; a missing sound card is no error here.
void QuietAlsaErrors(const char*, int, const char*, int, const char*, ...) {}

// Closes the device when the beep ends, however it ends.
struct PcmHandle {
    snd_pcm_t* pcm = nullptr;
    ~PcmHandle() {
        if (pcm) {
            snd_pcm_close(pcm);
        }
    }
};

}  // namespace

std::vector<int16_t> SineTone(int frequencyHz, int durationMs, int sampleRate) {
    const size_t count = static_cast<size_t>(std::max(durationMs, 0)) * sampleRate / 1000;
    const size_t fade = std::min(static_cast<size_t>(kFadeMs * sampleRate / 1000), count / 2);
    std::vector<int16_t> samples(count);
    const double step = 2 * std::numbers::pi * frequencyHz / sampleRate;
    for (size_t i = 0; i < count; ++i) {
        const size_t edge = std::min(i, count - 1 - i);
        const double gain = edge < fade ? static_cast<double>(edge) / fade : 1.0;
        samples[i] = static_cast<int16_t>(std::lround(kAmplitude * gain * std::sin(step * i)));
    }
    return samples;
}

AlsaBeeper::AlsaBeeper(Pump pump, std::string device)
    : m_pump(std::move(pump)), m_device(std::move(device)) {}

void AlsaBeeper::Beep(int frequencyHz, int durationMs) {
    if (durationMs <= 0) {
        return;
    }
    if (!PlayTone(frequencyHz, durationMs)) {
        // No audio device: the terminal bell, never an error.
        const char bell = '\a';
        [[maybe_unused]] const ssize_t written = ::write(STDERR_FILENO, &bell, 1);
    }
}

void AlsaBeeper::RunPump() const {
    if (m_pump) {
        m_pump();
    }
}

bool AlsaBeeper::PlayTone(int frequencyHz, int durationMs) {
    snd_lib_error_set_handler(QuietAlsaErrors);
    PcmHandle device;
    if (snd_pcm_open(&device.pcm, m_device.c_str(), SND_PCM_STREAM_PLAYBACK, SND_PCM_NONBLOCK) <
            0 ||
        snd_pcm_set_params(device.pcm, SND_PCM_FORMAT_S16, SND_PCM_ACCESS_RW_INTERLEAVED, 1,
                           kSampleRate, 1, kLatencyUs) < 0) {
        return false;
    }
    const std::vector<int16_t> tone = SineTone(frequencyHz, durationMs, kSampleRate);
    // The tone and the device's buffer must be through by then, even if the device stalls.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(durationMs) +
                          std::chrono::seconds(1);
    size_t done = 0;
    while (done < tone.size() && std::chrono::steady_clock::now() < deadline) {
        snd_pcm_sframes_t n = snd_pcm_writei(device.pcm, tone.data() + done, tone.size() - done);
        if (n == -EAGAIN) {
            RunPump();
            std::this_thread::sleep_for(kPollSlice);
            continue;
        }
        if (n < 0 && (n = snd_pcm_recover(device.pcm, static_cast<int>(n), 1)) < 0) {
            return done > 0;
        }
        done += static_cast<size_t>(std::max<snd_pcm_sframes_t>(n, 0));
    }
    snd_pcm_sframes_t delay = 0;
    while (snd_pcm_delay(device.pcm, &delay) == 0 && delay > 0 &&
           std::chrono::steady_clock::now() < deadline) {
        RunPump();
        std::this_thread::sleep_for(kPollSlice);
    }
    return true;
}

}  // namespace tagforge
