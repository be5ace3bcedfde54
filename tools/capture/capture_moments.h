#pragma once

#include <cstdint>

#include "show/show_clock.h"
#include "tools/capture/capture_time.h"

// Moments as the clock reaches them.

// Whether the show, as the clock has it now, has reached the moment: its
// play position is at or past the time (for a pattern, as the show's own
// cue step computes the pattern position, so that a capture at pattern N
// has seen that pattern's cue), or the track has ended, after which
// nothing comes.
bool time_reached(const CaptureTime& time, const ShowClock& clock);

// About when the moment comes, in seconds of music, for planning ahead.
double time_estimate_seconds(const CaptureTime& time, const ShowClock& clock);
// About which frame first reaches the moment: the first whose own time is
// not before it. The frame that does may be one earlier (the play position
// runs up to a block ahead of a frame's time).
int64_t frame_estimate(const CaptureTime& time, const ShowClock& clock);
