#include "tools/capture/show_clock.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "audio/audio_track.h"
#include "show/scene.h"
#include "show/show.h"

int64_t sound_frame_of(int64_t index, int32_t fps) {
    if (index <= 0 || fps <= 0) return 0;
    return (index * PLAYBACK_SAMPLE_RATE + fps - 1) / fps;
}

bool play_until(AudioTrack& track, int64_t sound_frame, std::vector<float>* heard) {
    std::array<float, static_cast<size_t>(BLOCK_FRAMES) * PLAYBACK_CHANNELS> block{};
    while (!track.at_end() && track.frames_played() < sound_frame) {
        const int64_t before = track.frames_played();
        const int stop = AudioTrack::audio_callback(block.data(), nullptr, BLOCK_FRAMES, 0.0, 0, &track);
        if (heard != nullptr) {
            // A block the end of the track cut short is silence after its
            // last frame; only the frames played count.
            const auto played = static_cast<size_t>(track.frames_played() - before);
            heard->insert(heard->end(), block.begin(), block.begin() + played * PLAYBACK_CHANNELS);
        }
        if (stop != 0) break;
    }
    return track.at_end();
}

void ShowClock::step() {
    play_next_frame();
    scene_tick(scene);
}

void ShowClock::play_next_frame() {
    ++frame;
    if (!ended) ended = play_until(*track, sound_frame_of(frame, fps), heard);
}

int64_t ShowClock::sound_position() const { return track->frames_played(); }

double ShowClock::seconds() const { return track->position_seconds(); }

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
