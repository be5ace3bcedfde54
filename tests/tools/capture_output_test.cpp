// morva-capture's other outputs (the contact sheet, every frame with its
// music and video, the Xvfb it can fall back on) and its failures.
#include <gtest/gtest.h>
#include <sndfile.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/sound_files.h"
#include "tests/tools/capture_support.h"

namespace {
// A PATH without ffmpeg on it.
const std::vector<std::pair<std::string, std::string>> WITHOUT_FFMPEG = {{"PATH", "/nonexistent"}};
}  // namespace

TEST(CaptureSheet, HoldsTwelveLabelledFramesFromDarkToTheWhiteEnd) {
    ShowFolder folder("10.4");
    const ChildResult result = capture(folder, {"--sheet", "sheet.png", "--size", "480x270"});
    ASSERT_TRUE(result.succeeded()) << result.describe();
    const Picture sheet = read_png(folder.file("sheet.png"));
    // Four columns and three rows of 120 x 67 pictures with 4-pixel gaps,
    // each over a 15-pixel band for its 10-pixel label.
    ASSERT_EQ(sheet.width, 4 + 4 * (120 + 4));
    ASSERT_EQ(sheet.height, 4 + 3 * (67 + 15 + 4));
    auto picture_origin = [](int i) { return std::array<int, 2>{4 + (i % 4) * 124, 4 + (i / 4) * 86}; };
    const auto first = picture_origin(0), last = picture_origin(11), lattice = picture_origin(8);
    EXPECT_GT(sheet.count_in(first[0], first[1], 120, 67, is_black), 120 * 67 * 9 / 10);  // dashes on black
    EXPECT_GT(sheet.count_in(last[0], last[1], 120, 67, is_white), 120 * 67 / 2);        // the white end
    EXPECT_GT(sheet.count_in(last[0], last[1], 120, 67, is_red), 100);
    EXPECT_GT(sheet.count_in(lattice[0], lattice[1], 120, 67, is_colored), 500);         // p30's rainbow
    for (int i = 0; i < 12; ++i) {
        const auto origin = picture_origin(i);
        // Light label text on the dark ground under every picture.
        EXPECT_GT(sheet.count_in(origin[0], origin[1] + 67, 120, 15, [](const auto& rgb) { return rgb[0] > 150; }),
                  20)
            << "no label under picture " << i;
    }
}

TEST(CaptureFrames, EveryFrameTheMusicAndAVideoAndARangeAgrees) {
    ShowFolder folder("10.4");
    const ChildResult all = capture(folder, {"--frames", "all", "--fps", "10", "--size", "160x90"});
    ASSERT_TRUE(all.succeeded()) << all.describe();
    // 10.4 s at 10 frames a second: frames 0 to 104, the last at the end.
    for (int frame : {0, 51, 104}) EXPECT_TRUE(std::filesystem::exists(folder.file("all/" + frame_name(frame)))) << frame;
    EXPECT_FALSE(std::filesystem::exists(folder.file("all/" + frame_name(105))));
    const Picture last = read_png(folder.file("all/frame-000104.png"));
    EXPECT_GT(last.count(is_white), last.width * last.height / 2);
    // The music as the sound card would have had it: the track itself.
    const ReadBack played = read_sound(folder.file("all/track.wav"));
    const ReadBack track = read_sound(folder.file("sounds/music0.ogg"));
    EXPECT_EQ(played.info.channels, 2);
    EXPECT_EQ(played.info.samplerate, 44100);
    EXPECT_EQ(played.samples, track.samples);
    // Progress as lines when standard error is no terminal.
    EXPECT_NE(all.err.find("100%  frame 105/105  "), std::string::npos) << all.err;
    EXPECT_NE(all.err.find(" frames/s  0:00 left"), std::string::npos) << all.err;
    if (std::filesystem::exists("/usr/bin/ffmpeg")) {
        const std::vector<uint8_t> video = file_bytes(folder.file("all/morva.mp4"));
        ASSERT_GT(video.size(), 1000u);
        EXPECT_EQ(std::string(video.begin() + 4, video.begin() + 8), "ftyp");
    }

    // Only patterns 50 to 52: the same frames, however many were drawn before.
    const ChildResult range = capture(folder, {"--frames", "range", "--fps", "10", "--size", "160x90", "--from",
                                               "p50", "--to", "p52", "--video", "range.mp4"});
    ASSERT_TRUE(range.succeeded()) << range.describe();
    // Counting only the frames drawn.
    EXPECT_NE(range.err.find("100%  frame 3/3  "), std::string::npos) << range.err;
    EXPECT_EQ(names_in(folder.file("range")),
              (std::vector<std::string>{frame_name(50), frame_name(51), frame_name(52), "track.wav"}));
    for (int frame = 50; frame <= 52; ++frame)
        EXPECT_EQ(file_bytes(folder.file("range/" + frame_name(frame))), file_bytes(folder.file("all/" + frame_name(frame))))
            << frame;
    const ReadBack excerpt = read_sound(folder.file("range/track.wav"));
    ASSERT_EQ(excerpt.info.frames, 3 * 4410);  // three tenths of a second
    EXPECT_TRUE(std::equal(excerpt.samples.begin(), excerpt.samples.end(), track.samples.begin() + 2 * 50 * 4410));
    if (std::filesystem::exists("/usr/bin/ffmpeg")) {
        EXPECT_TRUE(std::filesystem::exists(folder.file("range.mp4")));
    }
}

TEST(CaptureFrames, WithoutFfmpegItSaysSoAndKeepsTheFrames) {
    ShowFolder folder("10.4");
    const ChildResult result =
        capture(folder, {"--frames", "f", "--fps", "5", "--size", "64x36", "--from", "p100"}, WITHOUT_FFMPEG);
    ASSERT_TRUE(result.succeeded()) << result.describe();
    EXPECT_NE(result.err.find("morva-capture: ffmpeg is not installed: no video, the frames and track.wav are in f\n"),
              std::string::npos)
        << result.err;
    EXPECT_EQ(names_in(folder.file("f")), (std::vector<std::string>{frame_name(50), frame_name(51), frame_name(52), "track.wav"}));
}

TEST(CaptureContext, APrivateXvfbDrawsTheSamePixelsAsEgl) {
    ShowFolder folder("10.4");
    const ChildResult egl = capture(folder, {"--at", "p30", "--out", "egl", "--size", "320x180", "--context", "egl"});
    ASSERT_TRUE(egl.succeeded()) << egl.describe();
    EXPECT_NE(egl.err.find("drawing off screen with EGL (Mesa surfaceless)"), std::string::npos) << egl.err;
    const ChildResult xvfb = capture(folder, {"--at", "p30", "--out", "xvfb", "--size", "320x180", "--context", "xvfb"});
    ASSERT_TRUE(xvfb.succeeded()) << xvfb.describe();
    EXPECT_NE(xvfb.err.find("drawing off screen with a private Xvfb on :"), std::string::npos) << xvfb.err;
    EXPECT_EQ(file_bytes(folder.file("egl/at-p30.png")), file_bytes(folder.file("xvfb/at-p30.png")));
}

namespace {
// Where a failing run is started: a folder with the font and the music, one
// without the font, one without the music, or a whole folder with no ffmpeg
// on the PATH.
enum class In { folder, folder_without_font, folder_without_music, path_without_ffmpeg };

// How the failure is told on standard error: as its one line, before
// anything begins; as the one complaint of morva-capture's own after the
// show opened or ffmpeg spoke; or by the sound loader.
enum class Said { alone, after_others, by_loader };

struct Failure {
    std::vector<std::string> arguments;
    const char* message;
    In in = In::folder;
    Said said = Said::alone;
};

const Failure FAILURES[] = {
    {{}, "nothing to make"},
    {{"--bogus"}, "unknown option '--bogus'"},
    {{"--at", "p10"}, "--at needs --out DIR"},
    {{"--at", "1,,2", "--out", "o"}, "'' is not a time"},
    {{"--sheet", "s.png", "--fps", "0"}, "--fps takes a whole number"},
    {{"--sheet", "s.png", "--size", "8x8"}, "--size takes WIDTHxHEIGHT"},
    {{"--sheet", "s.png", "--size", "1920"}, "--size takes WIDTHxHEIGHT"},
    {{"--sheet", "s.png", "--context", "glx"}, "--context takes auto, egl or xvfb"},
    {{"--sheet", "s.png", "--sheet", "t.png"}, "--sheet is given twice"},
    {{"--sheet"}, "--sheet needs a value"},
    {{"--sheet", "s.png", "--from", "p3"}, "--from goes with --frames or --video"},
    {{"--out", "o"}, "--out goes with --at"},
    {{"--video", "v.mp4", "--jobs", "0"}, "--jobs takes a number of processes from 1 to 256, not '0'"},
    {{"--video", "v.mp4", "--jobs", "two"}, "--jobs takes a number"},
    {{"--frames", "f", "--jobs", "2"}, "--jobs goes with --video alone"},
    {{"--video", "v.mp4", "--sheet", "s.png", "--jobs", "2"}, "--jobs goes with --video alone"},
    {{"--at", "1", "--out", "o", "--supersample", "9"}, "--supersample takes a factor from 1 to 4, not '9'"},
    {{"--video", "v.mp4", "--supersample", "0"}, "--supersample takes a factor from 1 to 4"},
    {{"--video", "v.mp4", "--size", "4096x2160", "--supersample", "3"},
     "--supersample 3 would draw the frames larger than 8192 pixels a side"},
    {{"--video", "v.mp4", "--chunk", "3/2"}, "--chunk takes K/N, part K of N (1 <= K <= N), not '3/2'"},
    {{"--video", "v.mp4", "--chunk", "0/2"}, "--chunk takes K/N"},
    {{"--video", "v.mp4", "--chunk", "2"}, "--chunk takes K/N"},
    {{"--sheet", "s.png", "--chunk", "1/2"}, "--chunk goes with --frames or --video"},
    {{"--video", "v.mp4", "--at", "1", "--out", "o", "--chunk", "1/2"}, "--chunk goes with --frames or --video alone"},
    {{"--join"}, "--join needs the video to make and at least one chunk"},
    {{"--join", "v.mp4"}, "--join needs the video to make and at least one chunk"},
    {{"--fps", "10", "--join", "v.mp4", "a.mp4"}, "--join goes alone"},
    // The show's files, named or at their fixed places.
    {{"--sheet", "s.png", "--music"}, "--music needs a value"},
    {{"--sheet", "s.png", "--font", ""}, "--font needs a file or folder name"},
    {{"--music", "a.ogg", "--sheet", "s.png", "--music", "b.ogg"}, "--music is given twice"},
    {{"--sheet", "s.png", "--rows-per-pattern", "0"}, "--rows-per-pattern takes a whole number from 1 to 4096, not '0'"},
    {{"--at", "1", "--out", "o", "--tracks", "bad"}, "error reading sync track bad_figure-3Aturn.track: ", In::folder,
     Said::by_loader},
    {{"--sheet", "s.png", "--music", "missing.ogg"}, "cannot read missing.ogg: No such file or directory"},
    {{"--sheet", "s.png", "--font", "missing.ttf"}, "cannot read missing.ttf: No such file or directory"},
    {{"--sheet", "s.png"}, "cannot read ./font/HomeVideo-Regular.ttf: No such file or directory", In::folder_without_font},
    {{"--sheet", "s.png"}, "cannot read ./sounds/music0.ogg: No such file or directory", In::folder_without_music},
    {{"--at", "1", "--out", "o", "--music", "noise.ogg"}, "failed to open audio file: noise.ogg\n", In::folder,
     Said::by_loader},
    // Outputs that cannot be written, and videos without ffmpeg.
    {{"--at", "1", "--out", "blocker/stills"}, "cannot write into blocker/stills"},
    {{"--sheet", "no/such/folder/s.png"}, "cannot write no/such/folder/s.png"},
    {{"--video", "no/such/folder/v.mp4"}, "cannot write no/such/folder/v.mp4: No such file or directory"},
    {{"--video", "v.mp4"}, "--video needs ffmpeg, which is not installed", In::path_without_ffmpeg},
    {{"--frames", "f", "--video", "v.mp4"}, "--video needs ffmpeg, which is not installed", In::path_without_ffmpeg},
    {{"--join", "v.mp4", "missing.mp4"}, "cannot read missing.mp4: No such file or directory"},
    {{"--join", "no/such/folder/v.mp4", "not-a-video.mp4"}, "cannot write no/such/folder/v.mp4"},
    {{"--join", "v.mp4", "not-a-video.mp4"}, "--join needs ffmpeg, which is not installed", In::path_without_ffmpeg},
    // Ranges that run backwards, and names whose container ffmpeg would
    // not put the video in.
    {{"--video", "v.mp4", "--from", "p50", "--to", "p40"}, "--from p50 comes after --to p40"},
    {{"--frames", "f", "--from", "5", "--to", "4.5"}, "--from 5 comes after --to 4.5"},
    {{"--video", "v.mp4", "--from", "end", "--to", "3"}, "--from end comes after --to 3"},
    {{"--video", "v"}, "--video makes a .mp4, .m4v, .mov or .mkv file, not 'v'"},
    {{"--video", "v.webm"}, "--video makes a .mp4, .m4v, .mov or .mkv file, not 'v.webm'"},
    {{"--video", "v.wav", "--frames", "f"}, "--video makes a .mp4, .m4v, .mov or .mkv file, not 'v.wav'"},
    {{"--join", "v.webm", "not-a-video.mp4"}, "--join makes a .mp4, .m4v, .mov or .mkv file"},
    // A pattern past the show's last, or a range from seconds back to a
    // pattern, is refused once the show says how many patterns it has and
    // how long they are, before anything is drawn; a part that fails
    // passes its account on once, however many parts there are.
    {{"--at", "p104.5", "--out", "o"}, "there is no pattern 104.5: the show has 104", In::folder, Said::after_others},
    {{"--video", "v.mp4", "--from", "9", "--to", "p10", "--jobs", "1"}, "--from 9 comes after --to p10", In::folder,
     Said::after_others},
    {{"--video", "v.mp4", "--from", "p104.5", "--jobs", "3"}, "there is no pattern 104.5: the show has 104",
     In::folder, Said::after_others},
    // What ffmpeg refuses (a chunk that is no video) fails after ffmpeg's
    // own lines.
    {{"--join", "v.mp4", "not-a-video.mp4"}, "ffmpeg could not make v.mp4", In::folder, Said::after_others},
};
}  // namespace

// Every failure ends with status 1, says what went wrong, and leaves
// nothing under the names asked for and no work files. Each row runs in a
// folder of its own, so that what one leaves cannot fail another.
TEST(CaptureFailures, AreToldAndLeaveNothingBehind) {
    for (const Failure& c : FAILURES) {
        SCOPED_TRACE(testing::PrintToString(c.arguments));
        ShowFolder folder("10.4", c.in != In::folder_without_font, c.in != In::folder_without_music);
        write_text(folder.file("blocker"), "a file where a folder should be\n");
        write_text(folder.file("not-a-video.mp4"), "text, not a video\n");
        write_text(folder.file("noise.ogg"), "OggS this is not a sound file at all\n");
        write_text(folder.file("bad_figure-3Aturn.track"), "no");
        const ChildResult result =
            capture(folder, c.arguments, c.in == In::path_without_ffmpeg ? WITHOUT_FFMPEG : decltype(WITHOUT_FFMPEG){});
        EXPECT_EQ(result.exit_code, 1) << result.describe();
        switch (c.said) {
            case Said::alone: expect_one_line_failure(result, 1, c.message); break;
            case Said::after_others:
                EXPECT_EQ(capture_complaints(result.err), std::vector<std::string>{std::string("morva-capture: ") + c.message});
                break;
            case Said::by_loader: EXPECT_NE(result.err.find(c.message), std::string::npos) << result.err; break;
        }
        for (const char* made : {"v.mp4", "v", "v.webm", "v.wav", "s.png", "o/at-1.png"})
            EXPECT_FALSE(std::filesystem::exists(folder.file(made))) << made;
        // The folder of frames is made before ffmpeg is looked for; it stays empty.
        if (std::filesystem::exists(folder.file("f"))) {
            EXPECT_EQ(names_in(folder.file("f")), std::vector<std::string>{});
        }
        EXPECT_EQ(hidden_files(folder.path()), std::vector<std::string>{});
    }
}
