// Textures against real OpenGL: mipmapped uploads, the side limit, drawing
// and deleting.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "gui/texture.h"
#include "tests/support/gl_capture.h"
#include "tests/support/sound_files.h"

namespace {
// An RGBA image, red but for its last `green_columns` columns, which are green.
std::vector<uint8_t> red_with_green_right_edge(int width, int height, int green_columns) {
    std::vector<uint8_t> pixels(static_cast<size_t>(width) * height * 4);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            uint8_t* p = &pixels[(static_cast<size_t>(y) * width + x) * 4];
            const bool green = x >= width - green_columns;
            p[0] = green ? 0 : 255;
            p[1] = green ? 255 : 0;
            p[2] = 0;
            p[3] = 255;
        }
    return pixels;
}

GLint level_parameter(GLint level, GLenum which) {
    GLint value = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, level, which, &value);
    return value;
}
}  // namespace

TEST(TextureGl, OversizedImageIsResizedWholeAndMipmapped) {
    const ChildResult result = run_gl_check([](GlWindow&) {
        // 904 columns past the 4096 limit are green: a crop would lose them.
        const std::vector<uint8_t> pixels = red_with_green_right_edge(5000, 3000, 904);
        const int32_t name = create_texture(pixels.data(), 5000, 3000);
        ASSERT_GT(name, 0);
        EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
        glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(name));
        GLint filter = 0;
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &filter);
        EXPECT_EQ(filter, GL_LINEAR_MIPMAP_NEAREST);
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &filter);
        EXPECT_EQ(filter, GL_LINEAR);
        // The mipmap builder scales the 4096 x 3000 image to powers of two.
        EXPECT_EQ(level_parameter(0, GL_TEXTURE_WIDTH), 4096);
        EXPECT_EQ(level_parameter(0, GL_TEXTURE_HEIGHT), 2048);
        EXPECT_EQ(level_parameter(1, GL_TEXTURE_WIDTH), 2048);
        EXPECT_EQ(level_parameter(12, GL_TEXTURE_WIDTH), 1);

        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        draw_texture(name, 0, 0, 960, 540);
        EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
        // 904 / 5000 of 960 pixels is 173: the right edge keeps its share.
        const std::array<int, 4> left = pixel_at(100, 270);
        const std::array<int, 4> right = pixel_at(900, 270);
        EXPECT_GE(left[0], 250);
        EXPECT_LE(left[1], 5);
        EXPECT_LE(right[0], 5);
        EXPECT_GE(right[1], 250);
        EXPECT_GE(pixel_at(960 - 165, 270)[1], 250);
        EXPECT_GE(pixel_at(960 - 181, 270)[0], 250);

        delete_texture(name);
        EXPECT_FALSE(glIsTexture(static_cast<GLuint>(name)));
        delete_texture(-1);  // nothing happens
    });
    EXPECT_CHILD_PASSED(result);
}

TEST(TextureGl, DrawnTextureCoversItsRectangleOnly) {
    const ChildResult result = run_gl_check([](GlWindow&) {
        const std::vector<uint8_t> pixels = red_with_green_right_edge(64, 64, 32);
        const int32_t name = create_texture(pixels.data(), 64, 64);
        ASSERT_GT(name, 0);
        glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(name));
        EXPECT_EQ(level_parameter(0, GL_TEXTURE_WIDTH), 64);
        const Feedback feedback = capture_feedback([&] { draw_texture(name, 100, 50, 200, 80); });
        ASSERT_FALSE(feedback.polygons.empty());
        for (const auto& polygon : feedback.polygons)
            for (const FeedbackVertex& v : polygon) {
                EXPECT_NEAR(v.tex[0], (v.x - 100) / 200, 1e-4);
                EXPECT_NEAR(v.tex[1], (v.y - 50) / 80, 1e-4);
                EXPECT_EQ(v.color, (std::array<float, 4>{1, 1, 1, 1}));
            }
        glClearColor(0, 0, 1, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        draw_texture(name, 100, 50, 200, 80);
        EXPECT_GE(pixel_at(120, 90)[0], 250);
        EXPECT_GE(pixel_at(280, 90)[1], 250);
        EXPECT_GE(pixel_at(99, 90)[2], 250);   // outside: still the clear colour
        EXPECT_GE(pixel_at(200, 131)[2], 250);
        delete_texture(name);
    });
    EXPECT_CHILD_PASSED(result);
}

TEST(TextureGl, NoImageGivesNoTextureAndOneLine) {
    const ChildResult result = run_gl_check([](GlWindow&) {
        const std::vector<uint8_t> pixels(16, 255);
        EXPECT_EQ(create_texture(nullptr, 2, 2), 0);
        EXPECT_EQ(create_texture(pixels.data(), 0, 2), 0);
        EXPECT_EQ(create_texture(pixels.data(), 2, -1), 0);
        GLuint next = 0;
        glGenTextures(1, &next);
        EXPECT_EQ(next, 1u);  // no name was taken by the failures
    });
    EXPECT_CHILD_PASSED(result);
    EXPECT_EQ(lines_of(result.err).size(), 3u) << result.err;
}
