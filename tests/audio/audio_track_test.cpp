// The track and its audio callback, driven directly with the test's own
// buffers: no stream, no sound server.
#include "audio/audio_track.h"

#include <RtAudio.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <future>
#include <limits>
#include <string>
#include <vector>

#include "audio/audio_device.h"
#include "audio/sample_buffer.h"
#include "tests/support/signals.h"
#include "tests/support/sound_files.h"

namespace {
using testing::internal::CaptureStderr;
using testing::internal::GetCapturedStderr;

// Runs the callback for one block and returns its output, interleaved stereo.
std::vector<float> run_block(AudioTrack* track, unsigned int frames, int* returned = nullptr,
                             unsigned int status = 0) {
    std::vector<float> output(static_cast<size_t>(frames) * 2, -7.0f);  // garbage to overwrite
    const int result = AudioTrack::audio_callback(output.data(), nullptr, frames, 0.0, status, track);
    if (returned != nullptr) *returned = result;
    return output;
}

struct AudioTrackTest : testing::Test {
    TempDir dir;
    AudioTrack* track = AudioTrack::create();
    ~AudioTrackTest() override { AudioTrack::destroy(track); }

    // Writes a float WAV of the given samples and opens it in the track.
    void open(const std::vector<float>& samples, int channels) {
        const std::string path = dir.file("track.wav");
        write_sound(path, SF_FORMAT_WAV | SF_FORMAT_FLOAT, channels, 44100, samples);
        CaptureStderr();
        ASSERT_EQ(track->open_file(path.c_str()), 1);
        GetCapturedStderr();
    }
};
}  // namespace

TEST_F(AudioTrackTest, StartsWithoutBufferOrDevice) {
    EXPECT_EQ(track->sample_buffer, nullptr);
    EXPECT_EQ(track->device, nullptr);
    EXPECT_EQ(track->position, 0);
    EXPECT_EQ(track->buffer_frames, 256);
    EXPECT_EQ(track->playing, 0);
    for (float slot : track->mix_buffer) ASSERT_EQ(slot, 0.0f);
    EXPECT_EQ(track->length_seconds(), 0.0);
    EXPECT_EQ(track->position_seconds(), 0.0);
    EXPECT_EQ(track->start(), 0);  // nothing to play
    EXPECT_EQ(track->device, nullptr);
}

TEST_F(AudioTrackTest, MissingFileIsReportedByLoaderThenTrack) {
    const std::string path = dir.file("missing.ogg");
    CaptureStderr();
    EXPECT_EQ(track->open_file(path.c_str()), 0);
    EXPECT_EQ(GetCapturedStderr(),
              "error loading file: " + path + "\nfailed to open audio file: " + path + "\n");
    EXPECT_EQ(track->sample_buffer, nullptr);
    EXPECT_EQ(track->length_seconds(), 0.0);
}

TEST_F(AudioTrackTest, FailedOpenDropsTheEarlierFile) {
    open(distinct_samples(100, 2), 2);
    CaptureStderr();
    EXPECT_EQ(track->open_file(dir.file("missing.wav").c_str()), 0);
    GetCapturedStderr();
    EXPECT_EQ(track->sample_buffer, nullptr);
}

TEST_F(AudioTrackTest, LengthAndPositionCountFramesAt44100) {
    std::vector<float> samples(2 * 441000, 0.0f);
    open(samples, 2);
    EXPECT_DOUBLE_EQ(track->length_seconds(), 10.0);
    for (int block = 0; block < 100; ++block) run_block(track, 256);
    EXPECT_EQ(track->position, 2 * 25600);
    EXPECT_DOUBLE_EQ(track->position_seconds(), 25600.0 / 44100.0);
    // Without a stream nothing is on its way: what was played is heard.
    EXPECT_DOUBLE_EQ(track->heard_seconds(), 25600.0 / 44100.0);
}

namespace {
// Hz of a steady tone from its rising zero crossings, interpolated between
// samples at the playback rate.
double tone_hz(const std::vector<float>& mono) {
    double first = -1.0, last = -1.0;
    int crossings = 0;
    for (size_t n = 1; n < mono.size(); ++n) {
        if (!(mono[n - 1] < 0.0f && mono[n] >= 0.0f)) continue;
        last = static_cast<double>(n - 1) + mono[n - 1] / (mono[n - 1] - mono[n]);
        if (crossings++ == 0) first = last;
    }
    return crossings < 2 ? 0.0 : (crossings - 1) * 44100.0 / (last - first);
}

struct TrackAtRate : AudioTrackTest, testing::WithParamInterface<int> {};
}  // namespace

// A song at another rate is heard at its own pitch and lasts as long.
TEST_P(TrackAtRate, PlaysAtItsOwnPitchAndLength) {
    const int rate = GetParam();
    const std::string path = dir.file("tone.wav");
    // Two seconds of 440 Hz at the file's rate (the generator counts 44100 a second).
    write_sound(path, SF_FORMAT_WAV | SF_FORMAT_FLOAT, 2, rate, on_left(sine_tone(440.0 * 44100 / rate, 0.5, 2 * rate)));
    CaptureStderr();
    ASSERT_EQ(track->open_file(path.c_str()), 1);
    EXPECT_NE(GetCapturedStderr().find("file sample rate: " + std::to_string(rate) + "\n"), std::string::npos);
    EXPECT_NEAR(track->length_seconds(), 2.0, 1.0 / 44100);

    std::vector<float> left;
    while (!track->at_end()) {
        const std::vector<float> output = run_block(track, 256);
        for (size_t i = 0; i < output.size(); i += 2) left.push_back(output[i]);
    }
    // The middle second, away from the converter's edges.
    EXPECT_NEAR(tone_hz({left.begin() + 22050, left.begin() + 66150}), 440.0, 0.1);
}

INSTANTIATE_TEST_SUITE_P(Rates, TrackAtRate, testing::Values(48000, 22050, 96000));

// A header's rate no song has would convert a small file into gigabytes.
TEST_F(AudioTrackTest, ARateNoSongHasIsRefused) {
    const std::string path = dir.file("slow.wav");
    write_sound(path, SF_FORMAT_WAV | SF_FORMAT_FLOAT, 1, 2, std::vector<float>(1000, 0.5f));
    CaptureStderr();
    EXPECT_EQ(track->open_file(path.c_str()), 0);
    EXPECT_NE(GetCapturedStderr().find("error resampling " + path + ": a sample rate of 2 Hz, outside 1000 to 768000\n" +
                                       "failed to open audio file: " + path + "\n"),
              std::string::npos);
    EXPECT_EQ(track->sample_buffer, nullptr);
}

TEST_F(AudioTrackTest, StereoFramesPlayInOrderAcrossBlocks) {
    const std::vector<float> samples = distinct_samples(1000, 2);
    open(samples, 2);
    std::vector<float> played;
    for (int block = 0; block < 3; ++block) {
        int returned = -1;
        const std::vector<float> output = run_block(track, 256, &returned);
        EXPECT_EQ(returned, 0);
        played.insert(played.end(), output.begin(), output.end());
    }
    EXPECT_TRUE(std::equal(played.begin(), played.end(), samples.begin()));
}

TEST_F(AudioTrackTest, LastBlockEndsWithSilenceAndStopsPlayback) {
    const std::vector<float> samples = distinct_samples(300, 2);
    open(samples, 2);
    track->playing = 1;
    int returned = -1;
    run_block(track, 256, &returned);
    EXPECT_EQ(returned, 0);
    const std::vector<float> last = run_block(track, 256, &returned);
    // Frames 256..299 play, the rest of the block is silent.
    for (size_t i = 0; i < 2 * 44; ++i) ASSERT_EQ(last[i], samples[2 * 256 + i]) << i;
    for (size_t i = 2 * 44; i < last.size(); ++i) ASSERT_EQ(last[i], 0.0f) << i;
    EXPECT_EQ(returned, 1);  // the library stops the stream after this block
    EXPECT_EQ(track->playing, 0);
    EXPECT_EQ(track->position, 600);
    EXPECT_DOUBLE_EQ(track->position_seconds(), track->length_seconds());
    EXPECT_EQ(track->heard_seconds(), track->length_seconds());

    // Blocks after the end stay silent.
    const std::vector<float> after = run_block(track, 256, &returned);
    EXPECT_EQ(returned, 1);
    for (float sample : after) ASSERT_EQ(sample, 0.0f);
}

TEST_F(AudioTrackTest, MonoPlaysOnTheLeftOnly) {
    const std::vector<float> samples = distinct_samples(256, 1);
    open(samples, 1);
    const std::vector<float> output = run_block(track, 256);
    for (size_t frame = 0; frame < 256; ++frame) {
        ASSERT_EQ(output[2 * frame], samples[frame]) << frame;
        ASSERT_EQ(output[2 * frame + 1], 0.0f) << frame;
    }
    EXPECT_EQ(track->position, 256);
}

TEST_F(AudioTrackTest, MoreThanTwoChannelsPlayTheFirstTwo) {
    const std::vector<float> samples = distinct_samples(200, 6);
    open(samples, 6);
    const std::vector<float> output = run_block(track, 256);
    for (size_t frame = 0; frame < 200; ++frame) {
        ASSERT_EQ(output[2 * frame], samples[6 * frame]) << frame;
        ASSERT_EQ(output[2 * frame + 1], samples[6 * frame + 1]) << frame;
    }
    EXPECT_EQ(track->position, 1200);
    EXPECT_DOUBLE_EQ(track->length_seconds(), 200.0 / 44100.0);
}

TEST_F(AudioTrackTest, BlocksLongerThanTheMixBufferPlayWhole) {
    const std::vector<float> samples = distinct_samples(3000, 2);
    open(samples, 2);
    int returned = -1;
    const std::vector<float> output = run_block(track, 1000, &returned);
    EXPECT_EQ(returned, 0);
    EXPECT_TRUE(std::equal(output.begin(), output.end(), samples.begin()));
    EXPECT_EQ(track->position, 2000);
}

TEST_F(AudioTrackTest, EmptyTrackEndsAtOnce) {
    open({}, 2);
    EXPECT_EQ(track->length_seconds(), 0.0);
    EXPECT_EQ(track->position_seconds(), 0.0);
    track->playing = 1;
    int returned = -1;
    const std::vector<float> output = run_block(track, 256, &returned);
    EXPECT_EQ(returned, 1);
    EXPECT_EQ(track->playing, 0);
    for (float sample : output) ASSERT_EQ(sample, 0.0f);
}

namespace {
struct SeekCase {
    const char* name;
    double seconds;
    int64_t frame;  // where the position lands
};

// Seeks in a one-second stereo track whose position stands at frame 11025.
struct TrackSeek : AudioTrackTest, testing::WithParamInterface<SeekCase> {};
}  // namespace

TEST_P(TrackSeek, LandsOnAWholeFrameInsideTheTrack) {
    const SeekCase& c = GetParam();
    open(std::vector<float>(2 * 44100, 0.0f), 2);
    track->seek_seconds(0.25);
    track->seek_seconds(c.seconds);
    EXPECT_EQ(track->position, 2 * c.frame);
    int returned = -1;
    run_block(track, 256, &returned);
    EXPECT_EQ(returned, c.frame == 44100 ? 1 : 0) << "the next block ends the track only at its end";
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TrackSeek,
    testing::Values(SeekCase{"Inside", 0.5, 22050},
                    SeekCase{"HalfAFrameStaysOnTheFrame", 0.5 / 44100.0, 0},
                    SeekCase{"BeforeTheStart", -3.0, 0},
                    SeekCase{"PastTheEnd", 5.0, 44100},
                    SeekCase{"Infinity", std::numeric_limits<double>::infinity(), 44100},
                    SeekCase{"MinusInfinity", -std::numeric_limits<double>::infinity(), 0},
                    SeekCase{"NotANumberLeavesItWhereItWas", std::nan(""), 11025}),
    [](const testing::TestParamInfo<SeekCase>& info) { return std::string(info.param.name); });

TEST_F(AudioTrackTest, SeekWaitsForTheBlockUnderWay) {
    using namespace std::chrono_literals;
    open(std::vector<float>(2 * 44100, 0.0f), 2);
    std::future<void> seek;
    {
        // A block under way holds the lock from reading the position to
        // writing back the advanced one.
        std::lock_guard<std::mutex> block(track->lock);
        const int64_t read = track->position;
        seek = std::async(std::launch::async, [this] { track->seek_seconds(0.5); });
        EXPECT_EQ(seek.wait_for(100ms), std::future_status::timeout) << "the seek landed inside the block";
        track->position = read + 2 * 256;
    }
    seek.get();
    EXPECT_EQ(track->position, 2 * 22050) << "the block undid the seek";
}

TEST_F(AudioTrackTest, BlocksPlayedShortOfSoundAreCounted) {
    open(std::vector<float>(2 * 44100, 0.0f), 2);
    const struct {
        unsigned int status;
        uint32_t underruns;  // counted so far
    } blocks[] = {{0, 0}, {RTAUDIO_INPUT_OVERFLOW, 0}, {RTAUDIO_OUTPUT_UNDERFLOW, 1},
                  {RTAUDIO_OUTPUT_UNDERFLOW | RTAUDIO_INPUT_OVERFLOW, 2}, {0, 2}};
    for (const auto& block : blocks) {
        run_block(track, 256, nullptr, block.status);
        EXPECT_EQ(track->underruns, block.underruns) << "status " << block.status;
    }
}

namespace {
// How the sound can be lost while a track plays.
enum class Loss { ClockGaveUp, StreamReportedAnError };

class LostSound : public AudioTrackTest, public testing::WithParamInterface<Loss> {
protected:
    // A device record that never opened a stream: only its failure is read.
    AudioDevice failed_device;

    ~LostSound() override { track->device = nullptr; }  // not the track's to close
};
}  // namespace

TEST_P(LostSound, BlocksAreSilentTakeNothingAndStopTheStream) {
    const std::vector<float> samples = distinct_samples(1000, 2);
    open(samples, 2);
    track->playing = 1;
    track->device = &failed_device;
    run_block(track, 256);
    if (GetParam() == Loss::ClockGaveUp) {
        track->clock.lose(steady_now_ns());
    } else {
        std::snprintf(failed_device.failure.data(), failed_device.failure.size(), "connection refused");
        failed_device.failed = 1;
    }
    int returned = -1;
    const std::vector<float> output = run_block(track, 256, &returned);
    EXPECT_EQ(returned, 1);
    for (float sample : output) ASSERT_EQ(sample, 0.0f);
    EXPECT_EQ(track->position, 2 * 256) << "a lost stream takes nothing more";
    EXPECT_EQ(track->playing, 0);

    // The drawing thread's next reading says so, once, if the clock had not
    // already given up, and the clock runs on without the stream.
    CaptureStderr();
    const double stopped_at = track->heard_seconds();
    EXPECT_GE(track->heard_seconds(), stopped_at);
    EXPECT_EQ(GetCapturedStderr(), GetParam() == Loss::ClockGaveUp
                                       ? ""
                                       : "sound stopped: connection refused — the show goes on without it\n");
    EXPECT_EQ(track->clock.lost, 1);
}

INSTANTIATE_TEST_SUITE_P(Cases, LostSound, testing::Values(Loss::ClockGaveUp, Loss::StreamReportedAnError),
                         [](const testing::TestParamInfo<Loss>& info) {
                             return std::string(info.param == Loss::ClockGaveUp ? "ClockGaveUp" : "StreamReportedAnError");
                         });

TEST_F(AudioTrackTest, SeekThenPlayStartsThere) {
    const std::vector<float> samples = distinct_samples(1000, 2);
    open(samples, 2);
    track->seek_seconds(100.0 / 44100.0);
    const std::vector<float> output = run_block(track, 16);
    EXPECT_TRUE(std::equal(output.begin(), output.end(), samples.begin() + 200));
}

namespace {
// Cuts in a low tone (50 Hz, half amplitude, on the left), in blocks of
// `block_frames`: paused or not at frame 512, then at 1024, where a jump
// goes to a frame of opposite phase (a plain cut there steps by 0.85).
struct CutCase {
    const char* name;
    unsigned int block_frames;
    bool paused_at_512;
    bool paused_at_1024;
    int64_t jump;  // -1: none; the heard position reads no less after it, then follows the sound
};

struct CutInATone : AudioTrackTest, testing::WithParamInterface<CutCase> {};
}  // namespace

TEST_P(CutInATone, StepsNoFurtherThanTheToneItselfAndIsHeardFromTheTarget) {
    const CutCase& c = GetParam();
    open(on_left(sine_tone(50.0, 0.5, 44100)), 2);
    track->clock.start(1323);  // a stream's 30 ms in front of the listener
    std::vector<float> left;
    int64_t heard = 0;
    for (unsigned int frame = 0; frame < 3072; frame += c.block_frames) {
        if (frame == 512) track->set_paused(c.paused_at_512);
        if (frame == 1024) track->set_paused(c.paused_at_1024);
        if (frame == 1024 && c.jump >= 0) track->jump_to(c.jump, nullptr);
        const std::vector<float> output = run_block(track, c.block_frames);
        for (size_t i = 0; i < output.size(); i += 2) left.push_back(output[i]);
        heard = std::llround(track->heard_seconds() * 44100);
        if (frame >= 1024 && c.jump >= 0) {
            ASSERT_GE(heard, c.jump) << "frame " << frame;
        }
    }
    EXPECT_TRUE(c.jump < 0 || c.paused_at_1024 || heard > c.jump) << "the sound after the jump is not heard";
    float largest_step = 0.0f;
    for (size_t i = 1; i < left.size(); ++i) largest_step = std::max(largest_step, std::fabs(left[i] - left[i - 1]));
    const double tone_step = 0.5 * 2.0 * M_PI * 50.0 / 44100.0;
    EXPECT_LT(largest_step, 4.0 * tone_step) << "the tone steps by " << tone_step;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CutInATone,
    testing::Values(CutCase{"Pause", 256, false, true, -1}, CutCase{"Resume", 256, true, false, -1},
                    CutCase{"JumpForward", 256, false, false, 1024 + 441},
                    CutCase{"JumpBack", 256, false, false, 1024 - 441},
                    CutCase{"JumpInBlocksShorterThanTheFade", 16, false, false, 1024 + 441},
                    CutCase{"JumpWhilePaused", 256, true, true, 1024 - 441}),
    [](const testing::TestParamInfo<CutCase>& info) { return std::string(info.param.name); });
