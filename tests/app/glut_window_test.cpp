// The GLUT backend against real OpenGL on private Xvfb screens: placement,
// the fixed GL state, clearing, reshape and the frame-rate report.
#include <GL/freeglut.h>
#include <gtest/gtest.h>

#include <array>

#include "app/glut_backend.h"
#include "app/style.h"
#include "app/window.h"
#include "tests/support/gl_checks.h"
#include "tests/support/glut_test.h"
#include "tests/support/x_client.h"

namespace {
using std::chrono::milliseconds;

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
    START_X_SERVER(server, 1920, 1080);
    const ChildResult result =
        open_window_and_check_placement(server.display(), {480, 270, 960, 540}, 1920, 1080);
    EXPECT_CHILD_PASSED(result);
}

TEST(GlutWindow, OpensCentredAtHalfOfAnOddSizedScreen) {
    // 683 x 0.5 = 341.5 is taken from 683 before truncating: x = 341, not 342.
    START_X_SERVER(server, 1366, 768);
    const ChildResult result =
        open_window_and_check_placement(server.display(), {341, 192, 683, 384}, 1366, 768);
    EXPECT_CHILD_PASSED(result);
}

TEST(GlutWindow, TitleIsTheFirstArgumentAndFreeglutTakesItsOptions) {
    START_X_SERVER(server, 1920, 1080);
    const std::string display = server.display();
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

TEST(GlutWindow, FixedGlStateIsSetBeforeInit) {
    START_X_SERVER(server, 1920, 1080);
    const ChildResult result = run_window_child(server.display(), [] {
        GlutChild child;
        child.hooks.init = [](Window*) {
            expect_fixed_gl_state();
            finish_child();
            return 1;
        };
        child.run();
    });
    EXPECT_CHILD_PASSED(result);
}

TEST(GlutWindow, WithoutArgumentsNoTitleIsGiven) {
    START_X_SERVER(server, 1920, 1080);
    const ChildResult result = run_window_child(server.display(), [] {
        GlutChild child;
        XClient& x = child.x;
        child.when_viewable().then("no title", [&] {
                EXPECT_EQ(x.find_window_named("morva-test"), 0u);
                return true;
            });
        child.run({"morva-test"});
    });
    EXPECT_CHILD_PASSED(result);
}

TEST(GlutFrame, ClearsToTheStyleBackground) {
    START_X_SERVER(server, 1920, 1080);
    const ChildResult result = run_window_child(server.display(), [] {
        GlutChild child;
        Style* style = create_default_style();
        style->add_color("bg-color", {0.2, 0.4, 0.6, 1.0});
        child.window->set_style(style);
        int frames = 0;
        child.hooks.idle = nullptr;
        child.hooks.display = [&](Window*) {
            if (++frames < 3) return;
            const std::array<int, 3> expected{51, 102, 153};
            EXPECT_EQ(rgb_at(10, 10), expected);
            EXPECT_EQ(rgb_at(959, 539), expected);
            finish_child();
        };
        child.run();
    });
    EXPECT_CHILD_PASSED(result);
}

// Without a "bg-color" the frame clears to opaque black, whatever clear
// colour was left behind.
void expect_black_frames(Style* style) {
    GlutChild child;
    child.window->set_style(style);
    int frames = 0;
    child.hooks.idle = nullptr;
    child.hooks.display = [&](Window*) {
        if (++frames < 3) {
            glClearColor(1.0f, 0.0f, 1.0f, 1.0f);  // a stray colour from the last frame
            return;
        }
        EXPECT_EQ(rgb_at(480, 270), (std::array<int, 3>{0, 0, 0}));
        finish_child();
    };
    child.run();
}

TEST(GlutFrame, ClearsToOpaqueBlackWithoutABackgroundKey) {
    START_X_SERVER(server, 1920, 1080);
    const ChildResult result = run_window_child(server.display(), [] {
        Style* style = Style::create();
        style->add_color("border-color", {1, 1, 1, 1});
        expect_black_frames(style);
    });
    EXPECT_CHILD_PASSED(result);
}

TEST(GlutFrame, ClearsToOpaqueBlackWithoutAStyle) {
    START_X_SERVER(server, 1920, 1080);
    const ChildResult result = run_window_child(server.display(), [] { expect_black_frames(nullptr); });
    EXPECT_CHILD_PASSED(result);
}

TEST(GlutFrame, ReshapeSetsRelativeSizeViewportAndPixelProjection) {
    START_X_SERVER(server, 1920, 1080);
    const ChildResult result = run_window_child(server.display(), [] {
        GlutChild child;
        bool checked = false;
        child.hooks.display = [&](Window* window) {
            if (window->relative_width() != 800.0 / 1920.0 || checked) return;
            EXPECT_DOUBLE_EQ(window->relative_width(), 0.41666666666666667);
            EXPECT_DOUBLE_EQ(window->relative_height(), 0.55555555555555556);
            EXPECT_EQ(gl_viewport(), (std::array<int, 4>{0, 0, 800, 600}));
            const std::array<float, 16> projection = gl_matrix(GL_PROJECTION_MATRIX);
            const std::array<float, 16> expected = ortho_matrix(800, 600);
            for (int i = 0; i < 16; ++i) EXPECT_NEAR(projection[i], expected[i], 1e-6) << i;
            GLint mode = 0;
            glGetIntegerv(GL_MATRIX_MODE, &mode);
            EXPECT_EQ(mode, GL_MODELVIEW);
            // Windowed resizes are remembered for leaving full screen.
            EXPECT_DOUBLE_EQ(window->glut->saved_relative_width, 800.0 / 1920.0);
            checked = true;
        };
        child.when_viewable()
            .then("resize to 800x600", [&] {
                glutReshapeWindow(800, 600);
                return true;
            })
            .then("reshaped frame drawn", [&] { return checked; });
        child.run();
    });
    EXPECT_CHILD_PASSED(result);
}

TEST(GlutFrame, SetRelativeSizeReshapesWithoutResizingTheWindow) {
    START_X_SERVER(server, 1920, 1080);
    const ChildResult result = run_window_child(server.display(), [] {
        GlutChild child;
        XClient& x = child.x;
        child.when_viewable().then("set relative size", [&] {
                child.window->set_relative_size(0.25, 0.5);
                EXPECT_DOUBLE_EQ(child.window->relative_width(), 480.0 / 1920.0);
                EXPECT_DOUBLE_EQ(child.window->relative_height(), 540.0 / 1080.0);
                EXPECT_EQ(gl_viewport(), (std::array<int, 4>{0, 0, 480, 540}));
                return true;
            })
            .wait_passes(10)
            .then("window kept its size", [&] {
                const WindowRect rect = x.rect_of(current_glx_window());
                EXPECT_EQ(rect.width, 960);
                EXPECT_EQ(rect.height, 540);
                return true;
            });
        child.run();
    });
    EXPECT_CHILD_PASSED(result);
}

// Runs `frames` frames with the frame-rate report switched on or off.
ChildResult run_frames(const std::string& display, int frames, bool report) {
    return run_window_child(display, [=] {
        GlutChild child;
        if (report) child.window->toggle_fps_report();
        int drawn = 0;
        child.hooks.idle = nullptr;
        child.hooks.display = [&](Window*) {
            if (++drawn == frames) finish_child();
        };
        child.run();
    });
}

TEST(GlutFrame, FrameRateIsReportedEveryHundredFrames) {
    START_X_SERVER(server, 1920, 1080);

    const ChildResult quiet = run_frames(server.display(), 150, false);
    EXPECT_CHILD_PASSED(quiet);
    EXPECT_TRUE(frame_rate_reports(quiet.err).empty()) << quiet.err;

    // The report comes on the 100th frame, after on_display of that frame.
    const ChildResult once = run_frames(server.display(), 199, true);
    EXPECT_CHILD_PASSED(once);
    EXPECT_EQ(frame_rate_reports(once.err).size(), 1u) << once.err;

    const ChildResult twice = run_frames(server.display(), 250, true);
    EXPECT_CHILD_PASSED(twice);
    const std::vector<double> rates = frame_rate_reports(twice.err);
    EXPECT_EQ(rates.size(), 2u) << twice.err;
    for (double rate : rates) {
        EXPECT_GT(rate, 0.0);
        EXPECT_LT(rate, 1.0e5);
    }
}
