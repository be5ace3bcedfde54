// The capture's pieces that need no OpenGL: its clock, which runs the show
// from the track's own audio callback, its moments, options and progress.
#include <gtest/gtest.h>

#include <chrono>
#include <vector>

#include "audio/audio_track.h"
#include "geometry/mesh_instance.h"
#include "tests/show/show_fixture.h"
#include "tools/capture/capture_options.h"
#include "tools/capture/capture_time.h"
#include "tools/capture/image.h"
#include "tools/capture/progress_bar.h"
#include "tools/capture/show_clock.h"

namespace {
// The show over a 26-second track of E5 (patterns of 0.25 s), run by a clock.
struct ClockedShow : ShowScene {
    ShowClock clock;
    ClockedShow() : ShowScene(659.26f, 0.5f) {
        clock.track = track;
        clock.scene = scene;
        clock.fps = 10;
    }
};

CaptureTime moment(const char* text) {
    CaptureTime time;
    EXPECT_EQ(parse_capture_time(text, time), 1) << text;
    return time;
}

CaptureOptions options_of(std::vector<const char*> arguments) {
    arguments.insert(arguments.begin(), "morva-capture");
    CaptureOptions options;
    EXPECT_EQ(parse_capture_options(static_cast<int>(arguments.size()), arguments.data(), options), 1);
    return options;
}
}  // namespace

TEST(SoundFrame, IsTheFramesTimeRoundedUpToAWholeFrameOfSound) {
    EXPECT_EQ(sound_frame_of(0, 30), 0);
    EXPECT_EQ(sound_frame_of(1, 30), 1470);
    EXPECT_EQ(sound_frame_of(30, 30), 44100);
    EXPECT_EQ(sound_frame_of(1, 7), 6300);
    EXPECT_EQ(sound_frame_of(2, 7), 12600);
    EXPECT_EQ(sound_frame_of(1, 240), 184);  // 183.75 rounded up
}

using ShowClockTest = ClockedShow;

TEST_F(ShowClockTest, PlaysWholeBlocksUpToEachFramesTimeAndEndsAtTheTracksEnd) {
    for (int i = 0; i < 30; ++i) {
        clock.step();
        const int64_t due = sound_frame_of(clock.frame, clock.fps);
        EXPECT_EQ(clock.sound_position() % BLOCK_FRAMES, 0) << "frame " << clock.frame;
        EXPECT_GE(clock.sound_position(), due);
        EXPECT_LT(clock.sound_position(), due + BLOCK_FRAMES);
    }
    EXPECT_FALSE(clock.ended);
    while (!clock.ended) clock.step();
    EXPECT_EQ(clock.sound_position(), 104 * FRAMES_PER_PATTERN);  // not a whole number of blocks
    EXPECT_EQ(clock.frame, 260);  // 26 s at 10 frames a second
    EXPECT_DOUBLE_EQ(clock.seconds(), track->length_seconds());
}

TEST_F(ShowClockTest, TheAnalysisHasHeardWhatTheSoundCardWouldHaveBeenSent) {
    std::vector<float> heard;
    clock.heard = &heard;
    for (int i = 0; i <= 20; ++i) clock.step();
    // A track played block by block as the sound library plays it.
    AudioTrack* reference = track_in_memory(104 * FRAMES_PER_PATTERN, 659.26f, 0.5f);
    std::vector<float> block(2 * BLOCK_FRAMES);
    const int64_t blocks = clock.sound_position() / BLOCK_FRAMES;
    for (int64_t i = 0; i < blocks; ++i) AudioTrack::audio_callback(block.data(), nullptr, BLOCK_FRAMES, 0.0, 0, reference);
    EXPECT_EQ(track->levels, reference->levels);
    EXPECT_EQ(track->frequencies, reference->frequencies);
    EXPECT_GT(track->level_at(647.0f), 0.5f);  // the tone is heard
    // The mono track plays on the left only, as it would live.
    ASSERT_EQ(heard.size(), static_cast<size_t>(2 * clock.sound_position()));
    for (size_t i = 0; i < heard.size(); i += 2) {
        ASSERT_EQ(heard[i], track->sample_buffer->samples[i / 2]) << i;
        ASSERT_EQ(heard[i + 1], 0.0f) << i;
    }
    AudioTrack::destroy(reference);
}

TEST_F(ShowClockTest, TheFirstTickOnlyStartsTheSceneAndEveryLaterOneUpdatesIt) {
    clock.step();
    EXPECT_EQ(scene->active, 1);
    EXPECT_EQ(state().blink, 1);  // no update yet
    clock.step();
    EXPECT_EQ(state().blink, 0);
    EXPECT_DOUBLE_EQ(state().previous_time, clock.seconds());
}

TEST_F(ShowClockTest, CuesFireOneUpdateAtATimeSoEveryActsEntryRuns) {
    // 2.5 frames a pattern: every act boundary is crossed by its own update,
    // so the figure that act 3 shows is still shown in act 5.
    const CaptureTime p9 = moment("p9");
    while (!time_reached(p9, clock)) clock.step();
    EXPECT_EQ(state().act, 5);
    EXPECT_EQ(state().figure->visible, 1);
    EXPECT_EQ(state().path_figure->visible, 0);
    EXPECT_GE(clock.seconds() / state().timeline.pattern_length, 9.0);
    EXPECT_LT(clock.seconds() / state().timeline.pattern_length, 9.0 + 4.0 / 2.5);
}

TEST_F(ShowClockTest, MomentsAreReachedByThePlayPositionAndAllByTheEnd) {
    clock.step();
    EXPECT_TRUE(time_reached(moment("0"), clock));
    EXPECT_FALSE(time_reached(moment("0.05"), clock));
    EXPECT_FALSE(time_reached(moment("p0.1"), clock));
    while (!time_reached(moment("2.5"), clock)) clock.step();
    EXPECT_EQ(clock.frame, 25);
    EXPECT_GE(clock.sound_position(), 2.5 * 44100);
    EXPECT_FALSE(time_reached(moment("end"), clock));
    EXPECT_DOUBLE_EQ(time_estimate_seconds(moment("p10"), clock), 2.5);
    EXPECT_DOUBLE_EQ(time_estimate_seconds(moment("99"), clock), 26.0);  // past the end: the end
    while (!clock.ended) clock.step();
    for (const char* text : {"end", "99", "p104"}) EXPECT_TRUE(time_reached(moment(text), clock)) << text;
}

TEST(CaptureTimes, ReadSecondsPatternsAndTheEnd) {
    CaptureTime time;
    ASSERT_EQ(parse_capture_time("12.5", time), 1);
    EXPECT_EQ(time.kind, CaptureTime::Kind::seconds);
    EXPECT_DOUBLE_EQ(time.value, 12.5);
    ASSERT_EQ(parse_capture_time("p30", time), 1);
    EXPECT_EQ(time.kind, CaptureTime::Kind::pattern);
    EXPECT_DOUBLE_EQ(time.value, 30.0);
    ASSERT_EQ(parse_capture_time("end", time), 1);
    EXPECT_EQ(time.kind, CaptureTime::Kind::end);
    std::vector<CaptureTime> times;
    ASSERT_EQ(parse_capture_times("1,p2,end", times), 1);
    ASSERT_EQ(times.size(), 3u);
    EXPECT_EQ(times[1].text, "p2");
    testing::internal::CaptureStderr();
    for (const char* wrong : {"", "p", "1.2.3", "inf", "nan", "0x10", "+1", "1 ", "pend", "END"})
        EXPECT_EQ(parse_capture_time(wrong, time), 0) << wrong;
    EXPECT_EQ(parse_capture_times("1,", times), 0);
    EXPECT_EQ(times.size(), 3u);  // untouched after a failure
    testing::internal::GetCapturedStderr();
}

TEST(CaptureOptionsTest, DefaultsAndValuesAreRead) {
    const CaptureOptions sheet = options_of({"--sheet", "s.png"});
    EXPECT_EQ(sheet.width, 1920);
    EXPECT_EQ(sheet.height, 1080);
    EXPECT_EQ(sheet.fps, 30);
    EXPECT_EQ(sheet.context, ContextChoice::automatic);
    EXPECT_EQ(sheet.sheet_path, "s.png");
    const CaptureOptions frames = options_of({"--frames", "f", "--from", "p5", "--to", "9", "--fps", "24",
                                              "--size", "640x360", "--context", "xvfb", "--video", "v.mp4"});
    EXPECT_EQ(frames.frames_dir, "f");
    EXPECT_EQ(frames.from.kind, CaptureTime::Kind::pattern);
    EXPECT_EQ(frames.to.kind, CaptureTime::Kind::seconds);
    EXPECT_EQ(frames.fps, 24);
    EXPECT_EQ(frames.width, 640);
    EXPECT_EQ(frames.height, 360);
    EXPECT_EQ(frames.context, ContextChoice::xvfb);
    EXPECT_EQ(frames.video_path, "v.mp4");
    const CaptureOptions whole = options_of({"--frames", "f"});
    EXPECT_EQ(whole.from.kind, CaptureTime::Kind::seconds);
    EXPECT_DOUBLE_EQ(whole.from.value, 0.0);
    EXPECT_EQ(whole.to.kind, CaptureTime::Kind::end);
    EXPECT_TRUE(options_of({"--help"}).help);
}

TEST(ProgressBarTest, ShowsTheShareDoneAndTheTimeLeft) {
    using std::chrono::seconds;
    EXPECT_EQ(ProgressBar::line(50, 100, seconds(10)),
              "[###############...............]  50%  frame 50/100  0:10 left");
    EXPECT_EQ(ProgressBar::line(0, 600, seconds(0)),
              "[..............................]   0%  frame 0/600  time left unknown");
    EXPECT_EQ(ProgressBar::line(600, 600, seconds(75)),
              "[##############################] 100%  frame 600/600  0:00 left");
    EXPECT_EQ(ProgressBar::line(1, 100, seconds(2)).substr(32), "   1%  frame 1/100  3:18 left");
}

TEST(ImageTest, PastingIsClippedToTheImage) {
    Image ground = Image::filled(4, 3, 0, 0, 0);
    const Image patch = Image::filled(2, 2, 255, 0, 0);
    ground.paste(patch, 3, 2);   // one pixel inside
    ground.paste(patch, -1, -1);  // one pixel inside
    ground.paste(patch, 9, 9);    // outside
    int red = 0;
    for (size_t i = 0; i < ground.rgba.size(); i += 4) red += ground.rgba[i] == 255 ? 1 : 0;
    EXPECT_EQ(red, 2);
    EXPECT_EQ(ground.rgba[(2 * 4 + 3) * 4], 255);
    EXPECT_EQ(ground.rgba[0], 255);
}
