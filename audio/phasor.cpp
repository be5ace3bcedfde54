#include "audio/phasor.h"

#include <cmath>
#include <numbers>

namespace {
constexpr double TWO_PI = 2.0 * std::numbers::pi;
}

Phasor Phasor::at_frequency(float frequency_hz, float sample_rate) {
    Phasor phasor;
    phasor.sample_rate = sample_rate;
    phasor.set_frequency_hz(frequency_hz);
    return phasor;
}

float Phasor::frequency_hz() const {
    return static_cast<float>(-static_cast<double>(step) * sample_rate / TWO_PI);
}

void Phasor::set_sample_rate(float new_sample_rate) {
    sample_rate = new_sample_rate;
    cache_rotation();
}

void Phasor::set_phase(float radians) {
    offset_cos = std::cos(radians);
    offset_sin = std::sin(radians);
}

void Phasor::cache_rotation() {
    float s = 0.0f;
    float c = 1.0f;
    ::sincosf(step, &s, &c);
    cos_step = c;
    sin_step = s;
    cos_plus_sin = c + s;
}
