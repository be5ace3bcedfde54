// Playback through a real PulseAudio server: the private one scripts/test
// starts (a null sink and a sine source as defaults).
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <optional>
#include <string>
#include <thread>

#include "audio/audio_device.h"
#include "audio/audio_track.h"
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

// Sets an environment variable for the lifetime of the object.
class ScopedEnvironment {
public:
    ScopedEnvironment(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        setenv(name, value, 1);
    }
    ~ScopedEnvironment() {
        if (old_.has_value())
            setenv(name_, old_->c_str(), 1);
        else
            unsetenv(name_);
    }

private:
    const char* name_;
    std::optional<std::string> old_;
};

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

    // Again from the beginning; the stopped stream's device is released first.
    ASSERT_EQ(track->start(), 1);
    EXPECT_LT(track->position_seconds(), 0.25);
    EXPECT_TRUE(eventually([&] { return track->playing == 0; }, 20s));
    EXPECT_EQ(track->stop(), 1);
    EXPECT_EQ(track->device, nullptr);
}

TEST_F(AudioStreamTest, StopEndsPlaybackAndReleasesTheDevice) {
    ASSERT_NO_FATAL_FAILURE(start_playing());
    EXPECT_EQ(track->stop(), 1);
    EXPECT_EQ(track->playing, 0);
    EXPECT_EQ(track->device, nullptr);
    const int64_t stopped_at = track->position;
    std::this_thread::sleep_for(100ms);
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
    ASSERT_NO_FATAL_FAILURE(start_playing());
    AudioTrack::destroy(track);
    track = nullptr;
}

TEST_F(AudioStreamTest, LevelsRiseWhileAToneSoundsAndFallAfterIt) {
    // One second of E at half amplitude, then silence.
    open_mono(then_silence(sine_tone(659.2, 0.5, 44100), 66150));
    ASSERT_EQ(track->start(), 1);
    EXPECT_TRUE(eventually([&] { return track->level_at(647.0f) > 0.85f; }, 10s))
        << "the level near 659 Hz never rose: " << track->level_at(647.0f);
    EXPECT_LT(track->position_seconds(), 1.2);
    EXPECT_LT(track->level_at(5000.0f), 0.5f);
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
    const float level = track->level_at(647.0f);
    const double heard = track->position_seconds();
    track->stop();
    ASSERT_LT(heard, 0.5) << "the tone had begun: nothing to compare";
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
