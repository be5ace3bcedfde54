// morva-capture with the show's files named on its command line, and its
// answers to --help and --version. (What it says of files it cannot read
// is among its failures, in capture_output_test.cpp.)
#include <gtest/gtest.h>

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
