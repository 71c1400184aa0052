#include "AlsaTone.h"

#include <alsa/asoundlib.h>

#include <cmath>
#include <cstdarg>
#include <cstdint>
#include <memory>
#include <numbers>
#include <vector>

namespace tarvo {

namespace {

constexpr unsigned kSampleRate = 8000;
constexpr unsigned kLatencyUs = 100000;
constexpr double kAmplitude = 0.4 * 32767;

struct ClosePcm {
    void operator()(snd_pcm_t* pcm) const noexcept { snd_pcm_close(pcm); }
};
using PcmHandle = std::unique_ptr<snd_pcm_t, ClosePcm>;

// A station without a sound card is normal; the library's complaints about it are not ours to
// print on the controller's standard output.
void QuietAlsaErrors(const char*, int, const char*, int, const char*, ...) {}

PcmHandle OpenPlayback() {
    static const bool quiet = (snd_lib_error_set_handler(QuietAlsaErrors), true);
    (void)quiet;
    snd_pcm_t* raw = nullptr;
    // Non-blocking open so that a device held by another program fails at once.
    if (snd_pcm_open(&raw, "default", SND_PCM_STREAM_PLAYBACK, SND_PCM_NONBLOCK) < 0) {
        return nullptr;
    }
    PcmHandle pcm(raw);
    if (snd_pcm_nonblock(pcm.get(), 0) < 0 ||
        snd_pcm_set_params(pcm.get(), SND_PCM_FORMAT_S16, SND_PCM_ACCESS_RW_INTERLEAVED, 1,
                           kSampleRate, 1, kLatencyUs) < 0) {
        return nullptr;
    }
    return pcm;
}

std::vector<int16_t> SineWave(unsigned frequencyHz, std::chrono::milliseconds duration) {
    const auto count = static_cast<std::size_t>(kSampleRate * duration.count() / 1000);
    std::vector<int16_t> samples(count);
    for (std::size_t i = 0; i < count; ++i) {
        const double phase =
            2.0 * std::numbers::pi * frequencyHz * static_cast<double>(i) / kSampleRate;
        samples[i] = static_cast<int16_t>(kAmplitude * std::sin(phase));
    }
    return samples;
}

bool Play(snd_pcm_t* pcm, const std::vector<int16_t>& samples) {
    std::size_t done = 0;
    while (done < samples.size()) {
        const snd_pcm_sframes_t written =
            snd_pcm_writei(pcm, samples.data() + done, samples.size() - done);
        if (written < 0) {
            if (snd_pcm_recover(pcm, static_cast<int>(written), 1) < 0) {
                return false;
            }
            continue;
        }
        done += static_cast<std::size_t>(written);
    }
    return snd_pcm_drain(pcm) >= 0;
}

}  // namespace

void AlsaTone::Beep(unsigned frequencyHz, std::chrono::milliseconds duration) {
    const auto start = std::chrono::steady_clock::now();
    if (PcmHandle pcm = OpenPlayback()) {
        Play(pcm.get(), SineWave(frequencyHz, duration));
    }
    // The tick lasts as long as the tone even when the device played it faster or not at all.
    const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - start);
    if (elapsed < duration) {
        m_sleeper.SleepMs(static_cast<unsigned>((duration - elapsed).count()));
    }
}

}  // namespace tarvo
