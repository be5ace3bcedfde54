// The track shared by two threads, as when it plays: the stream's thread
// runs the callback block after block while the drawing thread reads the
// analysis and the position, seeks, changes the smoothing and stops. No
// sound server is needed: the callback is driven here. (Starting is left
// out: without a sound server it ends the program, as the show does.)
// scripts/test builds this program with ThreadSanitizer (build/tsan), which
// fails it on any access the two threads make to the same memory unguarded.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <thread>
#include <vector>

#include "audio/audio_track.h"
#include "audio/sample_buffer.h"
#include "bench/music_like.h"
#include "tests/support/sound_files.h"

namespace {
using testing::internal::CaptureStderr;
using testing::internal::GetCapturedStderr;

constexpr int TRACK_SECONDS = 3;
constexpr int STRESS_BLOCKS = 2000;  // about 12 s of sound, four times the track

struct Bounds {
    int out_of_range_levels = 0;
    int bad_profiles = 0;
    int bad_positions = 0;
    int reads = 0;
};

// The drawing thread's side: everything it may do while the track plays,
// over and over until the callback thread is done, noting any value outside
// what the track promises.
Bounds read_while_playing(AudioTrack* track, const std::atomic<bool>& done) {
    Bounds bounds;
    const int64_t samples = track->sample_buffer->sample_count;
    std::array<float, PITCH_CLASSES> profile{};
    for (int round = 0; !done.load(); ++round) {
        for (float hz : {40.0f, 440.0f, 5000.0f}) {
            const float level = track->level_at(hz);
            if (!(level >= 0.0f && level <= 1.0f)) ++bounds.out_of_range_levels;
        }
        const float band = track->band_level(100.0f, 2000.0f);
        if (!(band >= 0.0f && band <= 1.0f)) ++bounds.out_of_range_levels;
        track->copy_pitch_profile(profile.data());
        if (!std::all_of(profile.begin(), profile.end(), [](float v) { return std::isfinite(v) && v >= 0.0f; }))
            ++bounds.bad_profiles;
        const int64_t position = track->position.load();
        if (position < 0 || position > samples || position % PLAYBACK_CHANNELS != 0) ++bounds.bad_positions;
        const double seconds = track->position_seconds();
        if (!(seconds >= 0.0 && seconds <= track->length_seconds())) ++bounds.bad_positions;
        static_cast<void>(track->frames_played());
        static_cast<void>(track->at_end());
        if (round % 7 == 0) track->seek_seconds(0.5 * (round % 5));
        if (round % 11 == 0) track->set_smoothing_ms(static_cast<float>(round % 300));
        if (round % 97 == 0) track->stop();
        ++bounds.reads;
    }
    return bounds;
}
}  // namespace

TEST(AudioTrackThreads, ReadersSeeksAndStopsBesideTheCallbackSeeOnlyWholeState) {
    TempDir dir;
    const std::string path = dir.file("music.wav");
    write_sound(path, SF_FORMAT_WAV | SF_FORMAT_FLOAT, 2, PLAYBACK_SAMPLE_RATE, music_like_samples(TRACK_SECONDS));
    AudioTrack* track = AudioTrack::create();
    CaptureStderr();
    ASSERT_EQ(track->open_file(path.c_str()), 1);
    GetCapturedStderr();  // the load report; what a sanitizer reports later stays visible

    std::atomic<bool> done{false};
    int blocks = 0;
    float loudest = 0.0f;
    std::thread stream([&] {
        std::vector<float> output(BLOCK_FRAMES * PLAYBACK_CHANNELS);
        for (; blocks < STRESS_BLOCKS; ++blocks) {
            // At the end of the track it plays again from the start.
            if (AudioTrack::audio_callback(output.data(), nullptr, BLOCK_FRAMES, 0.0, 0, track) != 0)
                track->seek_seconds(0.0);
            for (float sample : output) loudest = std::max(loudest, std::fabs(sample));
        }
        done = true;
    });
    const Bounds bounds = read_while_playing(track, done);
    stream.join();
    AudioTrack::destroy(track);

    EXPECT_EQ(blocks, STRESS_BLOCKS);
    EXPECT_GT(loudest, 0.1f) << "the track was not heard";
    EXPECT_GT(bounds.reads, 0);
    EXPECT_EQ(bounds.out_of_range_levels, 0);
    EXPECT_EQ(bounds.bad_profiles, 0);
    EXPECT_EQ(bounds.bad_positions, 0);
}
