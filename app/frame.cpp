#include "app/frame.h"

#include <GL/gl.h>
#include <sys/time.h>

#include <cstdio>
#include <ctime>

#include "app/style.h"
#include "app/window.h"

namespace {
constexpr int32_t FRAMES_PER_REPORT = 100;
}

void set_fixed_gl_state() {
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glFrontFace(GL_CCW);
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    glEnable(GL_POINT_SMOOTH);
    glHint(GL_POINT_SMOOTH_HINT, GL_NICEST);
    glEnable(GL_LINE_SMOOTH);
    glHint(GL_LINE_SMOOTH_HINT, GL_NICEST);
    glEnable(GL_POLYGON_SMOOTH);
    glHint(GL_POLYGON_SMOOTH_HINT, GL_NICEST);
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
}

Color frame_background(const Window* window) {
    Color background{0.0, 0.0, 0.0, 1.0};
    if (window != nullptr && window->style != nullptr)
        window->style->find_color("bg-color", &background);
    return background;
}

void clear_frame(const Window* window) {
    const Color background = frame_background(window);
    glClearColor(static_cast<float>(background.red), static_cast<float>(background.green),
                 static_cast<float>(background.blue), static_cast<float>(background.alpha));
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

void BackendState::attach(Window* served) {
    window = served;
    saved_relative_width = served->relative_width();
    saved_relative_height = served->relative_height();
    fps_last_ms = wall_clock_ms();
}

void draw_frame(BackendState& backend) {
    clear_frame(backend.window);
    backend.window->on_display();
    if (backend.fps_report == 1) count_frame_for_report(backend);
    glFlush();
}

void count_frame_for_report(BackendState& backend) {
    if (++backend.fps_frames < FRAMES_PER_REPORT) return;
    const int64_t now_ms = wall_clock_ms();
    // A report can only come a whole millisecond after the previous one;
    // anything less (a clock step backwards) would divide by zero.
    const int64_t elapsed_ms = now_ms > backend.fps_last_ms ? now_ms - backend.fps_last_ms : 1;
    std::fprintf(stderr, "fps: %2f\n", backend.fps_frames / (static_cast<double>(elapsed_ms) * 0.001));
    backend.fps_frames = 0;
    backend.fps_last_ms = now_ms;
}

void set_pixel_projection(const WindowGeometry& geometry, int32_t width, int32_t height) {
    glViewport(0, 0, width, height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0.0, geometry.screen_width * geometry.relative_width, 0.0,
            geometry.screen_height * geometry.relative_height, -10.0, 10.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

double clock_seconds() { return static_cast<double>(std::clock()) / 1000000.0; }

int64_t wall_clock_ms() {
    timeval now{};
    gettimeofday(&now, nullptr);
    return static_cast<int64_t>(now.tv_sec) * 1000 + now.tv_usec / 1000;
}
