#pragma once

#include <numbers>

// A complex value as two floats: filter stages, oscillator outputs.
struct Complex {
    float re = 0.0f;
    float im = 0.0f;
    bool operator==(const Complex&) const = default;
};

// A rotating unit complex number: the local oscillator of a tracking filter
// and the voice of a resynthesis bank. A positive frequency turns it
// clockwise, so its step is negative. The cosine and sine of the step are
// cached so that a turn costs three multiplications; they are recomputed
// (one sine-and-cosine evaluation) whenever the step changes.
// The fields are the plain reads; the step and rate change only through
// their setters, which keep the cached rotation in step with them.
struct Phasor {
    float step = 0.0f;  // radians per sample
    float sample_rate = 44100.0f;
    float re = 1.0f;
    float im = 0.0f;
    float cos_step = 1.0f;
    float sin_step = 0.0f;
    float cos_plus_sin = 1.0f;
    // Phase offset applied to the output; only resynthesis changes it.
    float offset_cos = 1.0f;
    float offset_sin = 0.0f;

    // A phasor at 1 + 0i turning at the given frequency.
    static Phasor at_frequency(float frequency_hz, float sample_rate);
    // The step of a frequency: frequency x (-2 pi) / rate, in double.
    static float step_for(float frequency_hz, float sample_rate) {
        return static_cast<float>(frequency_hz * (-2.0 * std::numbers::pi) / sample_rate);
    }

    float frequency_hz() const;
    void set_frequency_hz(float frequency_hz) { set_step(step_for(frequency_hz, sample_rate)); }
    // The tracking filters set the step on every sample, often to the value
    // it already has (a filter resting at its centre, held at the edge of
    // its range, or settled on a steady tone): the cached rotation is then
    // still right, and the sine and cosine need not be evaluated again.
    void set_step(float new_step) {
        if (new_step == step) return;
        step = new_step;
        cache_rotation();
    }
    // Keeps the step (so the frequency in Hz follows the new rate).
    void set_sample_rate(float new_sample_rate);
    // Offset of the output, in radians.
    void set_phase(float radians);

    // The current value turned by the phase offset. Only resynthesis sets
    // an offset; without one (the analysis, 28672 times a block) the value
    // is the output as it is.
    Complex output() const {
        if (offset_sin == 0.0f && offset_cos == 1.0f) return {re, im};
        return {re * offset_cos - im * offset_sin, re * offset_sin + im * offset_cos};
    }

    // One sample on: (re, im) times (cos_step, sin_step), with three
    // multiplications instead of four.
    void advance() {
        const float t = sin_step * im;
        const float cos_re = cos_step * re;
        const float new_im = (re + im) * cos_plus_sin - cos_re - t;
        re = cos_re - t;
        im = new_im;
    }

    // Pulls the value back to unit length without a square root (one
    // Newton step for 1/|z|, enough for the tiny drift of a few hundred turns).
    void renormalize() {
        const float k = (3.0f - re * re - im * im) * 0.5f;
        re *= k;
        im *= k;
    }

private:
    void cache_rotation();
};
