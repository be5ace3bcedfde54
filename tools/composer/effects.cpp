#include "tools/composer/effects.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "tools/composer/dsp.h"

namespace {
class Comb {
public:
    Comb(size_t length, double feedback, double damping)
        : buffer_(length, 0.0), feedback_(feedback), damping_(damping) {}
    double process(double input) {
        const double out = buffer_[at_];
        filtered_ = out * (1.0 - damping_) + filtered_ * damping_;
        buffer_[at_] = input + filtered_ * feedback_;
        at_ = (at_ + 1) % buffer_.size();
        return out;
    }

private:
    std::vector<double> buffer_;
    double feedback_, damping_;
    double filtered_ = 0.0;
    size_t at_ = 0;
};

class AllPass {
public:
    explicit AllPass(size_t length) : buffer_(length, 0.0) {}
    double process(double input) {
        const double delayed = buffer_[at_];
        const double out = delayed - input;
        buffer_[at_] = input + delayed * 0.5;
        at_ = (at_ + 1) % buffer_.size();
        return out;
    }

private:
    std::vector<double> buffer_;
    size_t at_ = 0;
};

constexpr std::array<size_t, 8> COMB_LENGTHS = {1116, 1188, 1277, 1356, 1422, 1491, 1557, 1617};
constexpr std::array<size_t, 4> ALLPASS_LENGTHS = {556, 441, 341, 225};
constexpr size_t RIGHT_SPREAD = 23;

// One side of the room.
void reverberate(const std::vector<float>& in, std::vector<float>& out, size_t spread) {
    std::vector<Comb> combs;
    for (size_t length : COMB_LENGTHS) combs.emplace_back(length + spread, 0.84, 0.25);
    std::vector<AllPass> passes;
    for (size_t length : ALLPASS_LENGTHS) passes.emplace_back(length + spread);
    for (size_t i = 0; i < in.size(); ++i) {
        const double input = in[i] * 0.015;
        double sum = 0.0;
        for (Comb& comb : combs) sum += comb.process(input);
        for (AllPass& pass : passes) sum = pass.process(sum);
        out[i] += static_cast<float>(sum);
    }
}
}  // namespace

void add_reverb(const Send& send, StereoBus& into) {
    reverberate(send.samples, into.left, 0);
    reverberate(send.samples, into.right, RIGHT_SPREAD);
}

void add_echoes(const Send& send, StereoBus& into, double delay_seconds, double feedback) {
    const size_t delay = std::max<size_t>(1, static_cast<size_t>(std::llround(delay_seconds * SAMPLE_RATE)));
    std::vector<double> left_line(delay, 0.0), right_line(delay, 0.0);
    LowPass darken_left, darken_right;
    darken_left.set(3500.0, 0.0);
    darken_right.set(3500.0, 0.0);
    size_t at = 0;
    for (size_t i = 0; i < send.samples.size(); ++i) {
        const double from_left = left_line[at];
        const double from_right = right_line[at];
        // Each side's echo feeds the other side: the sound bounces.
        left_line[at] = send.samples[i] + darken_right.process(from_right) * feedback;
        right_line[at] = darken_left.process(from_left) * feedback;
        into.left[i] += static_cast<float>(from_left);
        into.right[i] += static_cast<float>(from_right);
        at = (at + 1) % delay;
    }
}

std::vector<float> master(const StereoBus& mix, double fade_out_seconds) {
    const size_t frames = mix.frames();
    std::vector<float> out(frames * 2);
    float peak = 0.0f;
    // Below 20 Hz nothing is music: the drums' clicks leave a slight offset.
    HighPass left_dc(20.0), right_dc(20.0);
    for (size_t i = 0; i < frames; ++i) {
        // A soft knee: quiet passages pass unchanged, peaks are rounded off.
        out[2 * i] = static_cast<float>(std::tanh(left_dc.process(mix.left[i]) * 1.2) / 1.2);
        out[2 * i + 1] = static_cast<float>(std::tanh(right_dc.process(mix.right[i]) * 1.2) / 1.2);
        peak = std::max({peak, std::fabs(out[2 * i]), std::fabs(out[2 * i + 1])});
    }
    const double gain = peak > 0.0f ? 0.8 / peak : 0.0;
    const size_t fade_in = std::min(frames, static_cast<size_t>(0.005 * SAMPLE_RATE));
    const size_t fade_out = std::min(frames, static_cast<size_t>(fade_out_seconds * SAMPLE_RATE));
    for (size_t i = 0; i < frames; ++i) {
        double level = gain;
        if (i < fade_in) level *= static_cast<double>(i) / fade_in;
        const size_t left_to_end = frames - 1 - i;
        if (left_to_end < fade_out) level *= 0.5 - 0.5 * std::cos(PI * left_to_end / fade_out);
        out[2 * i] = static_cast<float>(out[2 * i] * level);
        out[2 * i + 1] = static_cast<float>(out[2 * i + 1] * level);
    }
    return out;
}
