#pragma once

#include <cstdint>
#include <vector>

#include "audio/phasor.h"

// One sinusoid of a resynthesis: an oscillator and its amplitude.
struct Voice {
    Phasor phasor;
    float amplitude = 0.0f;
};

// A bank of free-running sinusoids that turns analysis results back into
// sound. The fields are the plain reads.
struct OscillatorBank {
    float sample_rate = 44100.0f;
    std::vector<Voice> voices;
    int32_t count = 0;

    // One silent voice per frequency, with phase offset 0.
    static OscillatorBank* create(float sample_rate, const float* frequencies_hz, int32_t count);
    static void destroy(OscillatorBank* bank);

    // Advances every voice by one sample (no renormalisation: the voices
    // are meant for short stretches) and returns the sum of amplitude x
    // the real part of each output.
    float next_sample();
};
