// Player files written byte by byte here, read back as keys or refused with
// one line; their names; and the writer's bytes.
#include "sync/player_file.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "tests/support/sound_files.h"

namespace {
using I = SyncInterpolation;
using Bytes = std::vector<uint8_t>;

Bytes operator+(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// A key as the file holds it: row, the value's bits, the interpolation.
Bytes key(uint32_t row, uint32_t value_bits, uint8_t interpolation) {
    const auto le = [](uint32_t v) {
        return Bytes{uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
    };
    return le(row) + le(value_bits) + Bytes{interpolation};
}

const Bytes ONE{0x01, 0, 0, 0}, TWO{0x02, 0, 0, 0};
constexpr uint32_t ONE_F = 0x3F800000, MINUS_TEN_F = 0xC1200000, NAN_F = 0x7FC00000, INF_F = 0x7F800000,
                   HUGE_F = 0x7F7FFFFF;  // the largest float

struct FileCase {
    const char* what;
    Bytes bytes;
    const char* why;             // the refusal's reason, or nullptr when the file is read
    std::vector<SyncKey> keys;   // what a read file gives
};

class PlayerFileRead : public testing::TestWithParam<FileCase> {};

TEST_P(PlayerFileRead, GivesItsKeysOrOneLineSayingWhy) {
    const FileCase& c = GetParam();
    const TempDir dir;
    const std::string path = dir.file("show_fade.track");
    write_file_bytes(path, c.bytes);
    const std::vector<SyncKey> before{{99, 5.0f, I::step}};
    SyncTrack track{"fade", before};
    testing::internal::CaptureStderr();
    const int32_t status = player_file_read(path.c_str(), &track);
    const std::string errors = testing::internal::GetCapturedStderr();
    EXPECT_EQ(status, c.why ? 0 : 1) << c.what;
    EXPECT_EQ(errors, c.why ? "error reading sync track " + path + ": " + c.why + "\n" : "") << c.what;
    // A refused file leaves the track as it was.
    EXPECT_EQ(track.keys, c.why ? before : c.keys) << c.what;
}

const FileCase FILES[] = {
    {"two keys", TWO + key(10, ONE_F, 1) + key(20, MINUS_TEN_F, 3), nullptr,
     {{10, 1.0f, I::linear}, {20, -10.0f, I::ramp}}},
    {"no keys", Bytes{0, 0, 0, 0}, nullptr, {}},
    {"a negative row and the largest float", ONE + key(0xFFFFFFFB, HUGE_F, 2), nullptr,
     {{-5, 3.4028234663852886e38f, I::smooth}}},
    {"keys out of order are sorted", TWO + key(20, MINUS_TEN_F, 0) + key(10, ONE_F, 1), nullptr,
     {{10, 1.0f, I::linear}, {20, -10.0f, I::step}}},
    {"on one row the last key wins", Bytes{3, 0, 0, 0} + key(7, ONE_F, 1) + key(3, ONE_F, 0) + key(7, MINUS_TEN_F, 2),
     nullptr, {{3, 1.0f, I::step}, {7, -10.0f, I::smooth}}},
    {"empty", Bytes{}, "0 bytes, shorter than its key count", {}},
    {"a count of two over one key", TWO + key(1, ONE_F, 0), "its count gives 2 keys but it holds 1", {}},
    {"an absurd count", Bytes{0xFF, 0xFF, 0xFF, 0xFF}, "its count gives 4294967295 keys but it holds 0", {}},
    {"cut off mid-key", TWO + key(1, ONE_F, 0) + Bytes{2, 0, 0, 0, 0},
     "cut off inside key 2 of the 2 its count gives", {}},
    {"bytes after the last key", ONE + key(1, ONE_F, 0) + Bytes{0}, "bytes after its last key: 1", {}},
    {"interpolation 4", TWO + key(1, ONE_F, 0) + key(2, ONE_F, 4), "key 2 has interpolation 4 (0 to 3 are known)",
     {}},
    {"a NaN value", ONE + key(1, NAN_F, 0), "key 1 has the value nan", {}},
    {"an infinite value", ONE + key(1, INF_F, 1), "key 1 has the value inf", {}},
};
INSTANTIATE_TEST_SUITE_P(Files, PlayerFileRead, testing::ValuesIn(FILES));

TEST(PlayerFile, HoldsAMillionKeysWhenTheFileDoes) {
    const uint32_t count = 1000000;
    Bytes bytes{uint8_t(count), uint8_t(count >> 8), uint8_t(count >> 16), 0};
    // One key's bytes copied with its row written in: a million small
    // vectors would take the sanitizers half a minute.
    const Bytes first = key(0, ONE_F, 1);
    bytes.reserve(bytes.size() + count * first.size());
    for (uint32_t row = 0; row < count; ++row) {
        const size_t at = bytes.size();
        bytes.insert(bytes.end(), first.begin(), first.end());
        for (int i = 0; i < 4; ++i) bytes[at + i] = uint8_t(row >> (8 * i));
    }
    SyncTrack track{"long", {}};
    ASSERT_EQ(player_file_parse(bytes.data(), bytes.size(), "long", &track), 1);
    EXPECT_EQ(track.keys.back(), (SyncKey{int32_t(count - 1), 1.0f, I::linear}));
}

struct NameCase {
    const char* track;
    const char* file;
};

class PlayerFileName : public testing::TestWithParam<NameCase> {};

TEST_P(PlayerFileName, EscapesAllButLettersDigitsDotUnderscoreAndSlash) {
    EXPECT_EQ(player_file_name("data/show", GetParam().track), GetParam().file);
}

const NameCase NAMES[] = {
    {"fade", "data/show_fade.track"},
    {"camera:x", "data/show_camera-3Ax.track"},
    {"a-b c", "data/show_a-2Db-20c.track"},
    {"Scene.fade_in/2", "data/show_Scene.fade_in/2.track"},
    {"\xC3\xA9", "data/show_-C3-A9.track"},
    {"", "data/show_.track"},
};
INSTANTIATE_TEST_SUITE_P(Names, PlayerFileName, testing::ValuesIn(NAMES));

TEST(PlayerFile, IsWrittenInItsFolderAsReadAndRefusedWhereItCannotBe) {
    const TempDir dir;
    const std::string path = player_file_name(dir.file("show"), "cam/zoom");
    const SyncTrack track{"cam/zoom", {{10, 1.0f, I::linear}, {20, -10.0f, I::ramp}}};
    ASSERT_EQ(player_file_write(path.c_str(), track), 1);
    EXPECT_EQ(file_bytes(path), TWO + key(10, ONE_F, 1) + key(20, MINUS_TEN_F, 3));
    SyncTrack missing{"fade", {}};
    testing::internal::CaptureStderr();
    EXPECT_EQ(player_file_read("/nonexistent/show_fade.track", &missing), 0);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "error reading sync track /nonexistent/show_fade.track: No such file or directory\n");

    testing::internal::CaptureStderr();
    EXPECT_EQ(player_file_write((path + "/below-a-file.track").c_str(), track), 0);
    const std::string errors = testing::internal::GetCapturedStderr();
    EXPECT_EQ(errors.rfind("error writing sync track " + path + "/below-a-file.track: ", 0), 0u) << errors;
    EXPECT_EQ(std::count(errors.begin(), errors.end(), '\n'), 1) << errors;
}
}  // namespace
