#pragma once

#include <cstdint>

// Small sound-making pieces for the composer: oscillators, envelopes,
// filters and noise. Everything is plain double arithmetic, so that the
// same program always makes the same samples.

inline constexpr double SAMPLE_RATE = 44100.0;
inline constexpr double PI = 3.14159265358979323846;

// Frequency of a MIDI note number (69 = A4 = 440 Hz).
double note_hz(int midi_note);

// A sawtooth from -1 to 1 with its jump smoothed (polyBLEP), so high
// notes do not alias harshly.
double saw_wave(double phase, double phase_step);
double square_wave(double phase, double phase_step);
double triangle_wave(double phase);
double sine_wave(double phase);

// Attack-decay-sustain-release with straight segments, in seconds. A note
// held for `held` seconds has faded out completely `release` seconds later.
struct Envelope {
    double attack = 0.005;
    double decay = 0.1;
    double sustain = 0.7;
    double release = 0.1;

    double level(double t, double held) const;
    double length(double held) const { return held + release; }
};

// State-variable low-pass filter (trapezoidal integration: stable at any
// cutoff below Nyquist).
class LowPass {
public:
    void set(double cutoff_hz, double resonance);
    double process(double input);

private:
    double g_ = 0.0, k_ = 1.4, ic1_ = 0.0, ic2_ = 0.0;
};

// One-pole high-pass, for hats.
class HighPass {
public:
    explicit HighPass(double cutoff_hz);
    double process(double input);

private:
    double coefficient_;
    double last_input_ = 0.0, last_output_ = 0.0;
};

// White noise from a fixed seed: the same noise on every run.
class Noise {
public:
    explicit Noise(uint32_t seed) : state_(seed != 0 ? seed : 1) {}
    double next();  // -1 to 1

private:
    uint32_t state_;
};
