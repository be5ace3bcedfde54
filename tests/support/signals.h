#pragma once

#include <vector>

// Generated test signals at 44100 Hz.

// frames samples of amplitude x sin(2 pi hz t), starting at phase 0.
std::vector<float> sine_tone(double hz, double amplitude, int frames);

// The mono signal followed by that many frames of silence.
std::vector<float> then_silence(std::vector<float> mono, int silent_frames);

// Interleaved stereo with the mono signal on the left (or right) channel
// and silence on the other.
std::vector<float> on_left(const std::vector<float>& mono);
std::vector<float> on_right(const std::vector<float>& mono);
