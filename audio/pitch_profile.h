#pragma once

#include <cstdint>

// Pitch classes: frequencies folded into the twelve semitones of an
// octave, counted from a base frequency (class 0).

// The class (0 ... 11) of the semitone nearest to the frequency, or -1
// for a frequency with no pitch (0 Hz or below, or not a number).
// semitone_scale is 12 / ln 2 for equal temperament.
int32_t pitch_class_of(float frequency_hz, float pitch_base_hz, float semitone_scale);

// Clears the twelve entries of profile, then adds each bin's level to the
// class of its frequency; bins with no pitch are left out.
void fold_pitch_profile(const float* frequencies_hz, const float* levels, int32_t count,
                        float pitch_base_hz, float semitone_scale, float* profile);
