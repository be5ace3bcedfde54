// morva's own options, run as a user runs them: what each says and its exit
// status, and that none of the answers opens a window.
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "morva/version.h"
#include "tests/support/child_process.h"
#include "tests/support/sound_files.h"

namespace {
const std::string MORVA = MORVA_BINARY;
const std::string HINT = " (morva --help lists the options)\n";

// Runs morva in a fresh empty folder without any X display: an answer
// that opened a window would fail instead.
ChildResult run_morva(std::vector<std::string> arguments) {
    TempDir folder;
    arguments.insert(arguments.begin(), MORVA);
    std::vector<std::pair<std::string, std::string>> env = drawing_program_environment();
    env.emplace_back("-DISPLAY", "");
    return ChildProcess::spawn_program(arguments, env, folder.path()).wait(CASE_TIME_LIMIT);
}

struct Answer {
    const char* name;
    std::vector<std::string> arguments;
    int status;
    std::string out_start;  // what standard output begins with
    std::string err;
    std::vector<std::string> out_has = {};  // parts found further on
};

const Answer ANSWERS[] = {
    // Run in an empty folder, the help says where the files are looked for.
    {"Help", {"--help"}, 0, "usage: morva [TITLE] [--music FILE] [--font FILE] [--tracks SOURCE]\n", "",
     {"Keys: Escape quits", "font:  ./font/HomeVideo-Regular.ttf (missing)\n", "music: ./sounds/music0.ogg (missing)\n"}},
    {"HelpAfterATitle", {"title", "--help"}, 0, "usage: morva", ""},
    {"Version", {"--version"}, 0, std::string("morva ") + MORVA_VERSION + "\n", ""},
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
    const ChildResult result = run_morva(answer.arguments);
    EXPECT_TRUE(result.exited) << result.describe();
    EXPECT_EQ(result.exit_code, answer.status) << result.describe();
    EXPECT_EQ(result.err, answer.err);
    if (answer.out_start.empty()) {
        EXPECT_EQ(result.out, "");
    } else {
        EXPECT_EQ(result.out.substr(0, answer.out_start.size()), answer.out_start);
    }
    for (const std::string& part : answer.out_has)
        EXPECT_NE(result.out.find(part), std::string::npos) << part << " not in\n" << result.out;
}

INSTANTIATE_TEST_SUITE_P(Morva, MorvaAnswers, testing::ValuesIn(ANSWERS),
                         [](const auto& info) { return std::string(info.param.name); });
