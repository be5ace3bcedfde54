// Drawing primitives against real OpenGL: what they emit (feedback mode)
// and what lands in the frame buffer.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "app/application.h"
#include "gui/draw.h"
#include "gui/texture.h"
#include "tests/support/gl_capture.h"

namespace {
const Color RED{1, 0, 0, 1};
const Color GREEN{0, 1, 0, 1};
const Color WHITE{1, 1, 1, 1};

void clear_to_black() {
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

// The quad of the fill tests: (100, 100) to (300, 200).
const Quad BOX{{{{100, 100}, {300, 100}, {300, 200}, {100, 200}}}};

// The window's drawing state set to stroke in a colour and width over a
// fill (by default none).
DrawState& pen(GlWindow& gl, const Color& color, double width, const Color& fill = {}) {
    DrawState& state = *gl.application->draw_state;
    state.set_color(color);
    state.set_fill_color(fill);
    state.set_line_width(width);
    return state;
}

float line_width_now() {
    GLfloat width = 0;
    glGetFloatv(GL_LINE_WIDTH, &width);
    return width;
}

// Rows (or columns) of lit pixels along a vertical line through x, between y0 and y1.
int lit_run_along_column(int x, int y0, int y1) {
    std::vector<unsigned char> column(static_cast<size_t>(y1 - y0) * 4);
    glFinish();
    glReadBuffer(GL_BACK);
    glReadPixels(x, y0, 1, y1 - y0, GL_RGBA, GL_UNSIGNED_BYTE, column.data());
    int lit = 0;
    for (size_t i = 0; i < column.size(); i += 4)
        if (column[i] >= 128) ++lit;
    return lit;
}

double distance(const FeedbackVertex& v, double x, double y) { return std::hypot(v.x - x, v.y - y); }
}  // namespace

TEST(DrawGl, QuadWithoutFillAlphaDrawsOnlyItsOutline) {
    const ChildResult result = run_gl_check([](GlWindow& gl) {
        // The state an application starts with: white outlines 1.5 wide, no fill.
        const DrawState& start = *gl.application->draw_state;
        expect_outline_only(capture_feedback([&] { draw_quad(start, BOX); }), 100, 100, 300, 200);
        clear_to_black();
        draw_quad(start, BOX);
        EXPECT_EQ(pixel_at(200, 150), (std::array<int, 4>{0, 0, 0, 255}));
        const std::array<int, 4> edge = pixel_at(100, 150);  // left edge, grey-white: partly covered
        EXPECT_GE(edge[0], 128);
        EXPECT_TRUE(edge[1] == edge[0] && edge[2] == edge[0]);
        EXPECT_FLOAT_EQ(line_width_now(), 1.5f);

        // A fill colour with alpha 0 is no fill either, whatever its colour.
        DrawState& state = pen(gl, GREEN, 3, {1, 0, 0, 0});
        clear_to_black();
        draw_quad(state, BOX);
        EXPECT_EQ(pixel_at(200, 150), (std::array<int, 4>{0, 0, 0, 255}));
        EXPECT_GE(pixel_at(100, 150)[1], 200);  // left edge, green
        EXPECT_FLOAT_EQ(line_width_now(), 3);   // left as the primitive set it
    });
    EXPECT_CHILD_PASSED(result);
}

TEST(DrawGl, HalfTransparentFillBlendsUnderTheOutline) {
    const ChildResult result = run_gl_check([](GlWindow& gl) {
        DrawState& state = pen(gl, GREEN, 3, {1, 0, 0, 0.5});
        const Feedback feedback = capture_feedback([&] { draw_quad(state, BOX); });
        ASSERT_FALSE(feedback.polygons.empty());
        for (const auto& polygon : feedback.polygons)
            for (const FeedbackVertex& v : polygon)
                EXPECT_EQ(v.color, (std::array<float, 4>{1, 0, 0, 0.5f}));
        ASSERT_EQ(feedback.lines.size(), 4u);
        EXPECT_EQ(feedback.lines[0][0].color, (std::array<float, 4>{0, 1, 0, 1}));

        clear_to_black();
        draw_quad(state, BOX);  // blending is part of the window's fixed state
        const std::array<int, 4> inside = pixel_at(200, 150);
        EXPECT_NEAR(inside[0], 128, 2);
        EXPECT_EQ(inside[1], 0);
        EXPECT_GE(pixel_at(300, 150)[1], 200);  // the outline is drawn over the fill
    });
    EXPECT_CHILD_PASSED(result);
}

TEST(DrawGl, RectangleIsAQuadAroundItsCentreAndTheMatricesStayPut) {
    const ChildResult result = run_gl_check([](GlWindow& gl) {
        DrawState& state = *gl.application->draw_state;
        state.set_fill_color({0, 0, 1, 1});
        glTranslatef(50, 50, 0);  // a caller's model-view: ignored inside, kept after
        const Feedback feedback = capture_feedback([&] { draw_rect(state, 400, 300, 100, 60); });
        ASSERT_FALSE(feedback.polygons.empty());  // a quad, perhaps as two triangles
        const Extent extent = extent_of(feedback.polygons);
        EXPECT_NEAR(extent.min_x, 350, 1e-3);
        EXPECT_NEAR(extent.max_x, 450, 1e-3);
        EXPECT_NEAR(extent.min_y, 270, 1e-3);
        EXPECT_NEAR(extent.max_y, 330, 1e-3);
        EXPECT_EQ(feedback.lines.size(), 4u);
        std::array<float, 16> modelview{};
        glGetFloatv(GL_MODELVIEW_MATRIX, modelview.data());
        EXPECT_FLOAT_EQ(modelview[12], 50);
        EXPECT_FLOAT_EQ(modelview[13], 50);
    });
    EXPECT_CHILD_PASSED(result);
}

TEST(DrawGl, LineRunsBetweenItsEndsInTheStrokeColour) {
    const ChildResult result = run_gl_check([](GlWindow& gl) {
        DrawState& state = pen(gl, RED, 4);
        const Feedback feedback = capture_feedback([&] { draw_line(state, 10, 20, 110, 220); });
        ASSERT_EQ(feedback.lines.size(), 1u);
        EXPECT_NEAR(feedback.lines[0][0].x, 10, 1e-3);
        EXPECT_NEAR(feedback.lines[0][0].y, 20, 1e-3);
        EXPECT_NEAR(feedback.lines[0][1].x, 110, 1e-3);
        EXPECT_NEAR(feedback.lines[0][1].y, 220, 1e-3);
        EXPECT_EQ(feedback.lines[0][0].color, (std::array<float, 4>{1, 0, 0, 1}));
        EXPECT_FLOAT_EQ(line_width_now(), 4);
    });
    EXPECT_CHILD_PASSED(result);
}

TEST(DrawGl, CircleIsA64SidedOutlineDrawnOneFifthWiderThanLines) {
    const ChildResult result = run_gl_check([](GlWindow& gl) {
        DrawState& state = pen(gl, WHITE, 10);

        Feedback feedback = capture_feedback([&] { draw_circle(state, 480, 270, 100); });
        EXPECT_TRUE(feedback.polygons.empty());  // fill alpha 0: no disc
        ASSERT_EQ(feedback.lines.size(), 64u);
        for (const auto& line : feedback.lines) {
            EXPECT_NEAR(distance(line[0], 480, 270), 100, 1e-3);
            EXPECT_NEAR(distance(line[1], 480, 270), 100, 1e-3);
        }
        EXPECT_FLOAT_EQ(line_width_now(), 12);

        state.set_fill_color({0, 0, 1, 1});
        feedback = capture_feedback([&] { draw_circle(state, 480, 270, 100); });
        EXPECT_EQ(feedback.lines.size(), 64u);
        ASSERT_FALSE(feedback.polygons.empty());
        double area = 0;  // of the filled disc, by the shoelace formula
        for (const auto& polygon : feedback.polygons) {
            EXPECT_EQ(polygon[0].color, (std::array<float, 4>{0, 0, 1, 1}));
            for (size_t i = 0; i < polygon.size(); ++i) {
                const FeedbackVertex& a = polygon[i];
                const FeedbackVertex& b = polygon[(i + 1) % polygon.size()];
                area += 0.5 * (a.x * b.y - b.x * a.y);
            }
        }
        EXPECT_NEAR(std::fabs(area), 64 * 0.5 * 100 * 100 * std::sin(2 * M_PI / 64), 1.0);

        // In pixels: the outline's band is wider than a line of the same width.
        state.set_fill_color({0, 0, 0, 0});
        clear_to_black();
        draw_circle(state, 480, 270, 100);
        const int circle_band = lit_run_along_column(480, 330, 420);
        clear_to_black();
        draw_line(state, 400, 370, 560, 370);
        const int line_band = lit_run_along_column(480, 330, 420);
        EXPECT_NEAR(circle_band, 12, 1);
        EXPECT_NEAR(line_band, 10, 1);
        EXPECT_GT(circle_band, line_band);
    });
    EXPECT_CHILD_PASSED(result);
}

TEST(DrawGl, StrokeTextCoversItsWidthWhichGrowsLinearlyWithSize) {
    const ChildResult result = run_gl_check([](GlWindow& gl) {
        DrawState& state = *gl.application->draw_state;
        EXPECT_EQ(stroke_text_width(state, "", 1.0), 0.0);
        const double width_1 = stroke_text_width(state, "knob", 1.0);
        EXPECT_GT(width_1, 0.0);
        EXPECT_DOUBLE_EQ(stroke_text_width(state, "knob", 2.0), 2 * width_1);
        EXPECT_DOUBLE_EQ(stroke_text_width(state, "knob", 3.5), 3.5 * width_1);
        // The mono-spaced font: every character takes the same room.
        EXPECT_DOUBLE_EQ(stroke_text_width(state, "iiii", 1.0), width_1);

        for (double size : {1.0, 2.0, 4.0}) {
            const Feedback feedback =
                capture_feedback([&] { draw_stroke_text(state, "knob", 100, 200, size); });
            ASSERT_FALSE(feedback.lines.empty());
            const Extent extent = extent_of(feedback.lines);
            EXPECT_GE(extent.min_x, 100);
            EXPECT_LE(extent.max_x, 100 + stroke_text_width(state, "knob", size));
            EXPECT_GT(extent.max_x - 100, 0.8 * stroke_text_width(state, "knob", size));
            EXPECT_NEAR(extent.min_y, 200, 0.01);  // "knob" rests on the baseline
        }
        EXPECT_TRUE(capture_feedback([&] { draw_stroke_text(state, "", 0, 0, 1); }).lines.empty());
    });
    EXPECT_CHILD_PASSED(result);
}
