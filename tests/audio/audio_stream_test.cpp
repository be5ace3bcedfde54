// Playback through a real PulseAudio server: the private one scripts/test
// starts (a null sink and a sine source as defaults).
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>

#include "audio/audio_device.h"
#include "audio/audio_track.h"
#include "tests/support/pulse_server.h"
#include "tests/support/signals.h"
#include "tests/support/sound_files.h"

namespace {
using namespace std::chrono_literals;
using testing::internal::CaptureStderr;
using testing::internal::GetCapturedStderr;

// Polls until the condition holds or the time is up.
template <typename Condition>
bool eventually(Condition condition, std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(5ms);
    }
    return true;
}

// The threads of this process now.
size_t thread_count() {
    const std::filesystem::directory_iterator tasks("/proc/self/task");
    return static_cast<size_t>(std::distance(std::filesystem::begin(tasks), std::filesystem::end(tasks)));
}

struct AudioStreamTest : testing::Test {
    TempDir dir;
    AudioTrack* track = AudioTrack::create();
    ~AudioStreamTest() override { AudioTrack::destroy(track); }

    void open_seconds(double seconds) {
        const std::string path = dir.file("tone.wav");
        std::vector<float> samples(static_cast<size_t>(seconds * 44100) * 2, 0.1f);
        write_sound(path, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 2, 44100, samples);
        CaptureStderr();
        ASSERT_EQ(track->open_file(path.c_str()), 1);
        GetCapturedStderr();
    }

    // Five seconds of sound, started and heard moving.
    void start_playing() {
        open_seconds(5.0);
        ASSERT_EQ(track->start(), 1);
        EXPECT_TRUE(eventually([&] { return track->position > 0; }, 5s));
    }

    void open_mono(const std::vector<float>& mono) {
        const std::string path = dir.file("tone.wav");
        write_sound(path, SF_FORMAT_WAV | SF_FORMAT_FLOAT, 1, 44100, mono);
        CaptureStderr();
        ASSERT_EQ(track->open_file(path.c_str()), 1);
        GetCapturedStderr();
    }
};
}  // namespace

TEST_F(AudioStreamTest, ShortTrackPlaysToItsEndAndStartsAgainFromZero) {
    open_seconds(0.5);
    ASSERT_EQ(track->start(), 1);
    EXPECT_EQ(track->playing, 1);
    ASSERT_NE(track->device, nullptr);
    EXPECT_EQ(track->device->buffer_frames, 256u);
    EXPECT_TRUE(eventually([&] { return track->position > 0; }, 5s)) << "the position never moved";
    // A duplex stream here runs somewhat slower than real time: allow plenty.
    EXPECT_LE(track->heard_seconds(), track->position_seconds());
    EXPECT_TRUE(eventually([&] { return track->playing == 0; }, 20s)) << "the track never ended";
    EXPECT_EQ(track->position, 2 * 22050);
    EXPECT_DOUBLE_EQ(track->position_seconds(), 0.5);
    // Once the stream has played out what it was given, all of it is heard.
    EXPECT_TRUE(eventually([&] { return track->heard_seconds() == 0.5; }, 5s)) << track->heard_seconds();

    // Again from the beginning; the stopped stream's device is released
    // first. Left at the end, the position would stay there.
    ASSERT_EQ(track->start(), 1);
    EXPECT_LT(track->position_seconds(), 0.5);
    EXPECT_TRUE(eventually([&] { return track->playing == 0; }, 20s));
    EXPECT_EQ(track->position, 2 * 22050);
    EXPECT_EQ(track->stop(), 1);
    EXPECT_EQ(track->device, nullptr);
}

TEST_F(AudioStreamTest, StopEndsPlaybackAndReleasesTheDevice) {
    OwnSoundServer sound;
    ASSERT_TRUE(sound.running()) << "the private sound server did not start";
    ASSERT_NO_FATAL_FAILURE(start_playing());
    ASSERT_TRUE(eventually([&] { return sound.streams() == 1u; }, 5s)) << "the stream never reached the server";
    EXPECT_EQ(track->stop(), 1);
    EXPECT_EQ(track->playing, 0);
    EXPECT_EQ(track->device, nullptr);
    // The stream leaves the server, and nothing moves the position while
    // the server is asked (each asking is a round trip to another process).
    const int64_t stopped_at = track->position;
    EXPECT_TRUE(eventually([&] { return sound.streams() == 0u; }, 5s)) << "the stream is still on the server";
    EXPECT_EQ(track->position, stopped_at);
    EXPECT_LT(track->position_seconds(), 5.0);
}

TEST_F(AudioStreamTest, OpeningAnotherFileStopsPlaybackFirst) {
    ASSERT_NO_FATAL_FAILURE(start_playing());
    open_seconds(1.0);
    EXPECT_EQ(track->playing, 0);
    EXPECT_EQ(track->device, nullptr);
    EXPECT_DOUBLE_EQ(track->length_seconds(), 1.0);
}

TEST_F(AudioStreamTest, DestroyWhilePlayingReleasesEverything) {
    OwnSoundServer sound;
    ASSERT_TRUE(sound.running()) << "the private sound server did not start";
    const size_t threads_before = thread_count();
    ASSERT_NO_FATAL_FAILURE(start_playing());
    ASSERT_TRUE(eventually([&] { return sound.streams() == 1u; }, 5s)) << "the stream never reached the server";
    ASSERT_GT(thread_count(), threads_before) << "playing without a stream thread";

    AudioTrack::destroy(track);
    track = AudioTrack::create();
    // Its stream is gone from the server and its threads are joined.
    EXPECT_TRUE(eventually([&] { return sound.streams() == 0u; }, 5s)) << "the stream outlived its track";
    EXPECT_EQ(thread_count(), threads_before);
    // The device is free: another track opens it and plays.
    ASSERT_NO_FATAL_FAILURE(start_playing());
    EXPECT_TRUE(eventually([&] { return sound.streams() == 1u; }, 5s));
    EXPECT_EQ(track->stop(), 1);
}

TEST_F(AudioStreamTest, LevelsRiseWhileAToneSoundsAndFallAfterIt) {
    // One second of E at half amplitude, then silence.
    open_mono(then_silence(sine_tone(659.2, 0.5, 44100), 66150));
    ASSERT_EQ(track->start(), 1);
    // Looks while the tone sounds. Each level is read before the position,
    // so a look whose position is still inside the tone saw a level made
    // of the tone alone. A loaded machine may give no look there at all.
    int looks_in_tone = 0;
    float loudest_in_tone = 0.0f;
    float highest_band_in_tone = 0.0f;
    eventually([&] {
        const float level = track->level_at(647.0f);
        const float high_band = track->level_at(5000.0f);
        const double at = track->position_seconds();
        if (at >= 0.5 && at < 1.0) {
            ++looks_in_tone;
            loudest_in_tone = std::max(loudest_in_tone, level);
            highest_band_in_tone = std::max(highest_band_in_tone, high_band);
        }
        return at >= 1.0;
    }, 20s);
    if (looks_in_tone == 0) GTEST_SKIP() << "no look at the levels during the tone's second half";
    EXPECT_GT(loudest_in_tone, 0.85f) << "the level near 659 Hz never rose (" << looks_in_tone << " looks)";
    EXPECT_LT(highest_band_in_tone, 0.5f);
    EXPECT_TRUE(eventually([&] { return track->level_at(647.0f) == 0.0f; }, 20s))
        << "the level never fell: " << track->level_at(647.0f);
    EXPECT_GT(track->position_seconds(), 1.0);
    EXPECT_TRUE(eventually([&] { return track->playing == 0; }, 20s));
}

TEST_F(AudioStreamTest, StartForgetsTheSmoothedLevelsOfTheRunBefore) {
    // Half a second of silence, then a tone.
    std::vector<float> mono(22050, 0.0f);
    const std::vector<float> tone = sine_tone(659.2, 0.5, 44100);
    mono.insert(mono.end(), tone.begin(), tone.end());
    open_mono(mono);
    // A run of the tone first, by hand, leaves the smoothing memory full.
    track->seek_seconds(0.6);
    std::vector<float> output(512);
    for (int block = 0; block < 100; ++block)
        AudioTrack::audio_callback(output.data(), nullptr, 256, 0.0, 0, track);
    ASSERT_GT(track->level_state[21], 0.85f);

    // With slow smoothing a memory left over would still show in the
    // silence at the start; cleared, the level stays near 0.
    track->set_smoothing_ms(10000.0f);
    ASSERT_EQ(track->start(), 1);
    ASSERT_TRUE(eventually([&] { return track->position_seconds() > 0.1; }, 10s));
    // The level is read first: a position still in the silence after it
    // means the level was made of silence alone.
    const float level = track->level_at(647.0f);
    const double heard = track->position_seconds();
    track->stop();
    if (heard >= 0.5) GTEST_SKIP() << "the tone had begun before the level was read: nothing to compare";
    EXPECT_LT(level, 0.1f);
}

namespace {
struct LatencyCase {
    const char* name;
    const char* users_setting;  // PULSE_LATENCY_MSEC before the stream opens, or none
    int32_t asked_ms;
};

class AskedLatency : public AudioStreamTest, public testing::WithParamInterface<LatencyCase> {};
}  // namespace

TEST_P(AskedLatency, IsOursUnlessTheUserSetOneAndTimesTheHeardPosition) {
    const LatencyCase& c = GetParam();
    std::optional<ScopedEnvironment> users;
    if (c.users_setting != nullptr)
        users.emplace("PULSE_LATENCY_MSEC", c.users_setting);
    else
        unsetenv("PULSE_LATENCY_MSEC");
    ASSERT_NO_FATAL_FAILURE(start_playing());
    EXPECT_EQ(track->device->output_latency_ms, c.asked_ms);
    // The PulseAudio backend reports no latency of its own: the one asked for counts.
    EXPECT_EQ(track->clock.latency_frames, c.asked_ms * 441 / 10);
    const char* after = std::getenv("PULSE_LATENCY_MSEC");
    if (c.users_setting == nullptr)
        EXPECT_EQ(after, nullptr) << "the setting outlived the stream's opening";
    else
        EXPECT_STREQ(after, c.users_setting);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, AskedLatency,
    testing::Values(LatencyCase{"Ours", nullptr, ASKED_OUTPUT_LATENCY_MS},
                    LatencyCase{"TheUsers", "80", 80},
                    LatencyCase{"NotANumberLeavesOurs", "soon", ASKED_OUTPUT_LATENCY_MS}),
    [](const testing::TestParamInfo<LatencyCase>& info) { return std::string(info.param.name); });

TEST(AudioDeviceStream, UnsupportedStreamIsReportedNotThrown) {
    AudioDevice* device = AudioDevice::create(1, 64, 44100, 256, RTAUDIO_FLOAT32, 1);
    CaptureStderr();
    const int32_t opened = device->open_stream(&AudioTrack::audio_callback, nullptr);
    const std::string err = GetCapturedStderr();
    EXPECT_EQ(opened, 0);
    EXPECT_NE(err.find("could not open the audio stream\n"), std::string::npos) << err;
    AudioDevice::destroy(device);
}

TEST(AudioDeviceStream, ReportsBufferSizeAndLatency) {
    AudioDevice* device = AudioDevice::create(1, 2, 44100, 256, RTAUDIO_FLOAT32, 1);
    AudioTrack* track = AudioTrack::create();
    ASSERT_EQ(device->open_stream(&AudioTrack::audio_callback, track), 1);
    CaptureStderr();
    EXPECT_EQ(device->report_buffer_size(), 256);
    device->report_latency();
    const std::vector<std::string> lines = lines_of(GetCapturedStderr());
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "buffer size defined by RtAudio: 256");
    EXPECT_EQ(lines[1].rfind("stream latency: ", 0), 0u);
    EXPECT_NE(lines[1].find(" frames"), std::string::npos);
    device->close_stream();
    AudioDevice::destroy(device);
    AudioTrack::destroy(track);
}

TEST(AudioWithoutServerDeathTest, StartEndsTheProgramWithTheReason) {
    // A fresh process: libpulse refuses to work in a child forked from a
    // process that has used it, as this one has.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    TempDir dir;
    const std::string path = dir.file("tone.wav");
    write_sound(path, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 2, 44100, std::vector<float>(2000, 0.0f));
    // No PulseAudio to reach, and ALSA without any configuration.
    const std::string unreachable = "unix:" + dir.file("no-such-socket");
    ScopedEnvironment no_pulse("PULSE_SERVER", unreachable.c_str());
    ScopedEnvironment no_alsa("ALSA_CONFIG_PATH", "/dev/null");
    EXPECT_EXIT(
        {
            AudioTrack* track = AudioTrack::create();
            track->open_file(path.c_str());
            track->start();
        },
        testing::ExitedWithCode(1), "no audio devices found!\n");
}
