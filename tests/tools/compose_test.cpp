// The soundtrack composer: the tracks the build composed with it, and the
// program run as the set-up runs it.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <filesystem>
#include <tuple>

#include "audio/audio_track.h"
#include "tests/support/child_process.h"
#include "tests/support/sound_files.h"
#include "tools/composer/ogg_file.h"

namespace {
const std::string COMPOSE = MORVA_COMPOSE_BINARY;

ChildResult compose(const std::vector<std::string>& arguments) {
    std::vector<std::string> argv = {COMPOSE};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    return ChildProcess::spawn_program(argv).wait(CASE_TIME_LIMIT);
}

double rms(const std::vector<float>& samples, size_t from, size_t to) {
    double sum = 0.0;
    for (size_t i = from; i < to; ++i) sum += static_cast<double>(samples[i]) * samples[i];
    return std::sqrt(sum / static_cast<double>(to - from));
}

// The 10.4 s track the build composed, read by the cases that only read it.
class ComposedTrack : public testing::Test {
protected:
    static std::string path() { return test_track("10.4"); }
};
}  // namespace

TEST_F(ComposedTrack, IsStereoOggVorbisOf104PatternsExactly) {
    const ReadBack track = read_sound(path());
    EXPECT_EQ(track.info.format, SF_FORMAT_OGG | SF_FORMAT_VORBIS);
    EXPECT_EQ(track.info.channels, 2);
    EXPECT_EQ(track.info.samplerate, 44100);
    EXPECT_EQ(track.info.frames, 458640);  // 10.4 s: 104 patterns of 0.1 s
}

TEST_F(ComposedTrack, StartsAndEndsInSilenceWithMusicBetween) {
    const std::vector<float> samples = read_sound(path()).samples;
    ASSERT_EQ(samples.size(), 2u * 458640);
    float peak = 0.0f;
    for (float sample : samples) peak = std::max(peak, std::fabs(sample));
    EXPECT_LT(peak, 1.0f);
    EXPECT_GT(peak, 0.5f);
    EXPECT_LT(std::fabs(samples[0]), 0.01f);
    // The last 10 ms fade to nothing: no click when the track stops.
    EXPECT_LT(rms(samples, samples.size() - 882, samples.size()), 0.01);
    EXPECT_LT(std::fabs(samples.back()), 0.005f);
    // The band plays in the middle.
    EXPECT_GT(rms(samples, samples.size() / 2, samples.size() / 2 + 44100), 0.05);
}

TEST_F(ComposedTrack, QuietOpeningThenTheBeat) {
    // Patterns 0-7 hold only the pads; the drums and bass come in at 8.
    const std::vector<float> samples = read_sound(path()).samples;
    const size_t pattern = 2 * 4410;  // 0.1 s of stereo frames
    const double opening = rms(samples, 2 * pattern, 7 * pattern);
    const double with_beat = rms(samples, 8 * pattern, 15 * pattern);
    EXPECT_GT(opening, 0.005);
    EXPECT_GT(with_beat, 2.0 * opening);
}

TEST_F(ComposedTrack, EveryRunWritesTheSameBytes) {
    TempDir dir;
    const ChildResult again = compose({dir.file("again.ogg"), "10.4"});
    ASSERT_TRUE(again.succeeded()) << again.describe();
    EXPECT_EQ(file_bytes(dir.file("again.ogg")), file_bytes(path()));
}

// The level the show reads (647 Hz, 5 ms smoothing) after every block of a
// track played through the analysis, with the lowest and highest seen in
// each of the 104 patterns.
struct PatternLevels {
    std::array<float, 104> lowest;
    std::array<float, 104> highest;
};

PatternLevels analyse_patterns(const std::string& path) {
    PatternLevels levels;
    levels.lowest.fill(1.0f);
    levels.highest.fill(0.0f);
    AudioTrack* track = AudioTrack::create();
    testing::internal::CaptureStderr();
    EXPECT_EQ(track->open_file(path.c_str()), 1);
    testing::internal::GetCapturedStderr();
    track->set_smoothing_ms(5.0f);
    const double pattern_seconds = track->length_seconds() / 104;
    std::vector<float> block(2 * 256);
    for (int ended = 0; ended == 0;) {
        ended = AudioTrack::audio_callback(block.data(), nullptr, 256, 0.0, 0, track);
        const auto pattern = std::min<size_t>(103, static_cast<size_t>(track->position_seconds() / pattern_seconds));
        const float level = track->level_at(647.0f);
        levels.lowest[pattern] = std::min(levels.lowest[pattern], level);
        levels.highest[pattern] = std::max(levels.highest[pattern], level);
    }
    AudioTrack::destroy(track);
    return levels;
}

TEST(ComposedMusic, ItsE5LeadMovesTheListeningFigureFromPattern16) {
    // At 52 s a pattern lasts half a second: long enough for the notes to
    // sound as written.
    const PatternLevels levels = analyse_patterns(test_track("52"));
    // The opening pads stay far below the lead at E5.
    for (size_t pattern = 0; pattern < 8; ++pattern) EXPECT_LT(levels.highest[pattern], 0.25f) << pattern;
    // From the lead's entry the level swings across the whole range the
    // figure's thickness maps (0.14 to 0.70) within every two patterns.
    for (size_t pattern = 16; pattern < 24; pattern += 2) {
        const float lowest = std::min(levels.lowest[pattern], levels.lowest[pattern + 1]);
        const float highest = std::max(levels.highest[pattern], levels.highest[pattern + 1]);
        EXPECT_LE(lowest, 0.14f) << pattern;
        EXPECT_GE(highest, 0.70f) << pattern;
    }
}

TEST(OggSerial, RewritingKeepsEveryPageReadable) {
    TempDir dir;
    const std::string path = dir.file("tone.ogg");
    write_sound(path, SF_FORMAT_OGG | SF_FORMAT_VORBIS, 2, 44100, distinct_samples(20000, 2));
    std::vector<uint8_t> bytes = file_bytes(path);
    ASSERT_TRUE(set_ogg_serial(bytes, 0x01020304));
    write_file_bytes(path, bytes);
    // libsndfile checks each page's checksum: a wrong one would lose pages.
    const ReadBack back = read_sound(path);
    EXPECT_EQ(back.info.frames, 20000);
    EXPECT_EQ(bytes[14], 0x04);
    EXPECT_EQ(bytes[17], 0x01);
}

TEST(OggSerial, RefusesBytesThatAreNotWholeOggPages) {
    std::vector<unsigned char> text = {'n', 'o', 't', ' ', 'o', 'g', 'g'};
    EXPECT_FALSE(set_ogg_serial(text, 1));
    TempDir dir;
    const std::string path = dir.file("tone.ogg");
    write_sound(path, SF_FORMAT_OGG | SF_FORMAT_VORBIS, 2, 44100, distinct_samples(20000, 2));
    std::vector<uint8_t> cut = file_bytes(path);
    cut.resize(cut.size() - 10);
    EXPECT_FALSE(set_ogg_serial(cut, 1));
}

// Each refusal: its status, its one line, and no file written.
TEST(ComposeCommand, RefusalsSayWhyInOneLineAndWriteNothing) {
    TempDir dir;
    const std::string out = dir.file("x.ogg"), unwritable = dir.file("no/such/folder/x.ogg");
    const std::string length = "morva-compose: the length must be a number of seconds from 1 to 3600";
    const std::vector<std::tuple<std::vector<std::string>, int, std::string>> refusals = {
        {{}, 2, "usage: morva-compose OUTPUT.ogg [SECONDS]"},
        {{out, "abc"}, 2, length}, {{out, "0"}, 2, length},   {{out, "-5"}, 2, length},
        {{out, "0.5"}, 2, length}, {{out, "1e9"}, 2, length}, {{out, "12s"}, 2, length},
        {{unwritable, "2"}, 1, "cannot write " + unwritable},
    };
    for (const auto& [arguments, status, line] : refusals) {
        SCOPED_TRACE(testing::PrintToString(arguments));
        const ChildResult result = compose(arguments);
        EXPECT_TRUE(result.exited) << result.describe();
        EXPECT_EQ(result.exit_code, status);
        ASSERT_EQ(lines_of(result.err).size(), 1u) << result.err;
        EXPECT_EQ(result.err.rfind(line, 0), 0u) << result.err;
        EXPECT_FALSE(std::filesystem::exists(out));
    }
}
