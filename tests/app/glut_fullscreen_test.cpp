// Full screen and back under a real window manager (openbox), as on a desktop.
#include <GL/freeglut.h>
#include <gtest/gtest.h>

#include <cstdio>

#include "app/glut_backend.h"
#include "app/window.h"
#include "tests/support/glut_test.h"
#include "tests/support/x_client.h"

TEST(GlutFullscreen, LeavingFullScreenReturnsToTheLastWindowedSizeCentred) {
    // Full screen is the window manager's to give: a private screen with one.
    START_X_SERVER(server, 1920, 1080, true);
    const ChildResult result = run_window_child(server.display(), [] {
        GlutChild child;
        XClient& x = child.x;
        unsigned long id = 0;
        // The client rectangle, logged whenever it changes (shown if the test fails).
        WindowRect last{};
        auto rect = [&] {
            const WindowRect r = x.rect_of(id);
            if (r.x != last.x || r.y != last.y || r.width != last.width || r.height != last.height)
                std::printf("window at (%d, %d), %d x %d\n", r.x, r.y, r.width, r.height);
            last = r;
            return r;
        };
        child.script.then("window viewable", [&] {
                id = current_glx_window();
                return x.viewable(id) && child.window->relative_width() == 0.5;
            })
            .then("user resizes to 0.6", [&] {
                x.resize(id, 1152, 648);
                return true;
            })
            .then("resize arrives", [&] { return child.window->relative_width() == 0.6; })
            .then("enter full screen", [&] {
                EXPECT_DOUBLE_EQ(child.window->glut->saved_relative_width, 0.6);
                child.window->toggle_fullscreen();
                EXPECT_EQ(child.window->glut->fullscreen, 1);
                return true;
            })
            .then("covers the screen", [&] {
                const WindowRect r = rect();
                return r.x == 0 && r.y == 0 && r.width == 1920 && r.height == 1080 &&
                       child.window->relative_width() == 1.0;
            })
            .then("leave full screen", [&] {
                EXPECT_DOUBLE_EQ(child.window->relative_height(), 1.0);
                // Full-screen reshapes do not overwrite the windowed size.
                EXPECT_DOUBLE_EQ(child.window->glut->saved_relative_width, 0.6);
                child.window->toggle_fullscreen();
                EXPECT_EQ(child.window->glut->fullscreen, 0);
                return true;
            })
            .then("back at 0.6", [&] {
                const WindowRect r = rect();
                return r.width == 1152 && r.height == 648 && child.window->relative_width() == 0.6;
            })
            .then("centred", [&] {
                // The window manager places the frame, in its own time; the
                // client sits inside it.
                const WindowRect r = rect();
                const FrameExtents frame = x.frame_extents(id);
                return r.x - frame.left == 1920 / 2 - 1152 / 2 && r.y - frame.top == 1080 / 2 - 648 / 2;
            })
            .then("windowed size kept", [&] {
                EXPECT_DOUBLE_EQ(child.window->relative_height(), 0.6);
                return true;
            });
        child.run();
    });
    EXPECT_CHILD_PASSED(result);
}
