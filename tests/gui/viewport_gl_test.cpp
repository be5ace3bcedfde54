// The viewport widget against real OpenGL: its viewport and scissor box,
// clearing, restoring the window's viewport, the outline and the demo cube.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <array>
#include <memory>

#include "app/application.h"
#include "app/style.h"
#include "app/window.h"
#include "gui/viewport.h"
#include "gui/widget.h"
#include "tests/support/gl_capture.h"

namespace {
// An untitled viewport in the test's window: place and size in window
// fractions, outlined when asked.
Widget* viewport_in(GlWindow& gl, ViewportDrawFn draw, double x, double y, double width, double height,
                    int32_t outline = 0) {
    return create_viewport(gl.application, gl.window->geometry, "", 0, 0, draw, x, y, width, height, outline);
}

// What the GL state was while a viewport's draw callback ran.
struct InsideCallback {
    int calls = 0;
    std::array<GLint, 4> viewport{};
    std::array<GLint, 4> scissor{};
    bool scissor_on = false;
    std::array<int, 4> cleared{};  // the pixel at the area's bottom-left corner
    float aspect_seen = 0;
};
InsideCallback inside;

void look_around(Widget* widget) {
    ++inside.calls;
    glGetIntegerv(GL_VIEWPORT, inside.viewport.data());
    glGetIntegerv(GL_SCISSOR_BOX, inside.scissor.data());
    inside.scissor_on = glIsEnabled(GL_SCISSOR_TEST);
    inside.cleared = pixel_at(inside.viewport[0], inside.viewport[1]);
    inside.aspect_seen = aspect(widget);
}

// Fills the whole window, as far as the scissor box lets it, in white.
void paint_everything(Widget*) {
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glColor4f(1, 1, 1, 1);
    glBegin(GL_QUADS);
    glVertex2f(-1, -1);
    glVertex2f(1, -1);
    glVertex2f(1, 1);
    glVertex2f(-1, 1);
    glEnd();
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
}

void clear_window_blue() {
    glClearColor(0, 0, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

std::array<GLint, 4> current_viewport() {
    std::array<GLint, 4> viewport{};
    glGetIntegerv(GL_VIEWPORT, viewport.data());
    return viewport;
}

std::array<float, 16> matrix(GLenum which) {
    std::array<float, 16> m{};
    glGetFloatv(which, m.data());
    return m;
}

constexpr std::array<int, 4> RED_PIXEL{255, 0, 0, 255};
constexpr std::array<int, 4> BLUE_PIXEL{0, 0, 255, 255};
}  // namespace

TEST(ViewportGl, FullWindowViewportClearsTheWholeWindowThenRestoresTheViewport) {
    const ChildResult result = run_gl_check([](GlWindow& gl) {
        Widget* viewport = viewport_in(gl, look_around, 0, 0, 1, 1);
        set_background(viewport, 1, 0, 0);
        clear_window_blue();
        glViewport(10, 20, 300, 200);  // whatever the window had is given back
        viewport->draw();
        EXPECT_EQ(inside.calls, 1);
        EXPECT_EQ(inside.viewport, (std::array<GLint, 4>{0, 0, 960, 540}));
        EXPECT_EQ(inside.scissor, (std::array<GLint, 4>{0, 0, 960, 540}));
        EXPECT_TRUE(inside.scissor_on);
        EXPECT_EQ(inside.cleared, RED_PIXEL);
        EXPECT_NEAR(inside.aspect_seen, 1.7778f, 1e-4);
        EXPECT_EQ(current_viewport(), (std::array<GLint, 4>{10, 20, 300, 200}));
        EXPECT_FALSE(glIsEnabled(GL_SCISSOR_TEST));
        EXPECT_EQ(pixel_at(959, 539), RED_PIXEL);
        EXPECT_EQ(pixel_at(0, 539), RED_PIXEL);
        Widget::destroy(viewport);
    });
    EXPECT_CHILD_PASSED(result);
}

TEST(ViewportGl, PartialViewportDrawsOnlyInsideItsArea) {
    const ChildResult result = run_gl_check([](GlWindow& gl) {
        Widget* viewport = viewport_in(gl, paint_everything, 0.25, 0.25, 0.5, 0.5);
        set_background(viewport, 1, 0, 0);
        clear_window_blue();
        viewport->draw();
        // (240, 135) to (720, 405): painted white over the red background.
        EXPECT_EQ(pixel_at(240, 135), (std::array<int, 4>{255, 255, 255, 255}));
        EXPECT_EQ(pixel_at(719, 404), (std::array<int, 4>{255, 255, 255, 255}));
        for (const auto& [x, y] : std::vector<std::pair<int, int>>{
                 {239, 200}, {720, 200}, {300, 134}, {300, 405}, {0, 0}, {959, 539}})
            EXPECT_EQ(pixel_at(x, y), BLUE_PIXEL) << x << ", " << y;

        // Without a callback the area is only cleared.
        Widget* bare = viewport_in(gl, nullptr, 0.25, 0.25, 0.5, 0.5);
        set_background(bare, 1, 0, 0);
        clear_window_blue();
        bare->draw();
        EXPECT_EQ(pixel_at(480, 270), RED_PIXEL);
        EXPECT_EQ(pixel_at(239, 270), BLUE_PIXEL);
        Widget::destroy(viewport);
        Widget::destroy(bare);
    });
    EXPECT_CHILD_PASSED(result);
}

TEST(ViewportGl, OutlineIsNeverFilledEvenWithAnOpaqueContentsFill) {
    const ChildResult result = run_gl_check([](GlWindow& gl) {
        Style* style = create_default_style();
        style->add_color("contents-fill-color", {1, 0, 1, 1});
        style->add_color("contents-color", {0, 1, 0, 1});
        gl.window->set_style(style);
        Widget* outlined = viewport_in(gl, nullptr, 0.25, 0.25, 0.5, 0.5, 1);
        Feedback feedback = capture_feedback([&] { outlined->draw(); });
        expect_outline_only(feedback, 240, 135, 720, 405);
        for (const auto& line : feedback.lines)
            EXPECT_EQ(line[0].color, (std::array<float, 4>{0, 1, 0, 1}));
        EXPECT_EQ(gl.application->draw_state->line_width, 3.0);

        Widget* plain = viewport_in(gl, nullptr, 0.25, 0.25, 0.5, 0.5);
        feedback = capture_feedback([&] { plain->draw(); });
        EXPECT_TRUE(feedback.lines.empty());
        EXPECT_TRUE(feedback.polygons.empty());
        Widget::destroy(outlined);
        Widget::destroy(plain);
    });
    EXPECT_CHILD_PASSED(result);
}

TEST(ViewportGl, DemoCubeTurnsOneDegreePerFrameAndLeavesTheMatricesAlone) {
    const ChildResult result = run_gl_check([](GlWindow& gl) {
        Widget* viewport = viewport_in(gl, viewport_demo_draw, 0, 0, 1, 1);
        const std::array<float, 16> projection = matrix(GL_PROJECTION_MATRIX);
        const std::array<float, 16> modelview = matrix(GL_MODELVIEW_MATRIX);
        const Feedback feedback = capture_feedback([&] { viewport->draw(); });
        EXPECT_EQ(viewport_data(viewport)->demo_angle, 1.0f);
        EXPECT_EQ(feedback.polygons.size(), 12u);  // filled in white
        for (const auto& polygon : feedback.polygons)
            EXPECT_EQ(polygon[0].color, (std::array<float, 4>{1, 1, 1, 1}));
        EXPECT_EQ(feedback.lines.size(), 36u);  // then each triangle's edges in green
        for (const auto& line : feedback.lines)
            EXPECT_EQ(line[0].color, (std::array<float, 4>{0, 1, 0, 1}));
        EXPECT_EQ(matrix(GL_PROJECTION_MATRIX), projection);
        EXPECT_EQ(matrix(GL_MODELVIEW_MATRIX), modelview);
        GLint modes[2] = {0, 0};
        glGetIntegerv(GL_POLYGON_MODE, modes);
        EXPECT_EQ(modes[0], GL_FILL);
        EXPECT_EQ(modes[1], GL_FILL);

        glClearColor(0, 0, 1, 1);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        viewport->draw();
        EXPECT_EQ(viewport_data(viewport)->demo_angle, 2.0f);
        EXPECT_EQ(pixel_at(480, 270)[0], 255);  // the cube's white face in the middle
        EXPECT_EQ(pixel_at(20, 20), (std::array<int, 4>{0, 0, 0, 255}));  // the background
        Widget::destroy(viewport);
    });
    EXPECT_CHILD_PASSED(result);
}
