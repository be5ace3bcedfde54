#include "audio/oscillator_bank.h"

#include <algorithm>

OscillatorBank* OscillatorBank::create(float sample_rate, const float* frequencies_hz, int32_t count) {
    auto* bank = new OscillatorBank{};
    bank->sample_rate = sample_rate;
    bank->count = std::max(count, 0);
    bank->voices.resize(static_cast<size_t>(bank->count));
    for (int32_t i = 0; i < bank->count; ++i)
        bank->voices[i].phasor = Phasor::at_frequency(frequencies_hz[i], sample_rate);
    return bank;
}

void OscillatorBank::destroy(OscillatorBank* bank) { delete bank; }

float OscillatorBank::next_sample() {
    float total = 0.0f;
    for (Voice& voice : voices) {
        voice.phasor.advance();
        total += voice.amplitude * voice.phasor.output().re;
    }
    return total;
}
