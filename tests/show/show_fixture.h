#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <string>

#include "audio/audio_track.h"
#include "audio/sample_buffer.h"
#include "show/scene.h"
#include "show/show.h"
#include "show/show_session.h"
#include "show/show_state.h"
#include "tests/support/signals.h"

// Mono samples held in memory, `frames` frames of a sine at `hz` and
// `amplitude` (0 for silence).
inline SampleBuffer* samples_in_memory(int32_t frames, float hz = 0.0f, float amplitude = 0.0f) {
    SampleBuffer* buffer = SampleBuffer::create();
    buffer->samples = sine_tone(hz, amplitude, frames);
    buffer->sample_count = buffer->frame_count = frames;
    buffer->channel_count = 1;
    return buffer;
}

// A track of such samples: no file, no device.
inline AudioTrack* track_in_memory(int32_t frames, float hz = 0.0f, float amplitude = 0.0f) {
    AudioTrack* track = AudioTrack::create();
    track->sample_buffer = samples_in_memory(frames, hz, amplitude);
    return track;
}

// The show's files: that font and that music, no tracks.
inline ShowFiles show_files(const std::string& font, const std::string& music) {
    ShowFiles files;
    files.font_path = font;
    files.music_path = music;
    return files;
}

// Opens a show (a ShowSession call) with its report and glyph art kept
// from the test's output; what it wrote to standard error goes to `said`.
template <typename Open>
ShowSession* open_quietly(Open open, std::string* said = nullptr) {
    testing::internal::CaptureStderr();
    testing::internal::CaptureStdout();
    ShowSession* session = open();
    testing::internal::GetCapturedStdout();
    const std::string err = testing::internal::GetCapturedStderr();
    if (said != nullptr) *said = err;
    return session;
}

// Without a font, so no OpenGL is needed to open it.
inline ShowSession* open_in_memory(SampleBuffer* samples, std::string* said = nullptr) {
    return open_quietly([&] { return show_session_open_samples(samples, nullptr, 1920, 1080); }, said);
}

// The show over a track of 26 s, whose 104 patterns last exactly 0.25 s
// (11025 frames): pattern boundaries fall on whole frames exactly.
struct ShowInMemory {
    static constexpr int32_t FRAMES_PER_PATTERN = 11025;
    ShowSession* session = nullptr;
    AudioTrack* track = nullptr;  // the session's
    Scene* scene = nullptr;

    explicit ShowInMemory(float hz = 0.0f, float amplitude = 0.0f)
        : session(open_in_memory(samples_in_memory(104 * FRAMES_PER_PATTERN, hz, amplitude))),
          track(session->track),
          scene(session->scene) {}
    ~ShowInMemory() { show_session_close(session); }
    ShowInMemory(const ShowInMemory&) = delete;
    ShowInMemory& operator=(const ShowInMemory&) = delete;

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

struct ShowScene : testing::Test, ShowInMemory {
    explicit ShowScene(float hz = 0.0f, float amplitude = 0.0f) : ShowInMemory(hz, amplitude) {}
};
