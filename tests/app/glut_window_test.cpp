// What only the GLUT backend does: where its window opens, and its title
// (the frame, reshape and input both backends share are in
// window_backends_test.cpp).
#include <GL/freeglut.h>
#include <gtest/gtest.h>

#include "app/window.h"
#include "tests/support/glut_test.h"
#include "tests/support/x11.h"
#include "tests/support/x_client.h"

namespace {
// Checks, inside the child, where the window landed once it is viewable.
ChildResult open_window_and_check_placement(const std::string& display, WindowRect expected,
                                            int screen_w, int screen_h) {
    return run_window_child(display, [=] {
        GlutChild child;
        XClient& x = child.x;
        child.when_viewable().then("placement", [&] {
                const WindowGeometry& geometry = *child.window->geometry;
                EXPECT_EQ(geometry.screen_width, screen_w);
                EXPECT_EQ(geometry.screen_height, screen_h);
                const WindowRect rect = x.rect_of(current_glx_window());
                EXPECT_EQ(rect.x, expected.x);
                EXPECT_EQ(rect.y, expected.y);
                EXPECT_EQ(rect.width, expected.width);
                EXPECT_EQ(rect.height, expected.height);
                EXPECT_EQ(child.window->relative_width(), 0.5);
                return true;
            });
        child.run();
    });
}

}  // namespace

TEST(GlutWindow, OpensCentredAtHalfOfAFullHdScreen) {
    HOLD_TEST_SCREEN(screen, ScreenUse::OWN_WINDOWS);
    const ChildResult result =
        open_window_and_check_placement(screen.display(), {480, 270, 960, 540}, 1920, 1080);
    EXPECT_CHILD_PASSED(result);
}

TEST(GlutWindow, OpensCentredAtHalfOfAnOddSizedScreen) {
    // 683 x 0.5 = 341.5 is taken from 683 before truncating: x = 341, not 342.
    // A screen of that size is a private one.
    START_X_SERVER(server, 1366, 768);
    const ChildResult result =
        open_window_and_check_placement(server.display(), {341, 192, 683, 384}, 1366, 768);
    EXPECT_CHILD_PASSED(result);
}

TEST(GlutWindow, TitleIsTheFirstArgumentAndFreeglutTakesItsOptions) {
    HOLD_TEST_SCREEN(screen, ScreenUse::OWN_WINDOWS);
    const std::string display = screen.display();
    // DISPLAY points nowhere: the window can only open through "-display".
    const ChildResult result = run_window_child(":999", [display] {
        GlutChild child;
        XClient x(display);
        child.script.then("window viewable", [&] { return x.viewable(current_glx_window()); })
            .then("title", [&] {
                EXPECT_EQ(x.find_window_named("first argument"), current_glx_window());
                return true;
            });
        child.run({"morva-test", "first argument", "-display", display});
    });
    EXPECT_CHILD_PASSED(result);
}

TEST(GlutWindow, WithoutArgumentsNoTitleIsGiven) {
    HOLD_TEST_SCREEN(screen, ScreenUse::OWN_WINDOWS);
    const ChildResult result = run_window_child(screen.display(), [] {
        GlutChild child;
        XClient& x = child.x;
        child.when_viewable().then("no title", [&] {
                // Neither the program's name nor anything else names it:
                // its name, if it has one, is empty.
                char* name = nullptr;
                XFetchName(glXGetCurrentDisplay(), current_glx_window(), &name);
                if (name != nullptr) {
                    EXPECT_STREQ(name, "");
                    XFree(name);
                }
                EXPECT_EQ(x.find_window_named("morva-test"), 0u);
                return true;
            });
        child.run({"morva-test"});
    });
    EXPECT_CHILD_PASSED(result);
}
