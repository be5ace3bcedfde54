// morva-capture with the show's files named on its command line, and its
// answers to --help and --version.
#include <gtest/gtest.h>

#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include "morva/version.h"
#include "tests/support/sound_files.h"
#include "tests/tools/capture_support.h"

namespace {
const std::vector<std::pair<std::string, std::string>> NO_DISPLAY = {{"-DISPLAY", ""}};

ChildResult capture(const ShowFolder& folder, const std::vector<std::string>& arguments) {
    return run_capture_in(folder.path(), arguments, NO_DISPLAY);
}

struct FileOptionCase {
    const char* name;
    std::vector<std::string> arguments;
    int status;
    std::string message;
};

const FileOptionCase FILE_OPTION_CASES[] = {
    {"MusicWithoutAValue", {"--sheet", "s.png", "--music"}, 1, "--music needs a value"},
    {"FontWithAnEmptyName", {"--sheet", "s.png", "--font", ""}, 1, "--font needs a file or folder name"},
    {"MusicTwice", {"--music", "a.ogg", "--sheet", "s.png", "--music", "b.ogg"}, 1, "--music is given twice"},
    {"AMissingMusicFile", {"--sheet", "s.png", "--music", "missing.ogg"}, 1,
     "cannot read missing.ogg: No such file or directory"},
    {"AMissingFontFile", {"--sheet", "s.png", "--font", "missing.ttf"}, 1,
     "cannot read missing.ttf: No such file or directory"},
};

// Cases are listed by name.
void PrintTo(const FileOptionCase& option, std::ostream* out) { *out << option.name; }

class CaptureFileOptions : public testing::TestWithParam<FileOptionCase> {};
}  // namespace

TEST_P(CaptureFileOptions, FailWithOneLine) {
    ShowFolder folder("10.4", true, false);  // the font only: nothing gets as far as the music
    expect_one_line_failure(capture(folder, GetParam().arguments), GetParam().status, GetParam().message);
}

INSTANTIATE_TEST_SUITE_P(Capture, CaptureFileOptions, testing::ValuesIn(FILE_OPTION_CASES),
                         [](const auto& info) { return std::string(info.param.name); });

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

TEST(CaptureFiles, ANamedFileThatIsNoSoundIsRefusedByTheLoader) {
    ShowFolder folder("10.4", true, false);
    write_text(folder.file("noise.ogg"), "OggS this is not a sound file at all\n");
    const ChildResult result = capture(folder, {"--at", "1", "--out", "o", "--music", "noise.ogg"});
    EXPECT_TRUE(result.exited) << result.describe();
    EXPECT_EQ(result.exit_code, 1);
    EXPECT_NE(result.err.find("failed to open audio file: noise.ogg\n"), std::string::npos) << result.err;
    EXPECT_FALSE(std::filesystem::exists(folder.file("o/at-1.png")));
}

TEST(CaptureAnswers, VersionAndHelpWithWhereTheFilesAre) {
    ShowFolder folder("10.4", true, false);
    const ChildResult version = capture(folder, {"--version"});
    ASSERT_TRUE(version.succeeded()) << version.describe();
    EXPECT_EQ(version.out, std::string("morva-capture ") + MORVA_VERSION + "\n");
    const ChildResult help = capture(folder, {"--help"});
    ASSERT_TRUE(help.succeeded()) << help.describe();
    for (const char* part : {"--music FILE", "--font FILE", "--version", "Files: without --font and --music",
                             "font:  ./font/HomeVideo-Regular.ttf\n", "music: ./sounds/music0.ogg (missing)\n"})
        EXPECT_NE(help.out.find(part), std::string::npos) << part << " not in\n" << help.out;
}
