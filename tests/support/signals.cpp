#include "tests/support/signals.h"

#include <cmath>
#include <numbers>

std::vector<float> sine_tone(double hz, double amplitude, int frames) {
    std::vector<float> samples(static_cast<size_t>(frames));
    for (int n = 0; n < frames; ++n)
        samples[static_cast<size_t>(n)] =
            static_cast<float>(amplitude * std::sin(2.0 * std::numbers::pi * hz * n / 44100.0));
    return samples;
}

std::vector<float> then_silence(std::vector<float> mono, int silent_frames) {
    mono.resize(mono.size() + static_cast<size_t>(silent_frames), 0.0f);
    return mono;
}

namespace {
std::vector<float> on_channel(const std::vector<float>& mono, size_t channel) {
    std::vector<float> stereo(mono.size() * 2, 0.0f);
    for (size_t frame = 0; frame < mono.size(); ++frame) stereo[2 * frame + channel] = mono[frame];
    return stereo;
}
}  // namespace

std::vector<float> on_left(const std::vector<float>& mono) { return on_channel(mono, 0); }
std::vector<float> on_right(const std::vector<float>& mono) { return on_channel(mono, 1); }
