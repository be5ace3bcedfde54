#include "tools/composer/dsp.h"

#include <cmath>

double note_hz(int midi_note) { return 440.0 * std::pow(2.0, (midi_note - 69) / 12.0); }

namespace {
// The polyBLEP residual that rounds off a jump at phase 0.
double blep(double phase, double step) {
    if (phase < step) {
        const double t = phase / step;
        return t + t - t * t - 1.0;
    }
    if (phase > 1.0 - step) {
        const double t = (phase - 1.0) / step;
        return t * t + t + t + 1.0;
    }
    return 0.0;
}
}  // namespace

double saw_wave(double phase, double phase_step) { return 2.0 * phase - 1.0 - blep(phase, phase_step); }

double square_wave(double phase, double phase_step) {
    double value = phase < 0.5 ? 1.0 : -1.0;
    value += blep(phase, phase_step);
    value -= blep(std::fmod(phase + 0.5, 1.0), phase_step);
    return value;
}

double triangle_wave(double phase) { return phase < 0.5 ? 4.0 * phase - 1.0 : 3.0 - 4.0 * phase; }

double sine_wave(double phase) { return std::sin(2.0 * PI * phase); }

double Envelope::level(double t, double held) const {
    if (t < 0.0) return 0.0;
    auto before_release = [&](double at) {
        if (at < attack) return at / attack;
        if (at < attack + decay) return 1.0 - (1.0 - sustain) * (at - attack) / decay;
        return sustain;
    };
    if (t < held) return before_release(t);
    const double from = before_release(held);
    const double into_release = t - held;
    return into_release >= release ? 0.0 : from * (1.0 - into_release / release);
}

void LowPass::set(double cutoff_hz, double resonance) {
    const double limited = std::fmin(cutoff_hz, SAMPLE_RATE * 0.45);
    g_ = std::tan(PI * limited / SAMPLE_RATE);
    k_ = 2.0 - 2.0 * std::fmin(std::fmax(resonance, 0.0), 0.95);
}

double LowPass::process(double input) {
    const double a1 = 1.0 / (1.0 + g_ * (g_ + k_));
    const double a2 = g_ * a1;
    const double a3 = g_ * a2;
    const double v3 = input - ic2_;
    const double v1 = a1 * ic1_ + a2 * v3;
    const double v2 = ic2_ + a2 * ic1_ + a3 * v3;
    ic1_ = 2.0 * v1 - ic1_;
    ic2_ = 2.0 * v2 - ic2_;
    return v2;
}

HighPass::HighPass(double cutoff_hz)
    : coefficient_(1.0 / (1.0 + 2.0 * PI * cutoff_hz / SAMPLE_RATE)) {}

double HighPass::process(double input) {
    last_output_ = coefficient_ * (last_output_ + input - last_input_);
    last_input_ = input;
    return last_output_;
}

double Noise::next() {
    state_ ^= state_ << 13;
    state_ ^= state_ >> 17;
    state_ ^= state_ << 5;
    return static_cast<double>(state_) / 2147483648.0 - 1.0;
}
