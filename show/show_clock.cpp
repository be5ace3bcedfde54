#include "show/show_clock.h"

#include <array>

#include "audio/audio_track.h"
#include "show/scene.h"

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
