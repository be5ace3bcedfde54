// What only the Xlib backend does, against real X servers and OpenGL: the
// window and its context, full screen, embedding in a host's window, X
// protocol errors, and a missing display, GL visual or parent window (the
// frame, reshape and input both backends share are in
// window_backends_test.cpp).
#include <GL/freeglut.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <string>

#include "app/style.h"
#include "app/window.h"
#include "app/xlib_backend.h"
#include "tests/support/gl_checks.h"
#include "tests/support/sound_files.h"
#include "tests/support/x11.h"
#include "tests/support/xlib_test.h"

namespace {
constexpr std::array<int, 3> STYLE_BACKGROUND{51, 102, 153};  // (0.2, 0.4, 0.6), as the screen shows it
constexpr std::array<int, 3> HOST_GREEN{0, 255, 0};

// A store holding nothing but a "bg-color" of (0.2, 0.4, 0.6).
Style* background_style() {
    Style* style = Style::create();
    style->add_color("bg-color", {0.2, 0.4, 0.6, 1.0});
    return style;
}

Display* display_of(const Window* window) { return static_cast<Display*>(window->xlib->display); }

void expect_rect(const WindowRect& rect, WindowRect expected) {
    EXPECT_EQ(rect.x, expected.x);
    EXPECT_EQ(rect.y, expected.y);
    EXPECT_EQ(rect.width, expected.width);
    EXPECT_EQ(rect.height, expected.height);
}

void expect_pixel_projection(float width, float height) {
    EXPECT_EQ(gl_viewport(), (std::array<int, 4>{0, 0, static_cast<int>(width), static_cast<int>(height)}));
    const std::array<float, 16> projection = gl_matrix(GL_PROJECTION_MATRIX);
    const std::array<float, 16> expected = ortho_matrix(width, height);
    for (int i = 0; i < 16; ++i) EXPECT_NEAR(projection[i], expected[i], 1e-6) << i;
}

// Lines of a child's standard error that report X protocol errors.
std::vector<std::string> x_error_lines(const std::string& err) {
    std::vector<std::string> lines = lines_of(err);
    std::erase_if(lines, [](const std::string& line) { return line.rfind("X11 error ", 0) != 0; });
    return lines;
}

// An X id that no window has any more: a window of the host's, destroyed.
unsigned long destroyed_window_id(XClient& host) {
    const unsigned long id = host.create_window(0, 0, 10, 10, 0);
    host.destroy_window(id);
    return id;
}

// What every operation does once the backend has no usable connection:
// nothing, and no crash; the relative size still follows set_relative_size
// where the screen size is known.
void expect_inert_backend(HostDrivenChild& child) {
    int calls = 0;
    child.hooks.init = [&](Window*) { return ++calls; };
    child.hooks.idle = [&](Window*) { ++calls; };
    child.hooks.display = [&](Window*) { ++calls; };
    Window* window = child.window;
    XlibBackend* backend = window->xlib;
    ASSERT_NE(backend, nullptr);
    EXPECT_FALSE(backend->usable());
    EXPECT_EQ(backend->display, nullptr);
    EXPECT_EQ(backend->context, nullptr);
    EXPECT_EQ(window->native_handle(), 0u);
    EXPECT_EQ(window->backend(), backend);

    window->run(0, nullptr);
    EXPECT_EQ(window->ran, 1);
    window->process_events();
    window->toggle_fullscreen();
    EXPECT_EQ(backend->fullscreen, 0);
    window->toggle_fps_report();
    EXPECT_EQ(backend->fps_report, 1);
    EXPECT_EQ(calls, 0);
    // freeglut would end the process without a display; it was left alone.
    EXPECT_EQ(glutGet(GLUT_INIT_STATE), 0);
}

// Creates an Xlib window where no display can be reached.
void expect_no_display() {
    HostDrivenChild child;
    Window* window = child.window;
    EXPECT_EQ(window->geometry->screen_width, 0);
    EXPECT_EQ(window->geometry->screen_height, 0);
    expect_inert_backend(child);
    // With a 0 x 0 screen a reported size has no fraction: nothing changes.
    window->xlib->reshape(800, 600);
    EXPECT_EQ(window->relative_width(), 0.5);
    EXPECT_EQ(window->relative_height(), 0.5);
    window->set_relative_size(0.3, 0.4);
    EXPECT_EQ(window->relative_width(), 0.3);
    EXPECT_EQ(window->relative_height(), 0.4);
    Window::destroy(window);
}
}  // namespace

TEST(XlibWindow, OpensAMappedWindowAtTheOriginWithADirectContext) {
    HOLD_TEST_SCREEN(screen, ScreenUse::OWN_WINDOWS);
    const ChildResult result = run_window_child(screen.display(), [] {
        XlibChild child;
        Window* window = child.window;
        XlibBackend* backend = window->xlib;
        ASSERT_NE(backend, nullptr);
        ASSERT_TRUE(backend->usable());
        EXPECT_EQ(window->glut, nullptr);
        EXPECT_EQ(window->backend(), backend);
        EXPECT_EQ(current_xlib_window(), window);
        EXPECT_EQ(window->geometry->screen_width, 1920);
        EXPECT_EQ(window->geometry->screen_height, 1080);
        EXPECT_EQ(window->relative_width(), 0.5);
        EXPECT_EQ(window->relative_height(), 0.5);
        EXPECT_EQ(backend->parent, 0u);
        EXPECT_EQ(backend->fullscreen, 0);
        EXPECT_EQ(backend->fps_report, 0);
        EXPECT_EQ(backend->saved_relative_width, 0.5);
        EXPECT_EQ(backend->saved_relative_height, 0.5);
        EXPECT_EQ(backend->pointer_x, 0);
        EXPECT_EQ(backend->pointer_y, 0);

        // Mapped at once, at the origin of the root window.
        const unsigned long handle = window->native_handle();
        EXPECT_EQ(handle, backend->x_window);
        EXPECT_TRUE(child.x.viewable(handle));
        expect_rect(child.x.rect_of(handle), {0, 0, 960, 540});
        EXPECT_EQ(child.x.parent_of(handle), DefaultRootWindow(display_of(window)));

        // A direct context, current on the window: double buffered, 24-bit
        // depth, with the whole window as viewport and pixel projection.
        EXPECT_TRUE(glXIsDirect(display_of(window), static_cast<GLXContext>(backend->context)));
        EXPECT_EQ(glXGetCurrentContext(), backend->context);
        EXPECT_EQ(glXGetCurrentDrawable(), handle);
        GLint depth_bits = 0, double_buffered = 0;
        glGetIntegerv(GL_DEPTH_BITS, &depth_bits);
        glGetIntegerv(GL_DOUBLEBUFFER, &double_buffered);
        EXPECT_GE(depth_bits, 24);
        EXPECT_TRUE(double_buffered);
        expect_pixel_projection(960, 540);

        EXPECT_EQ(std::memcmp(&key_codes(), &XLIB_KEY_CODES, sizeof(KeyCodes)), 0);

        // freeglut is up for the stroke font, and only for it.
        EXPECT_EQ(glutGet(GLUT_INIT_STATE), 1);
        EXPECT_GT(glutStrokeLength(GLUT_STROKE_MONO_ROMAN, reinterpret_cast<const unsigned char*>("morva")), 0);

        Window::destroy(window);
        child.window = nullptr;
        EXPECT_FALSE(child.x.exists(handle));
        EXPECT_EQ(glXGetCurrentContext(), nullptr);
        EXPECT_EQ(glutGet(GLUT_INIT_STATE), 0);
        EXPECT_EQ(current_xlib_window(), nullptr);
    });
    EXPECT_CHILD_PASSED(result);
}

TEST(XlibWindow, ASizeTooSmallForAPixelGivesAOnePixelWindowAndNoErrors) {
    HOLD_TEST_SCREEN(screen, ScreenUse::OWN_WINDOWS);
    const ChildResult result = run_window_child(screen.display(), [] {
        HostDrivenChild child(0, 0.0, 0.0);
        Window* window = child.window;
        ASSERT_TRUE(window->xlib->usable());
        expect_rect(child.x.rect_of(child.handle()), {0, 0, 1, 1});
        // Once the server has handled the move (no window manager stands
        // between), its notification is queued: the next pass takes it.
        auto toggle_and_pass = [window] {
            window->toggle_fullscreen();
            XSync(display_of(window), 0);
            window->process_events();
        };
        toggle_and_pass();
        EXPECT_EQ(window->relative_width(), 1.0);
        toggle_and_pass();
        EXPECT_EQ(window->relative_width(), 1.0 / 1920.0);
        expect_rect(child.x.rect_of(child.handle()), {960, 540, 1, 1});
    });
    EXPECT_CHILD_PASSED(result);
    EXPECT_TRUE(x_error_lines(result.err).empty()) << result.err;
}

TEST(XlibFrame, FullScreenCoversTheScreenAndReturnsToTheSizeSavedOnEntering) {
    HOLD_TEST_SCREEN(screen, ScreenUse::OWN_WINDOWS);
    const ChildResult result = run_window_child(screen.display(), [] {
        XlibChild child;
        Window* window = child.window;
        XlibBackend* backend = window->xlib;
        auto sized = [window](double width, double height) {
            return [=] { return window->relative_width() == width && window->relative_height() == height; };
        };
        auto toggle = [window] {
            window->toggle_fullscreen();
            return true;
        };
        child.when_viewable()
            .then("enter full screen", toggle)
            .then("full size", sized(1.0, 1.0))
            .then("covers the screen", [&] {
                EXPECT_EQ(backend->fullscreen, 1);
                EXPECT_EQ(backend->saved_relative_width, 0.5);
                EXPECT_EQ(backend->saved_relative_height, 0.5);
                expect_rect(child.x.rect_of(child.handle()), {0, 0, 1920, 1080});
                return true;
            })
            .then("leave full screen", toggle)
            .then("half size", sized(0.5, 0.5))
            .then("centred", [&] {
                EXPECT_EQ(backend->fullscreen, 0);
                expect_rect(child.x.rect_of(child.handle()), {480, 270, 960, 540});
                child.x.resize(child.handle(), 800, 600);
                return true;
            })
            .then("resized while windowed", sized(800.0 / 1920.0, 600.0 / 1080.0))
            .then("enter again", toggle)
            .then("full size again", sized(1.0, 1.0))
            .then("resize while full screen", [&] {
                EXPECT_EQ(backend->saved_relative_width, 800.0 / 1920.0);
                child.x.resize(child.handle(), 1000, 700);
                return true;
            })
            .then("resized", sized(1000.0 / 1920.0, 700.0 / 1080.0))
            .then("leave again", toggle)
            .then("back to the size saved on entering", sized(800.0 / 1920.0, 600.0 / 1080.0))
            .then("centred", [&] {
                expect_rect(child.x.rect_of(child.handle()), {560, 240, 800, 600});
                return true;
            });
        child.run();
    });
    EXPECT_CHILD_PASSED(result);
}

TEST(XlibEmbedded, RunReturnsAfterInitAndEachPassIdlesOnceAndDraws) {
    HOLD_TEST_SCREEN(screen, ScreenUse::ALONE);  // what the screen shows is read
    const ChildResult result = run_window_child(screen.display(), [] {
        XClient host;
        const unsigned long parent = host.create_window(100, 100, 800, 600, 0x00FF00);
        HostDrivenChild child(static_cast<uint32_t>(parent), 0.25, 0.25);
        Window* window = child.window;
        window->set_style(background_style());
        std::string calls;
        child.hooks.init = [&](Window*) {
            calls += 'n';
            expect_fixed_gl_state();
            return 1;
        };
        child.hooks.idle = [&](Window*) { calls += 'i'; };
        child.hooks.display = [&](Window*) { calls += 'd'; };

        // Inside the parent at its origin, a quarter of the screen each way.
        const unsigned long handle = child.handle();
        ASSERT_NE(handle, 0u);
        EXPECT_EQ(window->xlib->parent, parent);
        EXPECT_EQ(host.parent_of(handle), parent);
        expect_rect(host.rect_of(handle), {100, 100, 480, 270});
        EXPECT_EQ(window->relative_width(), 0.25);

        window->run(0, nullptr);
        EXPECT_EQ(window->ran, 1);
        EXPECT_EQ(calls, "n");
        // Nothing drawn yet: the host's green shows through.
        EXPECT_EQ(host.shown_pixel(handle, 10, 10), HOST_GREEN);

        for (int pass = 0; pass < 3; ++pass) {
            calls.clear();
            window->process_events();
            ASSERT_FALSE(calls.empty());
            EXPECT_EQ(calls.front(), 'i') << calls;
            EXPECT_EQ(std::count(calls.begin(), calls.end(), 'i'), 1) << calls;
            EXPECT_EQ(calls.back(), 'd') << calls;
        }
        XSync(display_of(window), 0);  // the last swap reaches the server
        EXPECT_EQ(host.shown_pixel(handle, 10, 10), STYLE_BACKGROUND);
        EXPECT_EQ(host.shown_pixel(handle, 479, 269), STYLE_BACKGROUND);
        EXPECT_EQ(host.shown_pixel(parent, 600, 400), HOST_GREEN);
    });
    EXPECT_CHILD_PASSED(result);
}

TEST(XlibEmbedded, SetRelativeSizeReshapesInTheWindowsOwnContext) {
    HOLD_TEST_SCREEN(screen, ScreenUse::OWN_WINDOWS);
    const ChildResult result = run_window_child(screen.display(), [] {
        XClient host;
        const unsigned long parent = host.create_window(0, 0, 1000, 800, 0x00FF00);
        HostDrivenChild child(static_cast<uint32_t>(parent), 0.5, 0.5);
        Window* window = child.window;
        window->run(0, nullptr);
        // The host draws with a context of its own: none of ours is current.
        glXMakeCurrent(display_of(window), 0, nullptr);

        window->set_relative_size(0.25, 0.5);
        EXPECT_DOUBLE_EQ(window->relative_width(), 480.0 / 1920.0);
        EXPECT_DOUBLE_EQ(window->relative_height(), 540.0 / 1080.0);
        EXPECT_EQ(glXGetCurrentContext(), window->xlib->context);
        expect_pixel_projection(480, 540);

        window->process_events();
        EXPECT_EQ(gl_viewport(), (std::array<int, 4>{0, 0, 480, 540}));
        // The window itself keeps its size.
        expect_rect(host.rect_of(child.handle()), {0, 0, 960, 540});
    });
    EXPECT_CHILD_PASSED(result);
}

TEST(XlibErrors, AProtocolErrorIsReportedOnOneLineAndTheProgramGoesOn) {
    HOLD_TEST_SCREEN(screen, ScreenUse::OWN_WINDOWS);
    const ChildResult result = run_window_child(screen.display(), [] {
        HostDrivenChild child;
        int frames = 0;
        child.hooks.display = [&](Window*) { ++frames; };
        const unsigned long gone = destroyed_window_id(child.x);
        XMapWindow(display_of(child.window), gone);
        XSync(display_of(child.window), 0);
        std::fprintf(stderr, "after the error\n");
        for (int pass = 0; pass < 3; ++pass) child.window->process_events();
        EXPECT_GE(frames, 3);
    });
    EXPECT_CHILD_PASSED(result);
    const std::vector<std::string> errors = x_error_lines(result.err);
    ASSERT_EQ(errors.size(), 1u) << result.err;
    EXPECT_EQ(errors[0].rfind("X11 error 3: BadWindow", 0), 0u) << errors[0];
    EXPECT_NE(result.err.find("after the error"), std::string::npos);
}

TEST(XlibWithoutDisplay, AnUnsetDisplayGivesOneLineAndAnInertWindow) {
    ChildProcess child = ChildProcess::fork_function(expect_no_display, {{"-DISPLAY", ""}});
    const ChildResult result = child.wait(CASE_TIME_LIMIT);
    EXPECT_CHILD_PASSED(result);
    EXPECT_EQ(result.err, "cannot open X display: DISPLAY is not set\n");
}

TEST(XlibWithoutDisplay, AnUnreachableDisplayGivesOneLineAndAnInertWindow) {
    const ChildResult result = run_window_child(":999", expect_no_display);
    EXPECT_CHILD_PASSED(result);
    EXPECT_EQ(result.err, "cannot open X display \":999\"\n");
}

TEST(XlibWithoutDisplay, AServerWithoutGlxGivesOneLineAndAnInertWindow) {
    START_X_SERVER(server, 1920, 1080, false, false);
    const ChildResult result = run_window_child(server.display(), [] {
        HostDrivenChild child;
        // The display did open: its screen size stands.
        EXPECT_EQ(child.window->geometry->screen_width, 1920);
        EXPECT_EQ(child.window->geometry->screen_height, 1080);
        expect_inert_backend(child);
        child.window->set_relative_size(0.25, 0.5);
        EXPECT_EQ(child.window->relative_width(), 0.25);
        EXPECT_EQ(child.window->relative_height(), 0.5);
        Window::destroy(child.window);
    });
    EXPECT_CHILD_PASSED(result);
    EXPECT_EQ(result.err, "no GLX visual with RGBA, double buffering and a 24-bit depth buffer\n");
}

TEST(XlibWithoutDisplay, AParentThatDoesNotExistGivesNoWindowAndNoFurtherErrors) {
    HOLD_TEST_SCREEN(screen, ScreenUse::OWN_WINDOWS);
    const ChildResult result = run_window_child(screen.display(), [] {
        XClient host;
        const unsigned long gone = destroyed_window_id(host);
        HostDrivenChild child(static_cast<uint32_t>(gone));
        expect_inert_backend(child);
        for (int pass = 0; pass < 3; ++pass) child.window->process_events();
        Window::destroy(child.window);
    });
    EXPECT_CHILD_PASSED(result);
    const std::vector<std::string> lines = lines_of(result.err);
    ASSERT_EQ(lines.size(), 2u) << result.err;
    EXPECT_EQ(lines[0].rfind("X11 error 3: BadWindow", 0), 0u) << lines[0];
    EXPECT_EQ(lines[1].rfind("no X window created: parent window 0x", 0), 0u) << lines[1];
    EXPECT_NE(lines[1].find(" does not exist"), std::string::npos) << lines[1];
}

TEST(XlibEmbedded, AWindowDestroyedWithItsHostsParentDrawsNoMoreAndReportsNothing) {
    HOLD_TEST_SCREEN(screen, ScreenUse::OWN_WINDOWS);
    const ChildResult result = run_window_child(screen.display(), [] {
        XClient host;
        const unsigned long parent = host.create_window(0, 0, 1000, 800, 0x00FF00);
        HostDrivenChild child(static_cast<uint32_t>(parent), 0.25, 0.25);
        int frames = 0;
        child.hooks.display = [&](Window*) { ++frames; };
        child.window->run(0, nullptr);
        child.window->process_events();
        EXPECT_GE(frames, 1);
        const int frames_before = frames;

        host.destroy_window(parent);  // takes the embedded window with it
        for (int pass = 0; pass < 3; ++pass) child.window->process_events();
        EXPECT_EQ(frames, frames_before);
        EXPECT_EQ(child.window->native_handle(), 0u);
        Window::destroy(child.window);
    });
    EXPECT_CHILD_PASSED(result);
    EXPECT_TRUE(x_error_lines(result.err).empty()) << result.err;
}
