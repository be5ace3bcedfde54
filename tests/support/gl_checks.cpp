#include "tests/support/gl_checks.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

std::array<int, 4> pixel_at(int x, int y) {
    std::array<unsigned char, 4> rgba{};
    glFinish();
    glReadBuffer(GL_BACK);
    glReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    return {rgba[0], rgba[1], rgba[2], rgba[3]};
}

std::array<float, 16> gl_matrix(unsigned int which) {
    std::array<float, 16> m{};
    glGetFloatv(which, m.data());
    return m;
}

std::array<float, 16> ortho_matrix(float w, float h) {
    return {2.0f / w, 0, 0, 0, 0, 2.0f / h, 0, 0, 0, 0, -0.1f, 0, -1, -1, 0, 1};
}

std::array<int, 4> gl_viewport() {
    std::array<GLint, 4> values{};
    glGetIntegerv(GL_VIEWPORT, values.data());
    return {values[0], values[1], values[2], values[3]};
}

void expect_fixed_gl_state() {
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_TRUE(glIsEnabled(GL_BLEND));
    EXPECT_TRUE(glIsEnabled(GL_POINT_SMOOTH));
    EXPECT_TRUE(glIsEnabled(GL_LINE_SMOOTH));
    EXPECT_TRUE(glIsEnabled(GL_POLYGON_SMOOTH));
    GLint value = 0;
    glGetIntegerv(GL_DEPTH_FUNC, &value);
    EXPECT_EQ(value, GL_LEQUAL);
    glGetIntegerv(GL_BLEND_SRC, &value);
    EXPECT_EQ(value, GL_SRC_ALPHA);
    glGetIntegerv(GL_BLEND_DST, &value);
    EXPECT_EQ(value, GL_ONE_MINUS_SRC_ALPHA);
    glGetIntegerv(GL_FRONT_FACE, &value);
    EXPECT_EQ(value, GL_CCW);
    GLint modes[2] = {};
    glGetIntegerv(GL_POLYGON_MODE, modes);
    EXPECT_EQ(modes[0], GL_FILL);
    EXPECT_EQ(modes[1], GL_FILL);
    for (GLenum hint : {GL_POINT_SMOOTH_HINT, GL_LINE_SMOOTH_HINT, GL_POLYGON_SMOOTH_HINT,
                        GL_PERSPECTIVE_CORRECTION_HINT}) {
        glGetIntegerv(hint, &value);
        EXPECT_EQ(value, GL_NICEST) << "hint 0x" << std::hex << hint;
    }
    GLint depth_bits = 0, double_buffered = 0;
    glGetIntegerv(GL_DEPTH_BITS, &depth_bits);
    glGetIntegerv(GL_DOUBLEBUFFER, &double_buffered);
    EXPECT_GT(depth_bits, 0);
    EXPECT_TRUE(double_buffered);
}
