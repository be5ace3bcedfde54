#pragma once

#include <cstdint>
#include <string>
#include <vector>


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
