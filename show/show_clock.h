#pragma once

#include <cstdint>
#include <vector>

struct AudioTrack;
struct Scene;

// Frames a second a clock runs at when none are asked for.
inline constexpr int32_t DEFAULT_FRAMES_PER_SECOND = 30;

// The play position, in frames of sound, that video frame `index` at `fps`
// frames a second stands for: its time k / fps rounded up to a whole frame
// of sound.
int64_t sound_frame_of(int64_t index, int32_t fps);

// Runs the show as the live show runs it, without a sound card: video frame
// k is reached by playing the track through its own audio callback, block
// by block as the sound library would, until the play position has
// reached the frame's time (the position is then a whole number of blocks
// from the start, as it always is live, or the end of the track), and then
// ticking the scene once, as the live idle step does. The analysis has
// therefore heard exactly the samples up to the play position, and the
// scene sees the position, levels and cues it would see live in a show
// running at fps frames a second. The fields are the plain reads.
struct ShowClock {
    AudioTrack* track = nullptr;  // borrowed
    Scene* scene = nullptr;       // borrowed
    int32_t fps = DEFAULT_FRAMES_PER_SECOND;
    int64_t frame = -1;  // the frame last stepped to; -1 before the first
    bool ended = false;  // the track has played to its end
    // When set, every frame of sound played is appended, as the sound card
    // would receive it: interleaved stereo floats.
    std::vector<float>* heard = nullptr;

    // Steps to the next frame: plays the sound up to its time
    // (play_next_frame), then ticks the scene. The first tick (frame 0, at
    // position 0) only starts the scene, as the live show's first idle
    // step does.
    void step();
    // The sound half of a step: counts the next frame and plays up to its
    // time, leaving the scene to be ticked.
    void play_next_frame();
    // Frames of sound played so far.
    int64_t sound_position() const;
    // The play position in seconds, as the show reads it.
    double seconds() const;
};

// Plays the track block by block from where it stands until its play
// position reaches `sound_frame` or the track ends; appends what was played
// to `heard` when given. True once the track has ended.
bool play_until(AudioTrack& track, int64_t sound_frame, std::vector<float>* heard);
