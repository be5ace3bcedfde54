#include "tests/support/gl_capture.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <algorithm>

#include "app/frame.h"
#include "app/style.h"
#include "app/window.h"
#include "tests/support/glut_test.h"

namespace {
constexpr size_t FEEDBACK_FLOATS = 1 << 20;
constexpr size_t VERTEX_FLOATS = 11;  // GL_3D_COLOR_TEXTURE in RGBA mode

FeedbackVertex vertex_at(const std::vector<GLfloat>& buffer, size_t& at) {
    FeedbackVertex v;
    v.x = buffer[at];
    v.y = buffer[at + 1];
    v.z = buffer[at + 2];
    for (size_t i = 0; i < 4; ++i) v.color[i] = buffer[at + 3 + i];
    for (size_t i = 0; i < 4; ++i) v.tex[i] = buffer[at + 7 + i];
    at += VERTEX_FLOATS;
    return v;
}
}  // namespace

Feedback capture_feedback(const std::function<void()>& draw) {
    std::vector<GLfloat> buffer(FEEDBACK_FLOATS);
    glFeedbackBuffer(static_cast<GLsizei>(buffer.size()), GL_3D_COLOR_TEXTURE, buffer.data());
    glRenderMode(GL_FEEDBACK);
    draw();
    const GLint used = glRenderMode(GL_RENDER);
    EXPECT_GE(used, 0) << "feedback buffer overflowed";
    Feedback feedback;
    size_t at = 0;
    while (at < static_cast<size_t>(used > 0 ? used : 0)) {
        const auto token = static_cast<GLint>(buffer[at++]);
        switch (token) {
            case GL_LINE_TOKEN:
            case GL_LINE_RESET_TOKEN: {
                const FeedbackVertex a = vertex_at(buffer, at);
                feedback.lines.push_back({a, vertex_at(buffer, at)});
                break;
            }
            case GL_POLYGON_TOKEN: {
                const auto count = static_cast<size_t>(buffer[at++]);
                std::vector<FeedbackVertex> polygon;
                for (size_t i = 0; i < count; ++i) polygon.push_back(vertex_at(buffer, at));
                feedback.polygons.push_back(polygon);
                break;
            }
            case GL_POINT_TOKEN:
            case GL_BITMAP_TOKEN:
            case GL_DRAW_PIXEL_TOKEN:
            case GL_COPY_PIXEL_TOKEN:
                vertex_at(buffer, at);
                ++feedback.points;
                break;
            case GL_PASS_THROUGH_TOKEN:
                ++at;
                break;
            default:
                ADD_FAILURE() << "unknown feedback token " << token;
                return feedback;
        }
    }
    return feedback;
}

void Extent::add(const FeedbackVertex& v) {
    min_x = std::min(min_x, v.x);
    max_x = std::max(max_x, v.x);
    min_y = std::min(min_y, v.y);
    max_y = std::max(max_y, v.y);
}

Extent extent_of(const std::vector<std::array<FeedbackVertex, 2>>& lines) {
    Extent extent;
    for (const auto& line : lines)
        for (const FeedbackVertex& v : line) extent.add(v);
    return extent;
}

Extent extent_of(const std::vector<std::vector<FeedbackVertex>>& polygons) {
    Extent extent;
    for (const auto& polygon : polygons)
        for (const FeedbackVertex& v : polygon) extent.add(v);
    return extent;
}

void expect_outline_only(const Feedback& feedback, float left, float bottom, float right, float top) {
    EXPECT_TRUE(feedback.polygons.empty());
    ASSERT_EQ(feedback.lines.size(), 4u);
    EXPECT_NEAR(feedback.lines[0][0].x, left, 1e-3);
    EXPECT_NEAR(feedback.lines[0][0].y, bottom, 1e-3);
    EXPECT_NEAR(feedback.lines[3][1].x, left, 1e-3);  // closed back to the start
    EXPECT_NEAR(feedback.lines[3][1].y, bottom, 1e-3);
    const Extent extent = extent_of(feedback.lines);
    EXPECT_NEAR(extent.min_x, left, 1e-3);
    EXPECT_NEAR(extent.max_x, right, 1e-3);
    EXPECT_NEAR(extent.min_y, bottom, 1e-3);
    EXPECT_NEAR(extent.max_y, top, 1e-3);
}

ChildResult run_gl_check(const std::function<void(GlWindow&)>& check) {
    const std::function<void(GlutChild&)> scenario = [&](GlutChild& child) {
        child.window->set_style(create_default_style());
        child.when_viewable().wait_passes(2).then("check", [&] {
            GlWindow gl{child.application, child.window};
            const WindowGeometry& geometry = *child.window->geometry;
            EXPECT_EQ(geometry.pixel_width(), 960);
            EXPECT_EQ(geometry.pixel_height(), 540);
            set_pixel_projection(geometry, geometry.pixel_width(), geometry.pixel_height());
            check(gl);
            EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
            return true;
        });
    };
    return run_on_test_screen(ScreenUse::OWN_WINDOWS, scenario);
}
