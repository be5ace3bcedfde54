// morva-capture with the show's files named on its command line, and its
// answers to --help and --version. (What it says of files it cannot read
// is among its failures, in capture_output_test.cpp.)
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "morva/version.h"
#include "tests/support/sound_files.h"
#include "tests/tools/capture_support.h"

TEST(CaptureFiles, NamedFilesDrawWhatTheFixedOnesDraw) {
    ShowFolder folder("10.4");
    const ChildResult fixed = capture(folder, {"--at", "p1,p30", "--out", "fixed", "--size", "320x180"});
    ASSERT_TRUE(fixed.succeeded()) << fixed.describe();
    // The same files under other names, and nothing left where the fixed paths point.
    std::filesystem::create_directories(folder.file("elsewhere"));
    std::filesystem::rename(folder.file("font/HomeVideo-Regular.ttf"), folder.file("elsewhere/face.ttf"));
    std::filesystem::rename(folder.file("sounds/music0.ogg"), folder.file("elsewhere/track.ogg"));
    const ChildResult named = capture(folder, {"--at", "p1,p30", "--out", "named", "--size", "320x180", "--music",
                                               "elsewhere/track.ogg", "--font", "elsewhere/face.ttf"});
    ASSERT_TRUE(named.succeeded()) << named.describe();
    EXPECT_NE(named.err.find("loaded: elsewhere/track.ogg\n"), std::string::npos) << named.err;
    for (const char* still : {"at-p1.png", "at-p30.png"}) {
        const std::vector<uint8_t> bytes = file_bytes(folder.file(std::string("fixed/") + still));
        EXPECT_GT(bytes.size(), 1000u) << still;
        EXPECT_EQ(file_bytes(folder.file(std::string("named/") + still)), bytes) << still;
    }
}

namespace {
// A player file's bytes, little-endian as the editor's library writes them:
// the key count, then each key's row, value and interpolation.
struct KeyBytes {
    int32_t row;
    float value;
    uint8_t interpolation;
};
std::vector<uint8_t> player_file_bytes(const std::vector<KeyBytes>& keys) {
    std::vector<uint8_t> bytes;
    const auto put32 = [&](uint32_t word) {
        for (int shift = 0; shift < 32; shift += 8) bytes.push_back(static_cast<uint8_t>(word >> shift));
    };
    put32(static_cast<uint32_t>(keys.size()));
    for (const KeyBytes& key : keys) {
        put32(static_cast<uint32_t>(key.row));
        uint32_t bits = 0;
        std::memcpy(&bits, &key.value, sizeof bits);
        put32(bits);
        bytes.push_back(key.interpolation);
    }
    return bytes;
}
}  // namespace

// The editor's player files replace the clear colour where they have keys,
// over the rows a pattern is given: red held at 1, blue rising linearly to
// 1 at row 240, which is pattern 30 at 8 rows a pattern and 60 at 4.
TEST(CaptureFiles, PlayerFilesReplaceTheValuesTheyKey) {
    ShowFolder folder("10.4");
    std::filesystem::create_directories(folder.file("keys"));
    write_file_bytes(folder.file("keys/show_background-3Ar.track"), player_file_bytes({{0, 1.0f, 0}}));
    write_file_bytes(folder.file("keys/show_background-3Ab.track"), player_file_bytes({{0, 0.0f, 1}, {240, 1.0f, 0}}));
    for (const char* rows : {"8", "4"}) {
        const std::string out = std::string("keyed-") + rows;
        const ChildResult keyed = capture(folder, {"--at", "p30", "--out", out, "--size", "320x180", "--tracks",
                                                   "keys/show", "--rows-per-pattern", rows});
        ASSERT_TRUE(keyed.succeeded()) << keyed.describe();
        const Picture picture = read_png(folder.file(out + "/at-p30.png"));
        // Green is the act's: black before pattern 40.
        EXPECT_EQ(picture.at(1, 1), (std::array<int, 3>{255, 0, std::string(rows) == "8" ? 255 : 128})) << rows;
    }
}

TEST(CaptureAnswers, VersionAndHelpWithWhereTheFilesAre) {
    ShowFolder folder("10.4", true, false);
    const ChildResult version = capture(folder, {"--version"});
    ASSERT_TRUE(version.succeeded()) << version.describe();
    EXPECT_EQ(version.out, std::string("morva-capture ") + MORVA_VERSION + "\n");
    const ChildResult help = capture(folder, {"--help"});
    ASSERT_TRUE(help.succeeded()) << help.describe();
    EXPECT_EQ(help.out.rfind("usage: morva-capture", 0), 0u) << help.out;
    for (const char* part : {"--music FILE", "--font FILE", "--version", "Files: without --font and --music",
                             "font:  ./font/HomeVideo-Regular.ttf\n", "music: ./sounds/music0.ogg (missing)\n"})
        EXPECT_NE(help.out.find(part), std::string::npos) << part << " not in\n" << help.out;
}
