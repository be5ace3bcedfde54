// The morva program's command line: the show's own options are taken out,
// and everything else goes on to the window backend, in order.
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "show/show_options.h"
#include "tests/support/sound_files.h"

namespace {
// "FILE" in a case's arguments stands for a file that can be read.
struct CommandLineCase {
    const char* name;
    std::vector<std::string> arguments;  // after the program's name
    int32_t status;
    std::vector<std::string> passed_on{};  // after the program's name
    bool music_named = false;
    bool font_named = false;
    bool help = false;
    bool version = false;
    std::string err{};
    std::string tracks{};  // the tracks' source taken
    int32_t rows = DEFAULT_ROWS_PER_PATTERN;
};

const std::string USAGE_HINT = " (morva --help lists the options)\n";

const CommandLineCase COMMAND_LINES[] = {
    {.name = "Nothing", .arguments = {}, .status = 1},
    {.name = "ATitle", .arguments = {"My Show"}, .status = 1, .passed_on = {"My Show"}},
    {.name = "FilesAroundTheTitleAndFreeglutsOptions",
     .arguments = {"--music", "FILE", "title", "-display", ":7", "--font", "FILE"},
     .status = 1,
     .passed_on = {"title", "-display", ":7"},
     .music_named = true,
     .font_named = true},
    {.name = "HelpAfterATitle", .arguments = {"title", "--help"}, .status = 1, .passed_on = {"title"}, .help = true},
    {.name = "ShortHelp", .arguments = {"-h"}, .status = 1, .help = true},
    {.name = "Version", .arguments = {"--version"}, .status = 1, .version = true},
    {.name = "MusicWithoutAFile", .arguments = {"--music"}, .status = 0,
     .err = "morva: --music needs a file name" + USAGE_HINT},
    {.name = "FontWithAnEmptyName", .arguments = {"--font", ""}, .status = 0,
     .err = "morva: --font needs a file name" + USAGE_HINT},
    {.name = "MusicTwice", .arguments = {"--music", "FILE", "--music", "FILE"}, .status = 0,
     .err = "morva: --music is given twice" + USAGE_HINT},
    {.name = "AnUnknownOption", .arguments = {"--colour", "red"}, .status = 0,
     .err = "morva: unknown option '--colour'" + USAGE_HINT},
    {.name = "TracksAndTheirRows", .arguments = {"--tracks", "keys/show", "--rows-per-pattern", "16", "t"},
     .status = 1, .passed_on = {"t"}, .tracks = "keys/show", .rows = 16},
    {.name = "RowsThatAreNoNumber", .arguments = {"--rows-per-pattern", "8x"}, .status = 0,
     .err = "morva: --rows-per-pattern takes a whole number from 1 to 4096, not '8x'" + USAGE_HINT},
    {.name = "AMissingFile", .arguments = {"--music", "/no/such/track.ogg"}, .status = 0,
     .err = "morva: cannot read /no/such/track.ogg: No such file or directory\n"},
};

// Cases are listed by name.
void PrintTo(const CommandLineCase& line, std::ostream* out) { *out << line.name; }

class CommandLine : public testing::TestWithParam<CommandLineCase> {
protected:
    TempDir dir;
    std::string file = dir.file("readable");
};
}  // namespace

TEST_P(CommandLine, TakesTheShowsOptionsAndPassesTheRestOn) {
    const CommandLineCase& expected = GetParam();
    write_text(file, "any bytes: only the loader looks inside\n");
    std::vector<std::string> words = {"morva"};
    for (const std::string& argument : expected.arguments) words.push_back(argument == "FILE" ? file : argument);
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());

    ShowOptions options;
    testing::internal::CaptureStderr();
    const int32_t status = parse_show_options(static_cast<int>(argv.size()), argv.data(), options);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), expected.err);
    ASSERT_EQ(status, expected.status);
    if (status != 1) return;

    std::vector<std::string> passed_on;
    ASSERT_GE(options.passed_on.size(), 2u);
    EXPECT_EQ(options.passed_on.front(), argv[0]);
    EXPECT_EQ(options.passed_on.back(), nullptr);
    for (size_t i = 1; i + 1 < options.passed_on.size(); ++i) passed_on.emplace_back(options.passed_on[i]);
    EXPECT_EQ(passed_on, expected.passed_on);
    const ShowFiles found = find_show_files();
    EXPECT_EQ(options.files.music_path, expected.music_named ? file : found.music_path);
    EXPECT_EQ(options.files.font_path, expected.font_named ? file : found.font_path);
    EXPECT_EQ(options.files.tracks_source, expected.tracks);
    EXPECT_EQ(options.files.rows_per_pattern, expected.rows);
    EXPECT_EQ(options.help, expected.help);
    EXPECT_EQ(options.version, expected.version);
}

INSTANTIATE_TEST_SUITE_P(Morva, CommandLine, testing::ValuesIn(COMMAND_LINES),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ShowUsage, NamesTheOptionsTheKeysAndWhereTheFilesAre) {
    const std::string usage = show_usage();
    EXPECT_EQ(usage.rfind("usage: morva [TITLE] [--music FILE] [--font FILE]", 0), 0u) << usage;
    for (const char* part : {"--music FILE", "--font FILE", "--help", "--version", "-display", "Escape quits",
                             "Space switches", "./font/HomeVideo-Regular.ttf", "./sounds/music0.ogg"})
        EXPECT_NE(usage.find(part), std::string::npos) << part;
}
