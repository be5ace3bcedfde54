// morva's own options, run as a user runs them: what each says and its exit
// status, and that none of the answers opens a window.
#include <gtest/gtest.h>

#include <chrono>
#include <ostream>
#include <string>
#include <vector>

#include "morva/version.h"
#include "tests/support/child_process.h"
#include "tests/support/sound_files.h"
#include "tests/support/window_child.h"
#include "tests/support/x_server.h"

namespace {
using std::chrono::milliseconds;

const std::string MORVA = MORVA_BINARY;
const std::string FONT = std::string(MORVA_SOURCE_DIR) + "/font/HomeVideo-Regular.ttf";
const std::string HINT = " (morva --help lists the options)\n";

// Runs morva in a fresh empty folder; "BAD" in the arguments stands for a
// file there that holds no sound and no font.
ChildResult run_morva(std::vector<std::string> arguments, const std::string& display) {
    TempDir folder;
    write_text(folder.file("bad"), "OggS this is neither a sound file nor a font\n");
    for (std::string& argument : arguments)
        if (argument == "BAD") argument = folder.file("bad");
    arguments.insert(arguments.begin(), MORVA);
    std::vector<std::pair<std::string, std::string>> env = drawing_program_environment();
    env.emplace_back(display.empty() ? "-DISPLAY" : "DISPLAY", display);
    return ChildProcess::spawn_program(arguments, env, folder.path()).wait(milliseconds(30000));
}

struct Answer {
    const char* name;
    std::vector<std::string> arguments;
    int status;
    std::string out_start;  // what standard output begins with
    std::string err;
};

// Without any X display: an answer that opened a window would fail instead.
const Answer ANSWERS[] = {
    {"Help", {"--help"}, 0, "usage: morva [TITLE] [--music FILE] [--font FILE] [freeglut options]\n", ""},
    {"HelpAfterATitle", {"title", "--help"}, 0, "usage: morva", ""},
    {"Version", {"--version"}, 0, std::string("morva ") + MORVA_VERSION + "\n", ""},
    {"MusicWithoutAFile", {"--music"}, 1, "", "morva: --music needs a file name" + HINT},
    {"FontWithAnEmptyName", {"title", "--font", ""}, 1, "", "morva: --font needs a file name" + HINT},
    {"AMissingMusicFile", {"--music", "missing.ogg"}, 1, "", "morva: cannot read missing.ogg: No such file or directory\n"},
    {"AMissingFontFile", {"--font", "missing.ttf"}, 1, "", "morva: cannot read missing.ttf: No such file or directory\n"},
    {"AnUnknownOption", {"--fullscreen"}, 1, "", "morva: unknown option '--fullscreen'" + HINT},
};

// Cases are listed by name.
void PrintTo(const Answer& answer, std::ostream* out) { *out << answer.name; }

class MorvaAnswers : public testing::TestWithParam<Answer> {};
}  // namespace

TEST_P(MorvaAnswers, OnItsCommandLineWithoutOpeningAWindow) {
    const Answer& answer = GetParam();
    const ChildResult result = run_morva(answer.arguments, "");
    EXPECT_TRUE(result.exited) << result.describe();
    EXPECT_EQ(result.exit_code, answer.status) << result.describe();
    EXPECT_EQ(result.err, answer.err);
    if (answer.out_start.empty()) {
        EXPECT_EQ(result.out, "");
    } else {
        EXPECT_EQ(result.out.substr(0, answer.out_start.size()), answer.out_start);
    }
}

INSTANTIATE_TEST_SUITE_P(Morva, MorvaAnswers, testing::ValuesIn(ANSWERS),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(MorvaHelp, SaysWhereTheFilesAreLookedFor) {
    const ChildResult result = run_morva({"--help"}, "");
    ASSERT_TRUE(result.succeeded()) << result.describe();
    for (const char* part : {"Keys: Escape quits", "./font/HomeVideo-Regular.ttf", "./sounds/music0.ogg",
                             "font:  ./font/HomeVideo-Regular.ttf (missing)\n",
                             "music: ./sounds/music0.ogg (missing)\n"})
        EXPECT_NE(result.out.find(part), std::string::npos) << part << " not in\n" << result.out;
}

// Files that are there but cannot be used: the window opens, the loader
// says why, and the program ends with status 1.
TEST(MorvaFiles, AFileThatIsNoSoundOrNoFontEndsTheShowWithTheLoadersMessage) {
    START_X_SERVER(server, 1920, 1080);
    const ChildResult no_sound = run_morva({"--font", FONT, "--music", "BAD"}, server.display());
    EXPECT_EQ(no_sound.exit_code, 1) << no_sound.describe();
    const std::vector<std::string> sound_lines = lines_of(no_sound.err);
    ASSERT_EQ(sound_lines.size(), 2u) << no_sound.err;
    EXPECT_EQ(sound_lines[0].rfind("error loading file: /", 0), 0u) << sound_lines[0];
    EXPECT_EQ(sound_lines[1].rfind("failed to open audio file: /", 0), 0u) << sound_lines[1];

    const ChildResult no_font = run_morva({"--font", "BAD"}, server.display());
    EXPECT_EQ(no_font.exit_code, 1) << no_font.describe();
    const std::vector<std::string> font_lines = lines_of(no_font.err);
    ASSERT_EQ(font_lines.size(), 1u) << no_font.err;
    EXPECT_EQ(font_lines[0].rfind("error loading font: /", 0), 0u) << font_lines[0];
}
