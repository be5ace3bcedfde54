// The track shared by two threads, as when it plays: the stream's thread
// runs the callback block after block while the drawing thread reads the
// analysis and the position, seeks, changes the smoothing, starts and
// stops. The first case drives the callback itself and needs no sound
// server; the second starts and stops real streams on a sound server of
// its own, the callback then running on the sound library's thread.
// scripts/test builds this program with ThreadSanitizer (build/tsan), which
// fails it on any access the two threads make to the same memory unguarded.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cmath>
#include <thread>
#include <vector>

#include "audio/audio_track.h"
#include "audio/sample_buffer.h"
#include "bench/music_like.h"
#include "tests/support/pulse_server.h"
#include "tests/support/sound_files.h"

#if defined(__SANITIZE_THREAD__)
// PulseAudio's client library, built without ThreadSanitizer, hands its
// packets between its threads with atomics of its own that ThreadSanitizer
// cannot see; what it reports inside that library is not ours to judge.
// A race in our code has no frame there and is still reported.
extern "C" const char* __tsan_default_suppressions() {
    return "race:libpulsecommon\n";
}
#endif

namespace {
using testing::internal::CaptureStderr;
using testing::internal::GetCapturedStderr;

constexpr int TRACK_SECONDS = 3;
constexpr int STRESS_BLOCKS = 2000;  // about 12 s of sound, four times the track
constexpr int START_STOP_CYCLES = 5;
// How long each started stream is read beside: about 35 blocks. (Stopping
// a playing stream then takes the sound library two seconds.)
constexpr auto READ_SPAN_PER_START = std::chrono::milliseconds(200);

struct Bounds {
    int out_of_range_levels = 0;
    int bad_profiles = 0;
    int bad_positions = 0;
    int reads = 0;
};

// The drawing thread's reading side, once: every value it may ask for
// while the track plays, noting any outside what the track promises.
void read_once(AudioTrack* track, Bounds& bounds) {
    const int64_t samples = track->sample_buffer->sample_count;
    std::array<float, PITCH_CLASSES> profile{};
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
    const double heard = track->heard_seconds();
    if (!(heard >= 0.0 && heard <= track->length_seconds())) ++bounds.bad_positions;
    static_cast<void>(track->frames_played());
    static_cast<void>(track->at_end());
    ++bounds.reads;
}

// The drawing thread's changes, spread over the rounds.
void change_in_round(AudioTrack* track, int round, bool may_stop) {
    if (round % 7 == 0) track->seek_seconds(0.5 * (round % 5));
    if (round % 11 == 0) track->set_smoothing_ms(static_cast<float>(round % 300));
    if (may_stop && round % 97 == 0) track->stop();
}

AudioTrack* open_music(const TempDir& dir) {
    const std::string path = dir.file("music.wav");
    write_sound(path, SF_FORMAT_WAV | SF_FORMAT_FLOAT, 2, PLAYBACK_SAMPLE_RATE, music_like_samples(TRACK_SECONDS));
    AudioTrack* track = AudioTrack::create();
    CaptureStderr();
    EXPECT_EQ(track->open_file(path.c_str()), 1);
    GetCapturedStderr();  // the load report; what a sanitizer reports later stays visible
    return track;
}

void expect_whole_state(const Bounds& bounds) {
    EXPECT_GT(bounds.reads, 0);
    EXPECT_EQ(bounds.out_of_range_levels, 0);
    EXPECT_EQ(bounds.bad_profiles, 0);
    EXPECT_EQ(bounds.bad_positions, 0);
}
}  // namespace

TEST(AudioTrackThreads, ReadersSeeksAndStopsBesideTheCallbackSeeOnlyWholeState) {
    TempDir dir;
    AudioTrack* track = open_music(dir);
    ASSERT_NE(track->sample_buffer, nullptr);

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
    Bounds bounds;
    for (int round = 0; !done.load(); ++round) {
        read_once(track, bounds);
        change_in_round(track, round, true);
    }
    stream.join();
    AudioTrack::destroy(track);

    EXPECT_EQ(blocks, STRESS_BLOCKS);
    EXPECT_GT(loudest, 0.1f) << "the track was not heard";
    expect_whole_state(bounds);
}

// Each start opens a stream whose callback runs on the library's thread
// from then on; each stop ends it. Between the two, the drawing thread
// reads and seeks as it does in the show.
TEST(AudioTrackThreads, StartsAndStopsBesideTheLibrarysStreamThread) {
    OwnSoundServer server;
    if (!server.running()) GTEST_SKIP() << "no sound server could be started";
    TempDir dir;
    AudioTrack* track = open_music(dir);
    ASSERT_NE(track->sample_buffer, nullptr);

    Bounds bounds;
    int started = 0;
    int moved = 0;
    for (int cycle = 0; cycle < START_STOP_CYCLES; ++cycle) {
        if (track->start() != 1) break;
        ++started;
        // The first block the library's thread hands on moves the position.
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (track->position.load() == 0 && std::chrono::steady_clock::now() < deadline) read_once(track, bounds);
        if (track->position.load() > 0) ++moved;
        const auto read_until = std::chrono::steady_clock::now() + READ_SPAN_PER_START;
        for (int round = 1; std::chrono::steady_clock::now() < read_until; ++round) {
            read_once(track, bounds);
            change_in_round(track, round, false);
        }
        EXPECT_EQ(track->stop(), 1);
    }
    AudioTrack::destroy(track);

    EXPECT_EQ(started, START_STOP_CYCLES);
    EXPECT_EQ(moved, started) << "a started stream never took a block";
    expect_whole_state(bounds);
}
