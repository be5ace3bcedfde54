#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct ShowClock;

// A moment of the show to capture, as the user wrote it: seconds of music
// ("12.5"), a pattern ("p30", "p10.5") or the end ("end").
struct CaptureTime {
    enum class Kind { seconds, pattern, end };
    Kind kind = Kind::end;
    double value = 0.0;  // seconds or patterns
    std::string text;    // as written, for file names and messages
};

// Reads one moment; 0 with a line on standard error when it is none.
int32_t parse_capture_time(const std::string& text, CaptureTime& out);

// Reads a comma-separated list of moments; 0 with a line on standard error
// when one is wrong or the list is empty.
int32_t parse_capture_times(const std::string& list, std::vector<CaptureTime>& out);

// Whether a range from `from` to `to` runs backwards as written: the end
// comes after every moment, and moments of one kind compare by their
// values; a pattern and seconds compare only with the pattern's length in
// seconds (0 or less: not known, so never backwards).
bool range_backwards(const CaptureTime& from, const CaptureTime& to, double pattern_seconds);

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
