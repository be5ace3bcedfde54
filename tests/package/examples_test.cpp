// The examples, each a CMake project of its own, configured and built
// against the installation as an outside program would be; those that
// need no sound server are run on a private X server for a moment.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <ostream>
#include <string>

#include "tests/package/package_support.h"
#include "tests/support/window_child.h"
#include "tests/support/x11.h"
#include "tests/support/x_client.h"
#include "tests/support/x_server.h"
#include "tests/tools/capture_support.h"

namespace {
using std::chrono::milliseconds;

const std::string SOURCE_DIR = MORVA_SOURCE_DIR;

// A picture holds what the example is to show.
using ShownFn = bool (*)(const Picture& window);

struct Example {
    const char* name;
    ShownFn shown;  // none: the example plays sound and is only built
    bool follows_pointer = false;  // draws under the pointer wherever it goes
};

// The line of text in its amber colour below the knobs, and the knobs'
// light dials above it.
bool knobs_shown(const Picture& window) {
    const int top = window.height * 3 / 4;
    const int text = window.count_in(0, top + 1, window.width, window.height, [](const std::array<int, 3>& rgb) {
        return rgb[0] > 200 && rgb[1] > 140 && rgb[1] < 230 && rgb[2] < 120;
    });
    return text > 50 && window.count_in(0, 0, window.width, top, is_white) > 200;
}

// A tube of many colours across the window.
bool tube_shown(const Picture& window) { return window.count(is_colored) > 2000; }

const Example EXAMPLES[] = {{"knobs", knobs_shown}, {"levels", nullptr}, {"deform", tube_shown, true}};

// Coloured pixels in a square around a point of the window.
int colored_around(const Picture& window, int cx, int cy, int half) {
    return window.count_in(cx - half, cy - half, 2 * half, 2 * half, is_colored);
}

// Cases are listed by name.
void PrintTo(const Example& example, std::ostream* out) { *out << example.name; }

class Examples : public testing::TestWithParam<Example> {};

// Starts the example on the test screen, held alone (the pointer moves and
// the screen is read), and waits until its window shows what it should,
// then ends it with Escape.
void run_for_a_moment(const std::string& program, const Example& example) {
    HOLD_TEST_SCREEN(screen, ScreenUse::ALONE);
    const std::string title = std::string(example.name) + "-e2e";
    std::vector<std::pair<std::string, std::string>> env = drawing_program_environment();
    env.emplace_back("DISPLAY", screen.display());
    ChildProcess running = ChildProcess::spawn_program({program, title}, env);
    XClient x(screen.display());
    unsigned long window = 0;
    bool shown = false;
    while (!shown && time_left_in_case() > milliseconds(1000)) {
        running.read_output_for(milliseconds(50));
        if (window == 0) window = x.find_window_named(title);
        if (window != 0 && x.viewable(window)) shown = example.shown(x.picture_of(window));
    }
    ASSERT_TRUE(shown) << example.name << " did not show its window\n" << running.wait(milliseconds(100)).describe();
    if (example.follows_pointer) {
        // To the lower right of the window, where nothing was drawn before.
        const WindowRect rect = x.rect_of(window);
        const int px = rect.width * 4 / 5, py = rect.height * 4 / 5;
        EXPECT_EQ(colored_around(x.picture_of(window), px, py, 20), 0);
        x.move_pointer(rect.x + px, rect.y + py);
        bool followed = false;
        while (!followed && time_left_in_case() > milliseconds(1000)) {
            running.read_output_for(milliseconds(50));
            followed = colored_around(x.picture_of(window), px, py, 20) > 100;
        }
        EXPECT_TRUE(followed) << example.name << " did not follow the pointer";
    }
    x.focus(window);
    x.press_key(XK_Escape);
    x.release_key(XK_Escape);
    const ChildResult ended = running.wait(CASE_TIME_LIMIT);
    EXPECT_TRUE(ended.succeeded()) << ended.describe();
}
}  // namespace

TEST_P(Examples, BuildAgainstTheInstalledToolkit) {
    const Example& example = GetParam();
    const Installation installed;
    ASSERT_TRUE(installed.result.succeeded()) << installed.result.describe();
    TempDir build;
    const ChildResult configured =
        run_tool({CMAKE, "-S", SOURCE_DIR + "/examples/" + example.name, "-B", build.path(),
                  "-DCMAKE_PREFIX_PATH=" + installed.prefix, "-DCMAKE_CXX_FLAGS=-Wall -Wextra -Werror"});
    ASSERT_TRUE(configured.succeeded()) << configured.describe();
    const ChildResult built = run_tool({CMAKE, "--build", build.path()});
    ASSERT_TRUE(built.succeeded()) << built.describe();
    const std::string program = build.file(example.name);
    ASSERT_TRUE(std::filesystem::is_regular_file(program));
    if (example.shown != nullptr) run_for_a_moment(program, example);
}

INSTANTIATE_TEST_SUITE_P(Package, Examples, testing::ValuesIn(EXAMPLES),
                         [](const auto& info) { return std::string(info.param.name); });

