#include "audio/pitch_profile.h"

#include <algorithm>
#include <cmath>

namespace {
constexpr int32_t CLASSES = 12;
}

int32_t pitch_class_of(float frequency_hz, float pitch_base_hz, float semitone_scale) {
    // The logarithm of 0 Hz or of a negative frequency is not a number, and
    // neither would be the class.
    if (!(frequency_hz > 0.0f) || !std::isfinite(frequency_hz)) return -1;
    const float quotient = frequency_hz / pitch_base_hz;
    const auto semitones = static_cast<float>(semitone_scale * std::log(static_cast<double>(quotient)));
    if (!std::isfinite(semitones)) return -1;
    // Nearest semitone, halves away from zero; below the base the
    // remainder is negative and wraps into the octave.
    auto pitch_class = static_cast<int32_t>(std::round(static_cast<float>(std::fmod(semitones, 12.0))));
    if (pitch_class < 0) pitch_class += CLASSES;
    if (pitch_class > CLASSES - 1) pitch_class -= CLASSES;
    return pitch_class;
}

void fold_pitch_profile(const float* frequencies_hz, const float* levels, int32_t count,
                        float pitch_base_hz, float semitone_scale, float* profile) {
    std::fill_n(profile, CLASSES, 0.0f);
    for (int32_t i = 0; i < count; ++i) {
        const int32_t pitch_class = pitch_class_of(frequencies_hz[i], pitch_base_hz, semitone_scale);
        if (pitch_class >= 0) profile[pitch_class] += levels[i];
    }
}
