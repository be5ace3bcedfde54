#pragma once

#include <vector>

// Interleaved stereo at 44100 Hz that keeps an encoder or an analyser busy
// the way music does: a three-note chord under noise hits on a beat.
std::vector<float> music_like_samples(int seconds);
