// What both window backends promise alike, checked on each against real
// OpenGL and real input on the test screen: the GL state before init, the
// frame's clearing (with and without a callback table), reshape, the
// relative size, the frame-rate report, and keys and buttons reaching the
// slots.
#include <GL/gl.h>
#include <gtest/gtest.h>
#include <sys/time.h>

#include <array>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "app/style.h"
#include "app/window.h"
#include "tests/support/gl_checks.h"
#include "tests/support/window_child.h"
#include "tests/support/x11.h"

namespace {
struct Backend {
    const char* name;
    int32_t kind;
    // Whether a resize while windowed becomes the size to leave full screen for.
    bool remembers_windowed_resizes;
    int32_t button_down;
    int32_t button_up;
};

const Backend BACKENDS[] = {
    {"Glut", BACKEND_GLUT, true, 0, 1},
    {"Xlib", BACKEND_XLIB, false, 1, 0},
};

void PrintTo(const Backend& backend, std::ostream* out) { *out << backend.name; }

constexpr std::array<int, 4> STYLE_BACKGROUND{51, 102, 153, 255};  // (0.2, 0.4, 0.6)
constexpr std::array<int, 4> OPAQUE_BLACK{0, 0, 0, 255};

// A store holding nothing but a "bg-color" of (0.2, 0.4, 0.6).
Style* background_style() {
    Style* style = Style::create();
    style->add_color("bg-color", {0.2, 0.4, 0.6, 1.0});
    return style;
}

// Wall-clock milliseconds, on the clock the frame-rate report reads.
double wall_ms() {
    timeval now{};
    gettimeofday(&now, nullptr);
    return now.tv_sec * 1000.0 + now.tv_usec / 1000.0;
}

// The time just before the window is made, taken first of all (a base
// class is built before the window child's own parts).
struct CreationTime {
    double before_ms = wall_ms();
};

// A top-level 960 x 540 window of the backend under test, with its
// creation timed.
struct BackendChild : CreationTime, WindowChild {
    double after_ms;
    explicit BackendChild(int32_t kind) : WindowChild(kind, 0, 0.5, 0.5), after_ms(wall_ms()) {}
};

class EveryBackend : public testing::TestWithParam<Backend> {
protected:
    ChildResult run(ScreenUse use, const std::function<void(BackendChild&)>& scenario) {
        return run_on_test_screen<BackendChild>(use, scenario, GetParam().kind);
    }
};

// Runs a window of the backend with no callback table, clearing to the
// style, and reads what the screen shows inside it until that is the
// style's background.
bool frames_show_the_background_without_a_table(int32_t kind, const std::string& display) {
    ChildProcess child = ChildProcess::fork_function(
        [kind] {
            WindowChild window(kind, 0, 0.5, 0.5);
            window.window->set_style(background_style());
            CallbackTable::release(window.window->callbacks);
            window.run();
        },
        {{"DISPLAY", display}});
    XClient x(display);
    // (700, 400) lies inside both the centred GLUT window and the Xlib
    // window at the origin.
    const std::array<int, 3> background{STYLE_BACKGROUND[0], STYLE_BACKGROUND[1], STYLE_BACKGROUND[2]};
    while (x.shown_pixel(x.root_window(), 700, 400) != background) {
        if (time_left_in_case() < std::chrono::milliseconds(1000)) return false;
        child.read_output_for(std::chrono::milliseconds(50));
    }
    return true;
}
}  // namespace

TEST_P(EveryBackend, SetsTheFixedGlStateBeforeInitAndCallsInitOnce) {
    const ChildResult result = run(ScreenUse::OWN_WINDOWS, [](BackendChild& child) {
        static int inits = 0;
        child.hooks.init = [](Window*) {
            expect_fixed_gl_state();
            ++inits;
            return 1;
        };
        child.when_viewable().wait_passes(5).then("init ran once", [] {
            EXPECT_EQ(inits, 1);
            return true;
        });
    });
    EXPECT_CHILD_PASSED(result);
}

TEST_P(EveryBackend, ClearsEveryFrameToTheStyleBackgroundBeforeDisplay) {
    const ChildResult result = run(ScreenUse::OWN_WINDOWS, [](BackendChild& child) {
        child.window->set_style(background_style());
        static int frames = 0;
        child.hooks.display = [](Window*) {
            ++frames;
            glClearColor(1.0f, 0.0f, 1.0f, 1.0f);  // a stray colour for the next frame
            EXPECT_EQ(pixel_at(10, 10), STYLE_BACKGROUND) << "frame " << frames;
            EXPECT_EQ(pixel_at(959, 539), STYLE_BACKGROUND) << "frame " << frames;
        };
        child.when_viewable().then("three frames", [] { return frames >= 3; });
    });
    EXPECT_CHILD_PASSED(result);
}

TEST_P(EveryBackend, ClearsToOpaqueBlackWithoutABackgroundKeyOrWithoutAStyle) {
    for (const bool with_style : {true, false}) {
        const ChildResult result = run(ScreenUse::OWN_WINDOWS, [with_style](BackendChild& child) {
            if (with_style) {
                Style* style = Style::create();
                style->add_color("border-color", {1, 1, 1, 1});
                child.window->set_style(style);
            }
            static int frames = 0;
            child.hooks.display = [](Window*) {
                ++frames;
                if (frames > 1) {
                    EXPECT_EQ(pixel_at(480, 270), OPAQUE_BLACK) << "frame " << frames;
                }
                glClearColor(1.0f, 0.0f, 1.0f, 1.0f);  // a stray colour left behind
            };
            child.when_viewable().then("three frames", [] { return frames >= 3; });
        });
        EXPECT_CHILD_PASSED(result) << (with_style ? "a style without \"bg-color\"" : "no style");
    }
}

TEST_P(EveryBackend, FramesStillClearWithoutACallbackTable) {
    HOLD_TEST_SCREEN(screen, ScreenUse::ALONE);  // what the screen shows is read
    EXPECT_TRUE(frames_show_the_background_without_a_table(GetParam().kind, screen.display()));
}

TEST_P(EveryBackend, AResizeTo800x600SetsRelativeSizeViewportAndPixelProjection) {
    const bool remembers = GetParam().remembers_windowed_resizes;
    const ChildResult result = run(ScreenUse::OWN_WINDOWS, [remembers](BackendChild& child) {
        static bool checked = false;
        static bool remembered = false;
        remembered = remembers;
        child.hooks.display = [](Window* window) {
            if (checked || window->relative_width() != 800.0 / 1920.0) return;
            EXPECT_DOUBLE_EQ(window->relative_width(), 0.41666666666666667);
            EXPECT_DOUBLE_EQ(window->relative_height(), 0.55555555555555556);
            EXPECT_EQ(gl_viewport(), (std::array<int, 4>{0, 0, 800, 600}));
            const std::array<float, 16> projection = gl_matrix(GL_PROJECTION_MATRIX);
            const std::array<float, 16> expected = ortho_matrix(800, 600);
            for (int i = 0; i < 16; ++i) EXPECT_NEAR(projection[i], expected[i], 1e-6) << i;
            GLint mode = 0;
            glGetIntegerv(GL_MATRIX_MODE, &mode);
            EXPECT_EQ(mode, GL_MODELVIEW);
            EXPECT_DOUBLE_EQ(window->backend()->saved_relative_width, remembered ? 800.0 / 1920.0 : 0.5);
            checked = true;
        };
        child.when_viewable()
            .then("resize to 800x600",
                  [&child] {
                      child.x.resize(current_glx_window(), 800, 600);
                      return true;
                  })
            .then("reshaped frame drawn", [] { return checked; });
    });
    EXPECT_CHILD_PASSED(result);
}

TEST_P(EveryBackend, SetRelativeSizeReshapesWithoutResizingTheWindow) {
    const ChildResult result = run(ScreenUse::OWN_WINDOWS, [](BackendChild& child) {
        child.when_viewable()
            .then("set relative size",
                  [&child] {
                      child.window->set_relative_size(0.25, 0.5);
                      EXPECT_DOUBLE_EQ(child.window->relative_width(), 480.0 / 1920.0);
                      EXPECT_DOUBLE_EQ(child.window->relative_height(), 540.0 / 1080.0);
                      EXPECT_EQ(gl_viewport(), (std::array<int, 4>{0, 0, 480, 540}));
                      return true;
                  })
            // freeglut carries out window requests on its next pass; by then
            // any resize would have been sent on the window's own connection.
            .wait_passes(2)
            .then("window kept its size", [&child] {
                XSync(glXGetCurrentDisplay(), 0);
                const WindowRect rect = child.x.rect_of(current_glx_window());
                EXPECT_EQ(rect.width, 960);
                EXPECT_EQ(rect.height, 540);
                return true;
            });
    });
    EXPECT_CHILD_PASSED(result);
}

// With the report off for the first 120 frames and on from then: reports
// after frames 220 and 320 only (frames count only while it is on), each
// 100 frames over the seconds since the last report or, for the first, since
// the backend was made (switching on resets neither). The child prints the
// rates each report can have, from the times around those moments.
TEST_P(EveryBackend, FrameRateIsReportedEveryHundredFramesOnceSwitchedOn) {
    const ChildResult result = run(ScreenUse::OWN_WINDOWS, [](BackendChild& child) {
        static std::vector<double> display_ms;  // when each frame's display began
        static BackendChild* timed = &child;
        child.hooks.idle = [](Window* window) {
            if (display_ms.size() == 120 && window->backend()->fps_report == 0) window->toggle_fps_report();
            if (display_ms.size() < 330) return;
            // Frame n (from 1) was displayed at display_ms[n - 1]; report k
            // came after frame n's display and before frame n + 1's.
            auto bounds = [](double earliest_start, double latest_start, size_t frame) {
                const double shortest = display_ms[frame - 1] - latest_start - 1.0;  // 1 ms: whole milliseconds
                const double longest = display_ms[frame] - earliest_start + 1.0;
                std::printf("rates between %f and %f\n", 100000.0 / longest, 100000.0 / shortest);
            };
            bounds(timed->before_ms, timed->after_ms, 220);
            bounds(display_ms[219], display_ms[220], 320);
            finish_child();
        };
        child.hooks.display = [](Window*) { display_ms.push_back(wall_ms()); };
    });
    ASSERT_TRUE(result.succeeded()) << result.describe();
    const std::vector<double> rates = frame_rate_reports(result.err);
    std::vector<std::pair<double, double>> limits;
    std::istringstream out(result.out);
    for (std::string line; std::getline(out, line);) {
        double low = 0.0, high = 0.0;
        if (std::sscanf(line.c_str(), "rates between %lf and %lf", &low, &high) == 2) limits.emplace_back(low, high);
    }
    ASSERT_EQ(limits.size(), 2u) << result.out;
    ASSERT_EQ(rates.size(), 2u) << result.err;
    for (size_t k = 0; k < 2; ++k) {
        EXPECT_GE(rates[k], limits[k].first) << "report " << k;
        EXPECT_LE(rates[k], limits[k].second) << "report " << k;
    }
}

TEST_P(EveryBackend, CharacterKeysReachKeyDownAndKeyUpAtThePointer) {
    const ChildResult result = run_on_test_screen<InputChild>(
        ScreenUse::ALONE,
        [](InputChild& child) {
            child.script.then("type a", [&child] {
                child.tap_key(XK_a);
                return true;
            });
            child.expect_events(2).then("check", [&child] {
                EXPECT_EQ(child.events.size(), 2u);
                if (child.events.size() != 2u) return true;
                for (const InputEvent& event : child.events) {
                    EXPECT_EQ(event.code, 'a');
                    EXPECT_EQ(event.x, 100);
                    EXPECT_EQ(event.y, 50);
                }
                EXPECT_EQ(child.events[0].kind, 'd');
                EXPECT_EQ(child.events[1].kind, 'u');
                return true;
            });
        },
        GetParam().kind);
    EXPECT_CHILD_PASSED(result);
}

TEST_P(EveryBackend, ButtonsReachTheMouseSlotWithTheBackendsCodesAtThePointer) {
    const Backend backend = GetParam();
    const ChildResult result = run_on_test_screen<InputChild>(
        ScreenUse::ALONE,
        [backend](InputChild& child) {
            child.script.then("click left and right", [&child] {
                child.x.press_button(1);
                child.x.release_button(1);
                child.x.press_button(3);
                child.x.release_button(3);
                return true;
            });
            child.barrier().then("check", [&child, backend] {
                EXPECT_EQ(key_codes().BUTTON_DOWN, backend.button_down);
                EXPECT_EQ(key_codes().BUTTON_UP, backend.button_up);
                const std::vector<InputEvent>& e = child.events;
                EXPECT_EQ(e.size(), 4u);
                if (e.size() != 4u) return true;
                const int32_t left = key_codes().BUTTON_LEFT, right = key_codes().BUTTON_RIGHT;
                const std::array<std::pair<int32_t, int32_t>, 4> expected = {
                    {{left, backend.button_down}, {left, backend.button_up},
                     {right, backend.button_down}, {right, backend.button_up}}};
                for (size_t i = 0; i < 4; ++i) {
                    EXPECT_EQ(e[i].kind, 'm') << i;
                    EXPECT_EQ(e[i].code, expected[i].first) << i;
                    EXPECT_EQ(e[i].state, expected[i].second) << i;
                    EXPECT_EQ(e[i].x, 100) << i;
                    EXPECT_EQ(e[i].y, 50) << i;
                }
                return true;
            });
        },
        GetParam().kind);
    EXPECT_CHILD_PASSED(result);
}

INSTANTIATE_TEST_SUITE_P(Backends, EveryBackend, testing::ValuesIn(BACKENDS),
                         [](const testing::TestParamInfo<Backend>& info) { return std::string(info.param.name); });
