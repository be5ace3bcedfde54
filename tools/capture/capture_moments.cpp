#include "tools/capture/capture_moments.h"

#include <algorithm>
#include <cmath>

#include "audio/audio_track.h"
#include "show/show.h"

bool time_reached(const CaptureTime& time, const ShowClock& clock) {
    if (clock.ended) return true;
    switch (time.kind) {
        case CaptureTime::Kind::seconds:
            // In whole frames of sound, free of rounding in the seconds.
            return static_cast<double>(clock.sound_position()) >= time.value * PLAYBACK_SAMPLE_RATE - 1e-6;
        case CaptureTime::Kind::pattern: {
            const double length = show_pattern_length(clock.scene);
            return length > 0.0 && clock.seconds() / length >= time.value;
        }
        case CaptureTime::Kind::end: return false;
    }
    return false;
}

double time_estimate_seconds(const CaptureTime& time, const ShowClock& clock) {
    const double length = clock.track->length_seconds();
    switch (time.kind) {
        case CaptureTime::Kind::seconds: return std::min(time.value, length);
        case CaptureTime::Kind::pattern: return std::min(time.value * show_pattern_length(clock.scene), length);
        case CaptureTime::Kind::end: break;
    }
    return length;
}

int64_t frame_estimate(const CaptureTime& time, const ShowClock& clock) {
    return static_cast<int64_t>(std::ceil(time_estimate_seconds(time, clock) * clock.fps - 1e-9));
}
