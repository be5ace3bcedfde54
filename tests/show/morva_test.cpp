// The morva program itself: banner, Escape, and the ways start-up can fail.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

#include "tests/support/child_process.h"
#include "tests/support/glut_test.h"
#include "tests/support/x11.h"
#include "tests/support/x_client.h"

namespace {
using std::chrono::milliseconds;

const std::string MORVA = MORVA_BINARY;
const std::string DASHES = "-----------------------------------\n";

std::string banner_of(const std::string& program) { return DASHES + program + " \n" + DASHES; }

// Waits for a viewable top-level window with the given name; 0 if none comes.
unsigned long wait_for_window(XClient& x, ChildProcess& child, const std::string& name) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (std::chrono::steady_clock::now() < deadline) {
        const unsigned long window = x.find_window_named(name);
        if (window != 0 && x.viewable(window)) return window;
        child.read_output_for(milliseconds(20));
    }
    return 0;
}
}  // namespace

TEST(Morva, PrintsTheBannerBeforeItsWindowOpensAndExitsOnEscape) {
    START_X_SERVER(server, 1920, 1080);
    XClient x(server.display());
    ASSERT_TRUE(x.connected());
    ChildProcess morva = ChildProcess::spawn_program({MORVA, "morva-e2e"}, {{"DISPLAY", server.display()}});

    const unsigned long window = wait_for_window(x, morva, "morva-e2e");
    ASSERT_NE(window, 0u) << morva.wait(milliseconds(100)).describe();
    EXPECT_EQ(morva.out_so_far(), banner_of(MORVA));
    const WindowRect rect = x.rect_of(window);
    EXPECT_EQ(rect.width, 960);
    EXPECT_EQ(rect.height, 540);

    // Let the loop run a little before ending it.
    morva.read_output_for(milliseconds(300));
    x.focus(window);
    x.press_key(XK_Escape);
    x.release_key(XK_Escape);
    const ChildResult result = morva.wait(milliseconds(10000));
    EXPECT_TRUE(result.succeeded()) << result.describe();
    EXPECT_EQ(result.out, banner_of(MORVA));
}

TEST(Morva, OtherKeysDoNotEndIt) {
    START_X_SERVER(server, 1920, 1080);
    XClient x(server.display());
    ChildProcess morva = ChildProcess::spawn_program({MORVA, "morva-keys"}, {{"DISPLAY", server.display()}});
    const unsigned long window = wait_for_window(x, morva, "morva-keys");
    ASSERT_NE(window, 0u);
    x.focus(window);
    for (unsigned long key : {XK_a, XK_space, XK_Return, XK_F1}) {
        x.press_key(key);
        x.release_key(key);
    }
    morva.read_output_for(milliseconds(500));
    EXPECT_TRUE(x.viewable(window));
    x.press_key(XK_Escape);
    x.release_key(XK_Escape);
    EXPECT_TRUE(morva.wait(milliseconds(10000)).succeeded());
}

TEST(Morva, WithoutAnXDisplayItFailsWithFreeglutsMessage) {
    ChildProcess morva = ChildProcess::spawn_program({MORVA}, {{"-DISPLAY", ""}});
    const ChildResult result = morva.wait(milliseconds(10000));
    EXPECT_FALSE(result.timed_out);
    EXPECT_TRUE(result.exited) << result.describe();
    EXPECT_NE(result.exit_code, 0);
    EXPECT_NE(result.err.find("failed to open display"), std::string::npos) << result.err;
    EXPECT_EQ(result.out, banner_of(MORVA));
}

TEST(Morva, AnUnreachableDisplayFailsCleanly) {
    ChildProcess morva = ChildProcess::spawn_program({MORVA, "title", "-display", ":987"});
    const ChildResult result = morva.wait(milliseconds(10000));
    EXPECT_TRUE(result.exited) << result.describe();
    EXPECT_NE(result.exit_code, 0);
    EXPECT_NE(result.err.find("failed to open display ':987'"), std::string::npos) << result.err;
}

TEST(Morva, AMalformedFreeglutOptionFailsCleanly) {
    START_X_SERVER(server, 1920, 1080);
    ChildProcess morva =
        ChildProcess::spawn_program({MORVA, "title", "-display"}, {{"DISPLAY", server.display()}});
    const ChildResult result = morva.wait(milliseconds(10000));
    EXPECT_TRUE(result.exited) << result.describe();
    EXPECT_NE(result.exit_code, 0);
    EXPECT_NE(result.err.find("-display parameter must be followed by display name"), std::string::npos)
        << result.err;
}
