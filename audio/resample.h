#pragma once

#include <cstdint>

struct SampleBuffer;

// Converts a loaded buffer's samples to another sample rate in place, with
// libsoxr at its high-quality setting (20-bit, linear phase), so that a
// song recorded at 48000 Hz plays at its own speed and pitch on a stream
// running at 44100. The counts and the rate follow the new samples. A
// buffer already at that rate, or empty, is left as it is. 1 on success;
// 0 with "error resampling <name>: <why>" on standard error, the buffer
// unchanged, when either rate lies outside 1000 to 768000 Hz, the result
// would hold more samples than 32 bits count, or the library fails.
int32_t resample_buffer(SampleBuffer& buffer, int32_t rate, const char* name);
