#include "bench/music_like.h"

#include <cmath>
#include <cstdint>

std::vector<float> music_like_samples(int seconds) {
    constexpr int RATE = 44100;
    std::vector<float> samples(static_cast<size_t>(RATE) * seconds * 2);
    uint32_t noise = 1;
    for (size_t frame = 0; frame < samples.size() / 2; ++frame) {
        const double t = static_cast<double>(frame) / RATE;
        const double beat = std::fmod(t, 0.48);
        noise = noise * 1664525u + 1013904223u;
        const double hit = std::exp(-beat * 30.0) * (static_cast<double>(noise >> 8) / 8388608.0 - 1.0);
        const double chord = std::sin(2 * M_PI * 220 * t) + std::sin(2 * M_PI * 277.2 * t) +
                             std::sin(2 * M_PI * 329.6 * t);
        samples[2 * frame] = static_cast<float>(0.2 * chord + 0.3 * hit);
        samples[2 * frame + 1] = static_cast<float>(0.2 * chord - 0.3 * hit);
    }
    return samples;
}
