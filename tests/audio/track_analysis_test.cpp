// The track's analysis, driven through its audio callback with generated
// tone files: no stream, no sound server.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <new>
#include <vector>

#include "audio/analysis_snapshot.h"
#include "audio/audio_track.h"
#include "audio/spectrum_analyser.h"
#include "bench/music_like.h"
#include "tests/support/signals.h"
#include "tests/support/sound_files.h"

// Allocations made on this thread while counting is on: the callback runs
// on the stream thread, where an allocation could wait on the allocator's
// lock or the system.
namespace {
thread_local bool counting_allocations = false;
thread_local int allocations = 0;
}  // namespace

// The replacements pair malloc with free; the compiler, seeing only the
// free inside an operator delete, takes it for a mismatch.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void* operator new(std::size_t size) {
    if (counting_allocations) ++allocations;
    if (void* memory = std::malloc(size == 0 ? 1 : size)) return memory;
    throw std::bad_alloc();
}
void operator delete(void* memory) noexcept { std::free(memory); }
void operator delete(void* memory, std::size_t) noexcept { std::free(memory); }
#pragma GCC diagnostic pop

namespace {
using testing::internal::CaptureStderr;
using testing::internal::GetCapturedStderr;

constexpr int RATE = 44100;
constexpr int BIN_659 = 21;
constexpr double BLOCK_MS = 256.0 * 1000.0 / RATE;

struct TrackAnalysisTest : testing::Test {
    TempDir dir;
    AudioTrack* track = AudioTrack::create();
    ~TrackAnalysisTest() override { AudioTrack::destroy(track); }

    // Writes the samples and opens them in the track, or opens the ones
    // written last in another track.
    void open(const std::vector<float>& stereo, AudioTrack* another = nullptr) {
        const std::string path = dir.file("tone.wav");
        if (another == nullptr) write_sound(path, SF_FORMAT_WAV | SF_FORMAT_FLOAT, 2, RATE, stereo);
        AudioTrack* into = another != nullptr ? another : track;
        CaptureStderr();
        ASSERT_EQ(into->open_file(path.c_str()), 1);
        GetCapturedStderr();
        into->seek_seconds(0.0);
    }

    void play_blocks(int blocks, unsigned int frames = 256, AudioTrack* through = nullptr) {
        std::vector<float> output(static_cast<size_t>(frames) * 2);
        for (int b = 0; b < blocks; ++b)
            AudioTrack::audio_callback(output.data(), nullptr, frames, 0.0, 0, through != nullptr ? through : track);
    }

    // Blocks played until the bin's level reaches 0, at most limit.
    int blocks_until_silent(int bin, int limit) {
        int blocks = 0;
        while (track->levels[bin] > 0.0f && blocks < limit) {
            play_blocks(1);
            ++blocks;
        }
        return blocks;
    }

    std::array<float, 12> profile() {
        std::array<float, 12> classes{};
        track->copy_pitch_profile(classes.data());
        return classes;
    }
};

int loudest_class(const std::array<float, 12>& classes) {
    return static_cast<int>(std::max_element(classes.begin(), classes.end()) - classes.begin());
}
}  // namespace

TEST_F(TrackAnalysisTest, CreatedWithTheMelBankAndNothingHeard) {
    EXPECT_EQ(track->bin_count, 112);
    ASSERT_NE(track->analyser, nullptr);
    EXPECT_EQ(track->analyser->bin_count, 112);
    EXPECT_EQ(track->bin_frequencies, track->analyser->nominal_hz);
    EXPECT_NEAR(track->bin_frequencies[BIN_659], 659.2f, 0.05f);
    // No smoothing at first (the levels fall silent with the tone, below),
    // and pitch classes counted from C (the profile cases below).
    for (const std::vector<float>* array : {&track->levels, &track->frequencies, &track->phases,
                                            &track->peaks, &track->level_state, &track->frequency_state}) {
        ASSERT_EQ(array->size(), 112u);
        EXPECT_TRUE(std::all_of(array->begin(), array->end(), [](float x) { return x == 0.0f; }));
    }
    EXPECT_EQ(track->level_at(647.0f), 0.0f);
    EXPECT_EQ(profile(), (std::array<float, 12>{}));
}

TEST_F(TrackAnalysisTest, SmoothingCoefficientFromMilliseconds) {
    track->set_smoothing_ms(5.0f);
    EXPECT_NEAR(track->smoothing, 0.000679f, 0.000001f);
    track->set_smoothing_ms(1000.0f);
    EXPECT_NEAR(track->smoothing, 0.964183f, 0.000001f);  // 172.27 blocks
    // No time at all, or less, is no smoothing (not a division by zero or
    // a coefficient above 1 that would make the levels grow).
    track->set_smoothing_ms(0.0f);
    EXPECT_EQ(track->smoothing, 0.0f);
    track->set_smoothing_ms(-5.0f);
    EXPECT_EQ(track->smoothing, 0.0f);
}

TEST_F(TrackAnalysisTest, SteadyToneGivesItsBinLevelAndFrequency) {
    open(on_left(sine_tone(670.0, 0.5, 3 * RATE)));
    play_blocks(2 * RATE / 256);
    // Amplitude 0.5 is -6 dB: level 0.9.
    EXPECT_NEAR(track->level_at(647.0f), 0.9f, 0.005f);
    EXPECT_EQ(track->level_at(647.0f), track->levels[BIN_659]);
    EXPECT_NEAR(track->frequencies[BIN_659], 670.0f, 0.1f);
    EXPECT_GT(track->peaks[BIN_659], 0.49f);
    EXPECT_EQ(track->peaks[BIN_659 + 1], 0.0f);
    EXPECT_TRUE(std::isfinite(track->phases[BIN_659]));
    // Far from the tone, silence.
    EXPECT_EQ(track->level_at(10000.0f), 0.0f);
}

TEST_F(TrackAnalysisTest, LevelAtPicksTheFirstBinAtOrAboveTheFrequency) {
    open(on_left(sine_tone(20.0, 0.5, 2 * RATE)));
    play_blocks(RATE / 256);
    ASSERT_GT(track->levels[0], 0.5f);
    EXPECT_EQ(track->level_at(0.0f), track->levels[0]);
    EXPECT_EQ(track->level_at(-100.0f), track->levels[0]);
    EXPECT_EQ(track->level_at(track->bin_frequencies[0]), track->levels[0]);
    EXPECT_EQ(track->level_at(track->bin_frequencies[0] + 0.01f), track->levels[1]);
    EXPECT_EQ(track->level_at(647.0f), track->levels[BIN_659]);
    EXPECT_EQ(track->level_at(19999.0f), track->levels[111]);
    EXPECT_EQ(track->level_at(20001.0f), 0.0f);

    // Band levels: the mean over the centres inside, inclusive.
    const float first_two = (track->levels[0] + track->levels[1]) / 2.0f;
    EXPECT_FLOAT_EQ(track->band_level(track->bin_frequencies[0], track->bin_frequencies[1]), first_two);
    EXPECT_EQ(track->band_level(0.0f, 30.0f), track->levels[0]);
    EXPECT_EQ(track->band_level(25.0f, 30.0f), 0.0f);  // no centre inside
    EXPECT_EQ(track->band_level(100.0f, 50.0f), 0.0f);
}

TEST_F(TrackAnalysisTest, LevelsReachZeroWhenTheToneStops) {
    // 345 whole blocks of tone (2 s), then silence.
    open(on_left(then_silence(sine_tone(659.2, 0.5, 345 * 256), 2 * RATE)));
    play_blocks(345);
    ASSERT_NEAR(track->level_at(647.0f), 0.9f, 0.005f);
    const double ms = blocks_until_silent(BIN_659, 400) * BLOCK_MS;
    EXPECT_GT(ms, 70.0);
    EXPECT_LT(ms, 100.0);
}

TEST_F(TrackAnalysisTest, LowestBinTakesLongestToFallSilent) {
    open(on_left(then_silence(sine_tone(20.0, 0.5, 690 * 256), 3 * RATE)));
    play_blocks(690);
    ASSERT_NEAR(track->level_at(0.0f), 0.9f, 0.005f);
    const double ms = blocks_until_silent(0, 400) * BLOCK_MS;
    EXPECT_GT(ms, 1200.0);
    EXPECT_LT(ms, 1400.0);
}

TEST_F(TrackAnalysisTest, SmoothingSlowsTheLevels) {
    open(on_left(sine_tone(659.2, 0.5, 2 * RATE)));
    play_blocks(30);
    const float unsmoothed = track->level_at(647.0f);

    AudioTrack* slow = AudioTrack::create();
    std::swap(slow->sample_buffer, track->sample_buffer);
    slow->set_smoothing_ms(5000.0f);
    std::vector<float> output(512);
    for (int b = 0; b < 30; ++b) AudioTrack::audio_callback(output.data(), nullptr, 256, 0.0, 0, slow);
    const float smoothed = slow->level_at(647.0f);
    const float smoothed_frequency = slow->frequencies[BIN_659];
    AudioTrack::destroy(slow);
    EXPECT_GT(unsmoothed, 0.8f);
    EXPECT_LT(smoothed, unsmoothed * 0.5f);
    EXPECT_GT(smoothed, 0.0f);
    // The smoothed frequency climbs from 0 towards the tone.
    EXPECT_GT(smoothed_frequency, 0.0f);
    EXPECT_LT(smoothed_frequency, 659.2f * 0.5f);
}

TEST_F(TrackAnalysisTest, PitchProfileFollowsTheTone) {
    open(on_left(sine_tone(659.2, 0.5, RATE)));
    play_blocks(RATE / 256);
    std::array<float, 12> classes = profile();
    EXPECT_EQ(loudest_class(classes), 4);  // E
    EXPECT_GE(classes[4], track->levels[BIN_659]);
    // Every bin lands in one class.
    float levels = 0.0f;
    for (float level : track->levels) levels += level;
    float total = 0.0f;
    for (float entry : classes) total += entry;
    EXPECT_NEAR(total, levels, 1e-4f);

    open(on_left(sine_tone(440.0, 0.5, RATE)));
    play_blocks(RATE / 256);
    EXPECT_EQ(loudest_class(profile()), 9);  // A
}

TEST_F(TrackAnalysisTest, FrozenSmoothingLeavesFrequencylessBinsOutOfTheProfile) {
    // So long a time that the coefficient rounds to 1: the smoothed
    // frequencies stay at 0 Hz, where there is no pitch class.
    track->set_smoothing_ms(1e12f);
    ASSERT_EQ(track->smoothing, 1.0f);
    open(on_left(sine_tone(659.2, 0.5, RATE)));
    play_blocks(20);
    EXPECT_EQ(track->frequencies[BIN_659], 0.0f);
    EXPECT_EQ(profile(), (std::array<float, 12>{}));
}

TEST_F(TrackAnalysisTest, OnlyTheLeftChannelIsAnalysed) {
    open(on_right(sine_tone(659.2, 0.5, RATE)));
    play_blocks(RATE / 256);
    for (int i = 0; i < 112; ++i) ASSERT_EQ(track->levels[i], 0.0f) << i;
}

TEST_F(TrackAnalysisTest, CallbackAllocatesNothing) {
    open(on_left(then_silence(sine_tone(659.2, 0.5, RATE / 2), RATE / 2)));
    track->set_smoothing_ms(5.0f);
    std::vector<float> output(2 * 1024);
    AnalysisSnapshot snapshot;
    analysis_snapshot_take(*track, snapshot);
    counting_allocations = true;
    for (int b = 0; b < 20; ++b) {
        // Pauses, jumps and snapshots taken into one of the right sizes too.
        track->set_paused(b % 5 == 4);
        if (b % 3 == 0) track->jump_to(256 * b, &snapshot);
        if (b % 4 == 0) analysis_snapshot_take(*track, snapshot);
        AudioTrack::audio_callback(output.data(), nullptr, 1024, 0.0, 0, track);
    }
    counting_allocations = false;
    EXPECT_EQ(allocations, 0);
    EXPECT_GT(track->level_state[BIN_659], 0.0f);  // the analysis did run
}

TEST_F(TrackAnalysisTest, LongCallbackBlocksAnalyseLikeTheirSlices) {
    const std::vector<float> tone = on_left(sine_tone(659.2, 0.5, RATE));
    open(tone);
    play_blocks(20, 1024);  // four 256-frame slices each

    AudioTrack* sliced = AudioTrack::create();
    std::swap(sliced->sample_buffer, track->sample_buffer);
    sliced->position = 0;
    std::vector<float> output(512);
    for (int b = 0; b < 80; ++b) AudioTrack::audio_callback(output.data(), nullptr, 256, 0.0, 0, sliced);
    EXPECT_EQ(sliced->levels, track->levels);
    EXPECT_EQ(sliced->frequencies, track->frequencies);
    std::swap(sliced->sample_buffer, track->sample_buffer);
    AudioTrack::destroy(sliced);
}

namespace {
AnalysisSnapshot state_of(AudioTrack* track) {
    AnalysisSnapshot snapshot;
    analysis_snapshot_take(*track, snapshot);
    return snapshot;
}

// How a track comes back to the analysis of a straight run at block 40:
// a snapshot of it restored into a track that played on past it, or into
// a fresh one; handed over by a jump from elsewhere, as the show does from
// its shadow track; or the track paused there for ten blocks.
enum class Back { PlayedOn, Fresh, Jumped, Paused };
struct BackCase {
    const char* name;
    Back how;
};

struct AnalysisComesBack : TrackAnalysisTest, testing::WithParamInterface<BackCase> {};
}  // namespace

TEST_P(AnalysisComesBack, AndGoesOnBitForBitAsTheStraightRun) {
    const Back how = GetParam().how;
    open(music_like_samples(1));
    AudioTrack* straight = AudioTrack::create();
    open({}, straight);
    straight->set_smoothing_ms(50.0f);
    play_blocks(40, 256, straight);
    const AnalysisSnapshot at_40 = state_of(straight);
    if (how == Back::Paused) {
        track->set_smoothing_ms(50.0f);
        play_blocks(40);
        track->set_paused(true);
        std::vector<float> output(512);
        for (int b = 0; b < 10; ++b) {
            AudioTrack::audio_callback(output.data(), nullptr, 256, 0.0, 0, track);
            // Silent after the first block's fade.
            ASSERT_TRUE(std::all_of(output.begin() + (b == 0 ? 2 * FADE_FRAMES : 0), output.end(),
                                    [](float x) { return x == 0.0f; }));
            ASSERT_TRUE(state_of(track) == at_40 && track->position == 2 * 40 * 256);
        }
        track->set_paused(false);
    } else {
        if (how != Back::Fresh) play_blocks(25);
        ASSERT_FALSE(state_of(track) == at_40);
        if (how == Back::Jumped) {
            track->jump_to(40 * 256, &at_40);
        } else {
            analysis_snapshot_restore(*track, at_40);
            track->position = 2 * 40 * 256;
        }
        EXPECT_TRUE(state_of(track) == at_40);
    }
    for (int b = 0; b < 30; ++b) {
        play_blocks(1);
        play_blocks(1, 256, straight);
        ASSERT_TRUE(state_of(track) == state_of(straight)) << "block " << b << " after";
    }
    AudioTrack::destroy(straight);
}

INSTANTIATE_TEST_SUITE_P(Cases, AnalysisComesBack,
                         testing::Values(BackCase{"RestoredAfterPlayingOn", Back::PlayedOn},
                                         BackCase{"RestoredIntoAFreshTrack", Back::Fresh},
                                         BackCase{"JumpedToFromElsewhere", Back::Jumped},
                                         BackCase{"PausedAndResumed", Back::Paused}),
                         [](const testing::TestParamInfo<BackCase>& info) { return std::string(info.param.name); });
