// morva-capture's videos: frames piped straight to ffmpeg, drawn in parts
// by several processes and joined, and drawn larger for smooth edges. On
// the short composed track (10.4 s: 104 patterns of 0.1 s), at 10 frames a
// second: patterns 50 to 70 are the 21 frames 50 to 70.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "tests/support/sound_files.h"
#include "tests/tools/capture_support.h"

namespace {
const std::vector<std::string> SPAN = {"--fps", "10", "--size", "160x90", "--from", "p50", "--to", "p70"};
constexpr int64_t SPAN_FRAMES = 21;

// The arguments, for the frames of the span.
std::vector<std::string> in_span(std::vector<std::string> arguments) {
    arguments.insert(arguments.end(), SPAN.begin(), SPAN.end());
    return arguments;
}

// The track's samples from one frame's time to another's, as stereo.
std::vector<float> track_between(const ShowFolder& folder, int64_t first_frame, int64_t end_frame) {
    const ReadBack track = read_sound(folder.file("sounds/music0.ogg"));
    return std::vector<float>(track.samples.begin() + 2 * first_frame * 4410, track.samples.begin() + 2 * end_frame * 4410);
}

void expect_close(const std::vector<float>& decoded, const std::vector<float>& expected, float tolerance) {
    ASSERT_EQ(decoded.size(), expected.size());
    float largest = 0.0f;
    for (size_t i = 0; i < decoded.size(); ++i) largest = std::max(largest, std::abs(decoded[i] - expected[i]));
    EXPECT_LE(largest, tolerance);
}

// Makes chunk k of 2 as one machine of one core would make it for a join:
// the pictures streamed, the music lossless; its decoded pictures.
std::vector<std::string> stream_chunk(const ShowFolder& folder, int k) {
    const std::string video = "chunk-" + std::to_string(k) + ".mp4";
    const ChildResult streamed = capture(folder, in_span({"--video", video, "--chunk", std::to_string(k) + "/2", "--jobs", "1"}));
    EXPECT_TRUE(streamed.succeeded()) << streamed.describe();
    EXPECT_EQ(probe_video(folder.file(video)).sound_codec, "alac");
    return frame_hashes(folder.file(video));
}
}  // namespace

TEST(CaptureVideo, StreamsTheFramesWithTheirMusicAndLeavesNothingElse) {
    ShowFolder folder("10.4");
    // As many processes as the machine has cores, the default.
    const ChildResult result = capture(folder, in_span({"--video", "v.mp4"}));
    ASSERT_TRUE(result.succeeded()) << result.describe();
    const VideoFacts video = probe_video(folder.file("v.mp4"));
    EXPECT_EQ(video.picture_codec, "h264");
    EXPECT_EQ(video.width, 160);
    EXPECT_EQ(video.height, 90);
    EXPECT_EQ(video.frames, SPAN_FRAMES);
    EXPECT_EQ(video.sound_codec, "aac");
    EXPECT_NEAR(video.sound_seconds, 2.1, 0.001);
    EXPECT_NE(result.err.find("100%  frame 21/21  "), std::string::npos) << result.err;
    EXPECT_NE(result.err.find("morva-capture: video written to v.mp4\n"), std::string::npos) << result.err;
    EXPECT_TRUE(capture_complaints(result.err).empty()) << result.err;
    EXPECT_EQ(hidden_files(folder.path()), std::vector<std::string>{});
    EXPECT_FALSE(std::filesystem::exists(folder.file("frame-000050.png")));

    // Drawn at twice the size, the video is still the size asked for.
    const ChildResult larger = capture(folder, in_span({"--video", "s.mp4", "--supersample", "2", "--jobs", "1"}));
    ASSERT_TRUE(larger.succeeded()) << larger.describe();
    const VideoFacts smooth = probe_video(folder.file("s.mp4"));
    EXPECT_EQ(smooth.width, 160);
    EXPECT_EQ(smooth.height, 90);
    EXPECT_EQ(smooth.frames, SPAN_FRAMES);
}

// The chain from one process's frames to the video of many: a chunk
// draws the very frames one run draws (its PNGs, byte for byte), and its
// streamed video holds the frames it draws (the same decoded pictures as
// the video of its PNGs, from the same encoder); the join copies the
// chunks' pictures, and --jobs draws and joins exactly those chunks.
TEST(CaptureVideo, ChunksDrawTheFramesOfOneRunAndTheJoinAndJobsCopyThemInOrder) {
    ShowFolder folder("10.4");
    const ChildResult whole = capture(folder, in_span({"--frames", "all"}));
    ASSERT_TRUE(whole.succeeded()) << whole.describe();
    // The second half replays the music and the show up to its first frame.
    const ChildResult pictures = capture(folder, in_span({"--frames", "part", "--chunk", "2/2", "--video", "part.mp4"}));
    ASSERT_TRUE(pictures.succeeded()) << pictures.describe();
    std::vector<std::string> expected;
    for (int frame = 60; frame <= 70; ++frame) {
        expected.push_back(frame_name(frame));
        EXPECT_EQ(file_bytes(folder.file("part/" + frame_name(frame))), file_bytes(folder.file("all/" + frame_name(frame))))
            << frame;
    }
    expected.push_back("track.wav");
    EXPECT_EQ(names_in(folder.file("part")), expected);

    std::vector<std::string> both = stream_chunk(folder, 1);
    const std::vector<std::string> second = stream_chunk(folder, 2);
    EXPECT_EQ(both.size(), 10u);
    EXPECT_EQ(second.size(), 11u);
    EXPECT_EQ(second, frame_hashes(folder.file("part.mp4")));
    expect_close(decoded_sound(folder.file("chunk-1.mp4")), track_between(folder, 50, 60), 1e-6f);
    expect_close(decoded_sound(folder.file("chunk-2.mp4")), track_between(folder, 60, 71), 1e-6f);
    both.insert(both.end(), second.begin(), second.end());

    const ChildResult joined = capture(folder, {"--join", "joined.mp4", "chunk-1.mp4", "chunk-2.mp4"});
    ASSERT_TRUE(joined.succeeded()) << joined.describe();
    // The pictures copied, not encoded again: the same decoded frames.
    EXPECT_EQ(frame_hashes(folder.file("joined.mp4")), both);
    const VideoFacts video = probe_video(folder.file("joined.mp4"));
    EXPECT_EQ(video.sound_codec, "aac");
    EXPECT_NEAR(video.sound_seconds, 2.1, 0.001);

    // Started with SIGCHLD ignored, as some launchers leave it, the run
    // still sees its parts and ffmpeg end.
    const ChildResult jobs = run_drawing_program(
        in_span({"/usr/bin/env", "--ignore-signal=CHLD", MORVA_CAPTURE_BINARY, "--video", "jobs.mp4", "--jobs", "2"}),
        folder.path(), {{"-DISPLAY", ""}});
    ASSERT_TRUE(jobs.succeeded()) << jobs.describe();
    EXPECT_NE(jobs.err.find("drawing off screen in 2 processes at once"), std::string::npos) << jobs.err;
    EXPECT_EQ(frame_hashes(folder.file("jobs.mp4")), both);
    EXPECT_EQ(hidden_files(folder.path()), std::vector<std::string>{});
}

TEST(CaptureVideo, SupersamplingSmoothsEdgesAndAFactorOfOneChangesNothing) {
    ShowFolder folder("10.4");
    for (const char* factor : {"", "1", "2"}) {
        std::vector<std::string> arguments = {"--at", "end", "--out", std::string("k") + factor, "--size", "320x180"};
        if (*factor != '\0') arguments.insert(arguments.end(), {"--supersample", factor});
        const ChildResult result = capture(folder, arguments);
        ASSERT_TRUE(result.succeeded()) << result.describe();
    }
    EXPECT_EQ(file_bytes(folder.file("k1/at-end.png")), file_bytes(folder.file("k/at-end.png")));
    // The end is a flat red figure on white: drawn as it is, its edges are
    // either; drawn at twice the size, an edge pixel mixes the four it
    // covers, a quarter, half or three quarters white.
    auto mixed = [](const std::array<int, 3>& rgb) {
        return rgb[0] == 255 && rgb[1] == rgb[2] && rgb[1] != 0 && rgb[1] != 255;
    };
    const Picture sharp = read_png(folder.file("k1/at-end.png"));
    const Picture smooth = read_png(folder.file("k2/at-end.png"));
    ASSERT_EQ(smooth.width, 320);
    EXPECT_EQ(sharp.count(mixed), 0);
    EXPECT_GT(smooth.count(mixed), 100);
    std::set<int> levels;
    for (const std::array<int, 3>& rgb : smooth.pixels)
        if (mixed(rgb)) levels.insert(rgb[1]);
    EXPECT_EQ(levels, (std::set<int>{64, 128, 191}));
}
