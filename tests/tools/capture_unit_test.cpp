// The capture's pieces that need no OpenGL: its clock, which runs the show
// from the track's own audio callback, its moments, options and progress.
#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <csignal>
#include <limits>
#include <ostream>
#include <vector>

#include "audio/audio_track.h"
#include "geometry/mesh_instance.h"
#include "tests/show/show_fixture.h"
#include "tools/capture/capture_options.h"
#include "tools/capture/capture_time.h"
#include "tools/capture/frame_chunk.h"
#include "tools/capture/image.h"
#include "tools/capture/progress_bar.h"
#include "tools/capture/capture_moments.h"
#include "tools/capture/video.h"

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
    EXPECT_EQ(frame_estimate(moment("2.5"), clock), 25);
    EXPECT_EQ(frame_estimate(moment("p10"), clock), 25);
    EXPECT_EQ(frame_estimate(moment("2.51"), clock), 26);
    EXPECT_EQ(frame_estimate(moment("end"), clock), 260);
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
    for (const std::string wrong : {"", "p", "abc", "-3", "1e3", "1.2.3", "inf", "nan", "0x10", "+1", "1 ", "pend", "END"}) {
        testing::internal::CaptureStderr();
        EXPECT_EQ(parse_capture_time(wrong, time), 0) << wrong;
        EXPECT_EQ(testing::internal::GetCapturedStderr(),
                  "morva-capture: '" + wrong + "' is not a time: give seconds (12.5), a pattern (p30) or end\n");
    }
    testing::internal::CaptureStderr();
    EXPECT_EQ(parse_capture_times("1,", times), 0);
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(times.size(), 3u);  // untouched after a failure
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

struct PartsCase {
    std::vector<const char*> arguments;
    int32_t jobs;
    int32_t supersample;
    const char* chunk;
    bool streams;
};

// The case by its command line, in test names and failures.
void PrintTo(const PartsCase& c, std::ostream* out) {
    const char* gap = "";
    for (const char* argument : c.arguments) {
        *out << gap << argument;
        gap = " ";
    }
}

class CaptureOptionsParts : public testing::TestWithParam<PartsCase> {};

TEST_P(CaptureOptionsParts, AreReadWithTheVideoOrTheFrames) {
    const PartsCase& c = GetParam();
    const CaptureOptions options = options_of(c.arguments);
    EXPECT_EQ(options.jobs, c.jobs);
    EXPECT_EQ(options.supersample, c.supersample);
    EXPECT_EQ(chunk_text(options.chunk), c.chunk);
    EXPECT_EQ(streams_video(options), c.streams);
    EXPECT_EQ(options.arguments.size(), c.arguments.size());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CaptureOptionsParts,
    testing::Values(PartsCase{{"--video", "v.mp4"}, 0, 1, "1/1", true},
                    PartsCase{{"--video", "v.mp4", "--jobs", "3", "--supersample", "2"}, 3, 2, "1/1", true},
                    PartsCase{{"--video", "v.mp4", "--from", "p40", "--to", "p45", "--chunk", "2/8"}, 0, 1, "2/8", true},
                    PartsCase{{"--frames", "f", "--chunk", "1/2", "--supersample", "4"}, 0, 4, "1/2", false},
                    PartsCase{{"--frames", "f", "--video", "v.mp4"}, 0, 1, "1/1", false},
                    PartsCase{{"--at", "1", "--out", "o", "--supersample", "3"}, 0, 3, "1/1", false}));

// With SIGCHLD ignored a child is reaped unseen: an end that cannot be
// read says nothing of success.
TEST(FfmpegRun, AnEndThatCannotBeReadIsAFailure) {
    struct sigaction ignore {}, before{};
    ignore.sa_handler = SIG_IGN;
    sigaction(SIGCHLD, &ignore, &before);
    testing::internal::CaptureStderr();
    const int32_t waited = wait_for_ffmpeg(start_ffmpeg({"/bin/true"}, nullptr), "v.mp4");
    const std::string err = testing::internal::GetCapturedStderr();
    sigaction(SIGCHLD, &before, nullptr);
    EXPECT_EQ(waited, 0);
    EXPECT_EQ(err, "morva-capture: cannot tell how ffmpeg ended making v.mp4: No child processes\n");
}

TEST(CaptureOptionsTest, JoinTakesTheRestOfTheLineAsChunks) {
    const CaptureOptions join = options_of({"--join", "out.mp4", "a.mp4", "--b.mp4"});
    EXPECT_EQ(join.join_path, "out.mp4");
    EXPECT_EQ(join.join_inputs, (std::vector<std::string>{"a.mp4", "--b.mp4"}));
}

struct ProgressCase {
    int64_t done;
    int64_t total;
    double frames_per_second;
    const char* line;
};

void PrintTo(const ProgressCase& c, std::ostream* out) {
    *out << c.done << " of " << c.total << " at " << c.frames_per_second << " frames/s";
}

class ProgressBarLine : public testing::TestWithParam<ProgressCase> {};

TEST_P(ProgressBarLine, ShowsTheShareDoneTheRateAndTheTimeLeft) {
    const ProgressCase& c = GetParam();
    EXPECT_EQ(ProgressBar::line(c.done, c.total, c.frames_per_second), c.line);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ProgressBarLine,
    testing::Values(
        ProgressCase{50, 100, 5.0, "[###############...............]  50%  frame 50/100  5.0 frames/s  0:10 left"},
        ProgressCase{0, 600, 0.0, "[..............................]   0%  frame 0/600  time left unknown"},
        ProgressCase{600, 600, 8.0, "[##############################] 100%  frame 600/600  8.0 frames/s  0:00 left"},
        ProgressCase{1, 100, 0.5, "[..............................]   1%  frame 1/100  0.5 frames/s  3:18 left"},
        // Before a second frame there is no rate yet.
        ProgressCase{1, 100, 0.0, "[..............................]   1%  frame 1/100  time left unknown"}));

struct ReportCase {
    const char* text;
    bool read;
    int64_t more_total;
    int64_t more_done;
};

void PrintTo(const ReportCase& c, std::ostream* out) { *out << '"' << c.text << '"'; }

class ProgressReport : public testing::TestWithParam<ReportCase> {};

TEST_P(ProgressReport, IsReadFromOneLine) {
    const ReportCase& c = GetParam();
    int64_t more_total = -99, more_done = -99;
    ASSERT_EQ(ProgressBar::read_report(c.text, more_total, more_done), c.read) << c.text;
    if (!c.read) return;
    EXPECT_EQ(more_total, c.more_total);
    EXPECT_EQ(more_done, c.more_done);
}

INSTANTIATE_TEST_SUITE_P(Cases, ProgressReport,
                         testing::Values(ReportCase{"total 120", true, 120, 0}, ReportCase{"done 3", true, 0, 3},
                                         ReportCase{"total -2", true, -2, 0}, ReportCase{"total 0", true, 0, 0},
                                         ReportCase{"done", false, 0, 0}, ReportCase{"done -", false, 0, 0},
                                         ReportCase{"done 3x", false, 0, 0}, ReportCase{"frame 3", false, 0, 0},
                                         ReportCase{"total  3", false, 0, 0}, ReportCase{"", false, 0, 0}));

TEST(ProgressBarTest, AReportingRunSendsItsTotalAndWhatItHasDoneAsChanges) {
    int ends[2];
    ASSERT_EQ(pipe(ends), 0);
    {
        ProgressBar bar(10, ProgressBar::Output::report, ends[1]);
        bar.update(0);
        bar.update(2);
        bar.update(2);
        bar.update(5);
        bar.set_total(7);
        bar.finish();
    }
    close(ends[1]);
    std::string sent;
    char c = 0;
    while (read(ends[0], &c, 1) == 1) sent += c;
    close(ends[0]);
    EXPECT_EQ(sent, "total 10\ndone 2\ndone 3\ntotal -3\n");
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

// A frame as read back: rows of grey levels from the bottom, RGBA.
std::vector<uint8_t> drawn_rows(const std::vector<std::vector<uint8_t>>& rows_from_bottom) {
    std::vector<uint8_t> rgba;
    for (const auto& row : rows_from_bottom)
        for (uint8_t grey : row) rgba.insert(rgba.end(), {grey, grey, grey, 255});
    return rgba;
}

struct ShrinkCase {
    const char* name;
    int32_t factor;
    std::vector<std::vector<uint8_t>> drawn;     // rows from the bottom
    std::vector<std::vector<uint8_t>> picture;  // rows from the top
};

void PrintTo(const ShrinkCase& c, std::ostream* out) { *out << c.name; }

class ImageFromReadback : public testing::TestWithParam<ShrinkCase> {};

TEST_P(ImageFromReadback, IsTurnedOverAndEachPixelTheMeanOfThoseItCovers) {
    const ShrinkCase& c = GetParam();
    const auto drawn_width = static_cast<int32_t>(c.drawn[0].size());
    const auto drawn_height = static_cast<int32_t>(c.drawn.size());
    const Image image = image_from_readback(drawn_rows(c.drawn), drawn_width, drawn_height, c.factor);
    ASSERT_EQ(image.width, static_cast<int32_t>(c.picture[0].size()));
    ASSERT_EQ(image.height, static_cast<int32_t>(c.picture.size()));
    for (int32_t y = 0; y < image.height; ++y)
        for (int32_t x = 0; x < image.width; ++x) {
            const uint8_t* pixel = &image.rgba[(static_cast<size_t>(y) * image.width + x) * 4];
            const uint8_t expected = c.picture[static_cast<size_t>(y)][static_cast<size_t>(x)];
            EXPECT_EQ((std::vector<int>{pixel[0], pixel[1], pixel[2], pixel[3]}),
                      (std::vector<int>{expected, expected, expected, 255}))
                << "at " << x << ", " << y;
        }
    // rgb24 for the encoder: the same colours without alpha.
    const std::vector<uint8_t> rgb = rgb_bytes(image);
    ASSERT_EQ(rgb.size(), static_cast<size_t>(image.width * image.height * 3));
    EXPECT_EQ(rgb[0], c.picture[0][0]);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ImageFromReadback,
    testing::Values(
        // Only turned over: the bytes as drawn.
        ShrinkCase{"Factor1", 1, {{10, 20}, {30, 40}}, {{30, 40}, {10, 20}}},
        // A white area beside a vertical edge: the edge's pixel halfway.
        ShrinkCase{"EdgeAtFactor2", 2, {{255, 255, 255, 0}, {255, 255, 255, 0}}, {{255, 128}}},
        // A diagonal edge: a quarter, rounded to the nearest level.
        ShrinkCase{"CornerAtFactor2", 2, {{0, 0}, {0, 255}}, {{64}}},
        ShrinkCase{"OneOfNineAtFactor3", 3, {{0, 0, 0}, {0, 255, 0}, {0, 0, 0}}, {{28}}},
        // The rows keep their order from the top once shrunk.
        ShrinkCase{"RowsAtFactor4", 4,
                   {{0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0},
                    {200, 200, 200, 200}, {200, 200, 200, 200}, {200, 200, 200, 200}, {200, 200, 200, 200}},
                   {{200}, {0}}}),
    [](const testing::TestParamInfo<ShrinkCase>& info) { return std::string(info.param.name); });

struct ChunkCase {
    int64_t first;
    int64_t last;
    int32_t count;
};

void PrintTo(const ChunkCase& c, std::ostream* out) { *out << c.first << ".." << c.last << " in " << c.count; }

class FrameChunks : public testing::TestWithParam<ChunkCase> {};

TEST_P(FrameChunks, TileTheRangeInEvenConsecutiveParts) {
    const ChunkCase& c = GetParam();
    const int64_t frames = c.last - c.first + 1;
    int64_t next = std::numeric_limits<int64_t>::min();
    for (int32_t k = 1; k <= c.count; ++k) {
        const FrameSpan span = chunk_frames({k, c.count}, c.first, c.last);
        EXPECT_EQ(span.begin, next) << "part " << k;
        if (k < c.count) {
            const int64_t inside = span.end - std::max(span.begin, c.first);
            EXPECT_GE(inside, frames / c.count) << "part " << k;
            EXPECT_LE(inside, frames / c.count + 1) << "part " << k;
        }
        next = span.end;
        // The parts of a part are parts of the finer split, and tile it.
        const int32_t parts = 3;
        EXPECT_EQ(chunk_frames(chunk_part({k, c.count}, 1, parts), c.first, c.last).begin, span.begin);
        EXPECT_EQ(chunk_frames(chunk_part({k, c.count}, parts, parts), c.first, c.last).end, span.end);
    }
    EXPECT_EQ(next, std::numeric_limits<int64_t>::max());
    EXPECT_EQ(chunk_text({2, c.count}), "2/" + std::to_string(c.count));
}

INSTANTIATE_TEST_SUITE_P(Cases, FrameChunks,
                         testing::Values(ChunkCase{0, 104, 2}, ChunkCase{0, 104, 3}, ChunkCase{1200, 1488, 7},
                                         ChunkCase{50, 52, 3}, ChunkCase{0, 5990, 16}, ChunkCase{10, 10, 2}));

TEST(FrameChunks, TheWholeRunIsOnePartOpenAtBothEnds) {
    const FrameSpan whole = chunk_frames({}, 0, 104);
    EXPECT_TRUE(whole.holds(std::numeric_limits<int64_t>::min()));
    EXPECT_TRUE(whole.holds(1 << 30));
    EXPECT_FALSE(chunk_frames({1, 2}, 0, 104).holds(52));
    EXPECT_TRUE(chunk_frames({2, 2}, 0, 104).holds(52));
}
