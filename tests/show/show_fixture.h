#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <string>

#include "audio/audio_track.h"
#include "audio/sample_buffer.h"
#include "show/scene.h"
#include "show/show.h"
#include "show/show_state.h"
#include "tests/support/signals.h"

// A mono track held in memory, of `frames` frames of a sine at `hz` and
// `amplitude` (0 for silence): no file, no device.
inline AudioTrack* track_in_memory(int32_t frames, float hz = 0.0f, float amplitude = 0.0f) {
    AudioTrack* track = AudioTrack::create();
    SampleBuffer* buffer = SampleBuffer::create();
    buffer->samples = sine_tone(hz, amplitude, frames);
    buffer->sample_count = buffer->frame_count = frames;
    buffer->channel_count = 1;
    track->sample_buffer = buffer;
    return track;
}

// The show's scene over a track of 26 s, whose 104 patterns last exactly
// 0.25 s (11025 frames): pattern boundaries fall on whole frames exactly.
struct ShowScene : testing::Test {
    static constexpr int32_t FRAMES_PER_PATTERN = 11025;
    AudioTrack* track = nullptr;
    Scene* scene = nullptr;
    std::string report;  // what show_build wrote to standard error

    explicit ShowScene(float hz = 0.0f, float amplitude = 0.0f)
        : track(track_in_memory(104 * FRAMES_PER_PATTERN, hz, amplitude)) {
        testing::internal::CaptureStderr();
        scene = show_build(track, 13, 104, nullptr, 1920, 1080);
        report = testing::internal::GetCapturedStderr();
        testing::internal::CaptureStdout();
        scene_setup(scene);
        testing::internal::GetCapturedStdout();
        scene_set_window(scene, 0.0, track->length_seconds());
    }
    ~ShowScene() override {
        scene_destroy(scene);
        AudioTrack::destroy(track);
    }

    ShowState& state() { return *scene->state; }
    // Moves the play position to a pattern position (whole frames).
    void at_pattern(double pattern) {
        track->position = static_cast<int64_t>(std::llround(pattern * FRAMES_PER_PATTERN));
    }
    void update_at(double pattern) {
        at_pattern(pattern);
        show_update(scene);
    }
    // Plays the track's samples through the analysis for a while.
    void listen_for_blocks(int blocks) {
        std::vector<float> out(512);
        for (int i = 0; i < blocks; ++i) AudioTrack::audio_callback(out.data(), nullptr, 256, 0.0, 0, track);
    }
};
