#pragma once

#include <vector>

#include "tools/composer/mix.h"

// A room around the sound: eight damped feedback combs and four all-pass
// filters per side, the right side's delays a little longer than the
// left's, so the mono send comes back wide. Adds it into `into`.
void add_reverb(const Send& send, StereoBus& into);

// Echoes that bounce between the sides, each one darker and softer than
// the one before. Adds them into `into`.
void add_echoes(const Send& send, StereoBus& into, double delay_seconds, double feedback);

// The finished track as interleaved stereo floats: the mix gently limited,
// brought to a peak of 0.8, faded in over a few milliseconds and out over
// the last `fade_out_seconds`, so that it starts and ends in silence.
// The peak leaves room for the encoder, whose output overshoots a little.
std::vector<float> master(const StereoBus& mix, double fade_out_seconds);
