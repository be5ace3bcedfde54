// The clock of what is heard, driven with times of the test's own.
#include "audio/heard_clock.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <iterator>
#include <string>
#include <vector>

namespace {
constexpr int64_t MS = 1'000'000;  // nanoseconds
constexpr int64_t SECOND = 1000 * MS;
constexpr int64_t LATENCY = 1323;  // 30 ms of frames at 44100 Hz
constexpr int64_t END = 10 * 44100;
constexpr int64_t T0 = 5 * SECOND;  // some moment of the steady clock

struct ReadingCase {
    const char* name;
    int64_t latency;
    int64_t handed;
    int64_t since_block_ns;
    int64_t heard;
};

class HeardReading : public testing::TestWithParam<ReadingCase> {};
}  // namespace

TEST_P(HeardReading, IsHandedLessTheLatencyLeftToPlay) {
    const ReadingCase& c = GetParam();
    HeardClock clock;
    clock.start(c.latency);
    clock.block_handed(256, T0);
    EXPECT_EQ(clock.heard_frames(c.handed, END, T0 + c.since_block_ns), c.heard);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, HeardReading,
    testing::Values(
        ReadingCase{"JustHandedTheWholeLatencyIsAhead", LATENCY, 44100, 0, 44100 - LATENCY},
        // 15 ms play 661 frames.
        ReadingCase{"HalfTheLatencyPlayedOut", LATENCY, 44100, 15 * MS, 44100 - (LATENCY - 661)},
        ReadingCase{"AllPlayedOutAfterTheLatency", LATENCY, 44100, 30 * MS, 44100},
        ReadingCase{"NeverPastWhatWasHanded", LATENCY, 44100, 5 * SECOND, 44100},
        ReadingCase{"LessHandedThanTheLatencyIsZeroNotBelow", LATENCY, 1000, 0, 0},
        ReadingCase{"NothingHandedIsZero", LATENCY, 0, 0, 0},
        ReadingCase{"WithoutAStreamWhatWasHanded", 0, 44100, 0, 44100}),
    [](const testing::TestParamInfo<ReadingCase>& info) { return std::string(info.param.name); });

namespace {
// Blocks of 256 frames handed every `gap_ms`, `count` of them, after the
// last of `times` (or from 0).
std::vector<int64_t> then(std::vector<int64_t> times, int64_t gap_ms, int count) {
    for (int block = 0; block < count; ++block) times.push_back(times.empty() ? 0 : times.back() + gap_ms);
    return times;
}

struct UnderrunCase {
    const char* name;
    int64_t latency;
    std::vector<int64_t> block_ms;  // when each block is handed
    int ran_dry;
};

class RunningDry : public testing::TestWithParam<UnderrunCase> {};
}  // namespace

TEST_P(RunningDry, CountsBlocksThatCameAfterTheBufferPlayedOut) {
    const UnderrunCase& c = GetParam();
    HeardClock clock;
    clock.start(c.latency);
    int ran_dry = 0;
    for (const int64_t ms : c.block_ms) ran_dry += clock.block_handed(256, T0 + ms * MS) ? 1 : 0;
    EXPECT_EQ(ran_dry, c.ran_dry);
}

// 256 frames last 5.8 ms; of a 30 ms latency the stream itself holds 22.5 ms
// (992 frames), not quite four blocks.
INSTANTIATE_TEST_SUITE_P(
    Cases, RunningDry,
    testing::Values(
        UnderrunCase{"OnTime", LATENCY, then({}, 5, 100), 0},
        UnderrunCase{"SlowToFillIsNotDry", LATENCY, then(then({}, 50, 3), 5, 50), 0},
        UnderrunCase{"LateButWithinTheBuffer", LATENCY, then(then(then({}, 5, 20), 20, 1), 1, 5), 0},
        UnderrunCase{"JustPastWhatTheStreamHolds", LATENCY, then(then(then({}, 5, 20), 23, 1), 1, 5), 1},
        UnderrunCase{"LaterThanTheBufferOnce", LATENCY, then(then(then({}, 5, 20), 40, 1), 5, 50), 1},
        // Once dry it fills up again before it plays, so a slow refill is one underrun.
        UnderrunCase{"DryThenSlowToRefill", LATENCY, then(then(then({}, 5, 20), 40, 3), 5, 50), 1},
        UnderrunCase{"TwiceDry", LATENCY, then(then(then(then({}, 5, 20), 100, 1), 5, 20), 31, 1), 2},
        // Handed 256 frames per 308 played: dry after about thirteen blocks, full again after four.
        UnderrunCase{"AlwaysSlowerThanPlayed", LATENCY, then({}, 7, 200), 11},
        UnderrunCase{"WithoutAStreamNever", 0, then(then({}, 5, 20), 100, 5), 0},
        // Full after four blocks; the server starts taking from the stream
        // only once its sink has played out what it had queued.
        UnderrunCase{"TheServerTakesItsTimeToStart", LATENCY, then(then(then({}, 5, 4), 530, 1), 5, 50), 0},
        UnderrunCase{"LateRightAfterTheStart", LATENCY, then(then(then(then({}, 5, 4), 530, 1), 40, 1), 5, 50), 1},
        // After a dry spell the server is already playing: the wait counts.
        UnderrunCase{"DryThenFullThenLateAgain", LATENCY,
                     then(then(then(then(then({}, 5, 20), 40, 1), 5, 4), 530, 1), 5, 20), 2}),
    [](const testing::TestParamInfo<UnderrunCase>& info) { return std::string(info.param.name); });

TEST(HeardClock, NeverGoesBackWhenBlocksComeLateOrInBursts) {
    HeardClock clock;
    clock.start(LATENCY);
    // Blocks of 256 frames, some on time (every 5.8 ms), some late, some in
    // a burst; the clock is read as each block is handed and again halfway
    // to the next.
    const int64_t block_ms[] = {0, 6, 12, 32, 33, 34, 35, 41, 86, 92, 92, 92, 98, 104};
    int64_t handed = 0;
    int64_t last = 0;
    for (size_t i = 0; i + 1 < std::size(block_ms); ++i) {
        const int64_t at = T0 + block_ms[i] * MS;
        clock.block_handed(256, at);
        handed += 256;
        for (const int64_t now : {at, at + (block_ms[i + 1] - block_ms[i]) * MS / 2}) {
            const int64_t heard = clock.heard_frames(handed, END, now);
            EXPECT_GE(heard, last) << "went back at block " << i;
            EXPECT_LE(heard, handed);
            EXPECT_GE(heard, handed - LATENCY);
            last = heard;
        }
    }
}

TEST(HeardClock, FollowsThePositionMovedBack) {
    HeardClock clock;
    clock.start(LATENCY);
    clock.block_handed(256, T0);
    EXPECT_EQ(clock.heard_frames(100000, END, T0 + SECOND), 100000);
    EXPECT_EQ(clock.heard_frames(50000, END, T0 + SECOND), 50000);
    EXPECT_EQ(clock.heard_frames(0, END, T0 + SECOND), 0);
}

TEST(HeardClock, OnceLostRunsOnTheWallClockFromWhereTheSoundStoppedUpToTheEnd) {
    HeardClock clock;
    clock.start(LATENCY);
    clock.block_handed(256, T0);
    const int64_t stopped = clock.heard_frames(44100, END, T0);
    clock.lose(T0 + 2 * SECOND);
    EXPECT_EQ(clock.lost, 1);
    // The position handed no longer counts: the stream took nothing more.
    EXPECT_EQ(clock.heard_frames(44100, END, T0 + 2 * SECOND), stopped);
    EXPECT_EQ(clock.heard_frames(44100, END, T0 + 3 * SECOND), stopped + 44100);
    EXPECT_EQ(clock.heard_frames(44100, END, T0 + 3 * SECOND + 500 * MS), stopped + 44100 + 22050);
    EXPECT_EQ(clock.heard_frames(44100, END, T0 + 60 * SECOND), END);

    clock.start(LATENCY);  // a new stream: the sound is back
    EXPECT_EQ(clock.lost, 0);
    EXPECT_EQ(clock.heard_frames(0, END, T0 + 61 * SECOND), 0);
}

TEST(HeardClock, StalledOnlyOnceGoingAndLongerThanTheLimitWithoutABlock) {
    HeardClock clock;
    clock.start(LATENCY);
    clock.block_handed(1024, T0);
    // Starting up: a second's wait for the stream is not a stall.
    EXPECT_FALSE(clock.stalled(T0 + 3 * SECOND, 2 * SECOND));
    for (int block = 0; block < 172; ++block) clock.block_handed(256, T0 + SECOND);
    EXPECT_FALSE(clock.stalled(T0 + SECOND + 2 * SECOND, 2 * SECOND));
    EXPECT_TRUE(clock.stalled(T0 + SECOND + 2 * SECOND + 1, 2 * SECOND));
}

TEST(HeardClock, SilenceHandedForAPauseHoldsItWhereTheSoundStopped) {
    HeardClock clock;
    clock.start(LATENCY);
    clock.block_handed(256, T0);
    // Paused at 44100, silence handed every 5 ms: the last sound plays out
    // (882 frames in 20 ms), then the reading holds.
    for (int block = 1; block <= 20; ++block) clock.block_handed(256, T0 + block * 5 * MS, false);
    EXPECT_EQ(clock.heard_frames(44100, END, T0 + 20 * MS), 44100 - LATENCY + 882);
    EXPECT_EQ(clock.heard_frames(44100, END, T0 + SECOND), 44100);
}
