#pragma once

#include <cstdint>

// Processor time used by the process so far, in seconds.
double clock_seconds();

// Wall-clock time in whole milliseconds (gettimeofday), as the frame-rate
// reports measure it.
int64_t wall_clock_ms();
