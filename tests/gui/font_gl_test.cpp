// Baking fonts into a texture atlas and drawing text with real OpenGL, and
// the ways a font can fail to load.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "gui/font.h"
#include "tests/support/gl_capture.h"
#include "tests/gui/test_fonts.h"
#include "tests/support/sound_files.h"

namespace {
GLint texture_parameter(GLenum which) {
    GLint value = 0;
    glGetTexParameteriv(GL_TEXTURE_2D, which, &value);
    return value;
}

// The next texture name OpenGL would hand out: 1 while none was ever taken.
GLuint next_texture_name() {
    GLuint name = 0;
    glGenTextures(1, &name);
    glDeleteTextures(1, &name);
    return name;
}

// One drawn glyph: the bounding box of its quad (which feedback may report
// as two triangles) in window coordinates, and its texture box.
struct GlyphQuad {
    Extent box;
    float min_s = 1e9f, max_s = -1e9f, min_t = 1e9f, max_t = -1e9f;
    std::array<float, 4> color{};
};

std::vector<GlyphQuad> glyph_quads(const Feedback& feedback) {
    std::vector<GlyphQuad> quads;
    for (size_t i = 0; i < feedback.polygons.size(); ++i) {
        const auto& polygon = feedback.polygons[i];
        // A quad split in two arrives as two triangles sharing its first corner.
        const bool first_half = polygon.size() == 3;
        GlyphQuad quad;
        std::vector<FeedbackVertex> corners = polygon;
        if (first_half && i + 1 < feedback.polygons.size()) {
            corners.insert(corners.end(), feedback.polygons[i + 1].begin(), feedback.polygons[i + 1].end());
            ++i;
        }
        for (const FeedbackVertex& v : corners) {
            quad.box.add(v);
            quad.min_s = std::min(quad.min_s, v.tex[0]);
            quad.max_s = std::max(quad.max_s, v.tex[0]);
            quad.min_t = std::min(quad.min_t, v.tex[1]);
            quad.max_t = std::max(quad.max_t, v.tex[1]);
            quad.color = v.color;
        }
        quads.push_back(quad);
    }
    return quads;
}

// Text drawn in the pixels of the 960 x 540 window with its baseline at
// (x, y) from the top-left, as the window-pixel procedure does.
Feedback text_feedback(const Font& font, const char* text, double x, double y) {
    return capture_feedback(
        [&] { draw_text_in_window_pixels(font, text, 960, 540, x / 960, y / 540, 1, 1, 1); });
}

const stbtt_bakedchar& glyph(const Font& font, char c) {
    return font.glyphs[static_cast<size_t>(c - FONT_FIRST_CHAR)];
}
}  // namespace

TEST(FontGl, BakesTheSmallFontIntoASmoothAlphaAtlas) {
    const ChildResult result = run_gl_check([](GlWindow&) {
        Font* font = Font::create(108.0);
        ASSERT_EQ(font->load(SMALL_FONT, 1), 1);
        ASSERT_NE(font->texture, 0u);
        EXPECT_EQ(font->pixel_height, 108.0);
        glBindTexture(GL_TEXTURE_2D, font->texture);
        GLint value = 0;
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &value);
        EXPECT_EQ(value, 1024);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &value);
        EXPECT_EQ(value, 1024);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_INTERNAL_FORMAT, &value);
        EXPECT_EQ(value, GL_ALPHA);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 1, GL_TEXTURE_WIDTH, &value);
        EXPECT_EQ(value, 0);  // no mipmaps
        EXPECT_EQ(texture_parameter(GL_TEXTURE_MIN_FILTER), GL_LINEAR);
        EXPECT_EQ(texture_parameter(GL_TEXTURE_MAG_FILTER), GL_LINEAR);
        // The atlas went up as baked: 'M' covers some of its pixels fully.
        std::vector<uint8_t> uploaded(1024 * 1024);
        glGetTexImage(GL_TEXTURE_2D, 0, GL_ALPHA, GL_UNSIGNED_BYTE, uploaded.data());
        EXPECT_EQ(uploaded, font->atlas);
        const stbtt_bakedchar& m = glyph(*font, 'M');
        EXPECT_GT(m.x1 - m.x0, 50);
        EXPECT_EQ(font->atlas[static_cast<size_t>(m.y0 + m.y1) / 2 * 1024 + m.x0 + 2], 255);
        const GLuint name = font->texture;
        Font::destroy(font);
        EXPECT_FALSE(glIsTexture(name));
    });
    EXPECT_CHILD_PASSED(result);
    EXPECT_EQ(result.err, "");
}

TEST(FontGl, WithoutSmoothingTheAtlasIsSampledNearestBothWays) {
    const ChildResult result = run_gl_check([](GlWindow&) {
        Font* font = Font::create(40.0);
        ASSERT_EQ(font->load(SMALL_FONT, 0), 1);
        glBindTexture(GL_TEXTURE_2D, font->texture);
        EXPECT_EQ(texture_parameter(GL_TEXTURE_MIN_FILTER), GL_NEAREST);
        EXPECT_EQ(texture_parameter(GL_TEXTURE_MAG_FILTER), GL_NEAREST);
        Font::destroy(font);
    });
    EXPECT_CHILD_PASSED(result);
}

TEST(FontGl, FivePrintableCharactersDrawFiveQuadsAdvancedGlyphByGlyph) {
    const ChildResult result = run_gl_check([](GlWindow&) {
        Font* font = Font::create(54.0);
        ASSERT_EQ(font->load(SMALL_FONT, 1), 1);
        const std::string text = "Hello";
        const std::vector<GlyphQuad> quads = glyph_quads(text_feedback(*font, text.c_str(), 96, 270));
        ASSERT_EQ(quads.size(), 5u);
        float pen = 96;
        for (size_t i = 0; i < text.size(); ++i) {
            const stbtt_bakedchar& g = glyph(*font, text[i]);
            EXPECT_NEAR(quads[i].box.min_x, std::floor(pen + g.xoff + 0.5f), 1e-3) << text[i];
            EXPECT_NEAR(quads[i].box.max_x - quads[i].box.min_x, g.x1 - g.x0, 1e-3) << text[i];
            // The baker lays glyphs out downwards from the baseline; the
            // window counts upwards from the bottom.
            EXPECT_NEAR(quads[i].box.max_y, 540 - std::floor(270 + g.yoff + 0.5f), 1e-3) << text[i];
            EXPECT_NEAR(quads[i].min_s, g.x0 / 1024.0f, 1e-6);
            EXPECT_NEAR(quads[i].max_t, g.y1 / 1024.0f, 1e-6);
            EXPECT_EQ(quads[i].color, (std::array<float, 4>{1, 1, 1, 1}));
            pen += g.xadvance;
        }
        // "l" then "o": glyphs without descenders end on the baseline.
        EXPECT_NEAR(quads[4].box.min_y, 540 - 270, 2.0);
        Font::destroy(font);
    });
    EXPECT_CHILD_PASSED(result);
}

TEST(FontGl, ControlCharactersAndHighBytesAreSkippedWithoutMovingThePen) {
    const ChildResult result = run_gl_check([](GlWindow&) {
        Font* font = Font::create(54.0);
        ASSERT_EQ(font->load(SMALL_FONT, 1), 1);
        const std::vector<GlyphQuad> plain = glyph_quads(text_feedback(*font, "ABC", 96, 270));
        const std::vector<GlyphQuad> noisy =
            glyph_quads(text_feedback(*font, "\tA\nB\x80\xff\x1b" "C\r", 96, 270));
        ASSERT_EQ(plain.size(), 3u);
        ASSERT_EQ(noisy.size(), 3u);
        for (size_t i = 0; i < 3; ++i) {
            EXPECT_EQ(noisy[i].box.min_x, plain[i].box.min_x);
            EXPECT_EQ(noisy[i].box.min_y, plain[i].box.min_y);
        }
        EXPECT_EQ(glyph_quads(text_feedback(*font, "\x01\x7f\x80", 96, 270)).size(), 1u);
        Font::destroy(font);
    });
    EXPECT_CHILD_PASSED(result);
}

TEST(FontGl, Character127IsDrawnFromTheLastBakedGlyph) {
    const ChildResult result = run_gl_check([](GlWindow&) {
        Font* font = Font::create(54.0);
        ASSERT_EQ(font->load(SMALL_FONT, 1), 1);
        const stbtt_bakedchar& last = font->glyphs[95];
        // The font has no glyph of its own for 127: the baker draws its
        // missing-glyph box, which has a size.
        ASSERT_GT(last.x1 - last.x0, 0);
        const std::vector<GlyphQuad> quads = glyph_quads(text_feedback(*font, "\x7f", 96, 270));
        ASSERT_EQ(quads.size(), 1u);
        EXPECT_NEAR(quads[0].min_s, last.x0 / 1024.0f, 1e-6);
        EXPECT_NEAR(quads[0].max_s, last.x1 / 1024.0f, 1e-6);
        EXPECT_NEAR(quads[0].min_t, last.y0 / 1024.0f, 1e-6);
        EXPECT_NEAR(quads[0].max_t, last.y1 / 1024.0f, 1e-6);
        Font::destroy(font);
    });
    EXPECT_CHILD_PASSED(result);
}

TEST(FontGl, WindowPixelTextRestoresTheMatricesAndDepthTestButLeavesProjectionCurrent) {
    const ChildResult result = run_gl_check([](GlWindow&) {
        Font* font = Font::create(54.0);
        ASSERT_EQ(font->load(SMALL_FONT, 1), 1);
        std::array<float, 16> projection{}, modelview{}, after{};
        glGetFloatv(GL_PROJECTION_MATRIX, projection.data());
        glGetFloatv(GL_MODELVIEW_MATRIX, modelview.data());
        // The text area is the 1920 x 1080 screen shown in the 960 x 540
        // window: the baseline at 90 % of its height lands at 10 % of the window.
        const Feedback feedback = capture_feedback(
            [&] { draw_text_in_window_pixels(*font, "mn", 1920, 1080, 0.25, 0.9, 1, 1, 0); });
        const std::vector<GlyphQuad> quads = glyph_quads(feedback);
        ASSERT_EQ(quads.size(), 2u);
        EXPECT_NEAR(quads[0].box.min_y, 54, 1.0);
        EXPECT_NEAR(quads[0].box.min_x, 240, 4.0);
        EXPECT_EQ(quads[0].color, (std::array<float, 4>{1, 1, 0, 1}));
        EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
        EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
        GLint mode = 0;
        glGetIntegerv(GL_MATRIX_MODE, &mode);
        EXPECT_EQ(mode, GL_PROJECTION);
        glGetFloatv(GL_PROJECTION_MATRIX, after.data());
        EXPECT_EQ(after, projection);
        glGetFloatv(GL_MODELVIEW_MATRIX, after.data());
        EXPECT_EQ(after, modelview);
        glMatrixMode(GL_MODELVIEW);
        EXPECT_TRUE(capture_feedback([&] {
                        draw_text_in_window_pixels(*font, "mn", 0, 1080, 0.25, 0.9, 1, 1, 0);
                    }).polygons.empty());
        glGetIntegerv(GL_MATRIX_MODE, &mode);
        EXPECT_EQ(mode, GL_MODELVIEW);

        // The glyphs blend over what is there, in the current colour.
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        draw_text_in_window_pixels(*font, "\x7f", 960, 540, 0.5, 0.5, 1, 1, 0);
        glMatrixMode(GL_MODELVIEW);
        const stbtt_bakedchar& box = font->glyphs[95];
        const int left = static_cast<int>(std::floor(480 + box.xoff + 0.5f));
        const int top = 540 - static_cast<int>(std::floor(270 + box.yoff + 0.5f));
        EXPECT_EQ(pixel_at(left + 1, top - (box.y1 - box.y0) / 2), (std::array<int, 4>{255, 255, 0, 255}));
        EXPECT_EQ(pixel_at(left - 3, top - (box.y1 - box.y0) / 2), (std::array<int, 4>{0, 0, 0, 255}));
        Font::destroy(font);
    });
    EXPECT_CHILD_PASSED(result);
}

TEST(FontGl, FontLargerThanAMebibyteIsReadWholeAndBaked) {
    const ChildResult result = run_gl_check([](GlWindow&) {
        Font* font = Font::create(108.0);
        ASSERT_EQ(font->load(LARGE_FONT, 1), 1);
        EXPECT_GT(font->file_data.size(), 1u << 20);
        for (char c : std::string("AZaz09~"))
            EXPECT_GT(glyph(*font, c).xadvance, 0.0f) << c;
        EXPECT_EQ(glyph_quads(text_feedback(*font, "Hello", 96, 270)).size(), 5u);
        Font::destroy(font);
    });
    EXPECT_CHILD_PASSED(result);
    EXPECT_EQ(result.err, "");
}

TEST(FontGl, MissingFileGivesExactlyTheErrorLineAndNoTexture) {
    const ChildResult result = run_gl_check([](GlWindow&) {
        Font* font = Font::create(108.0);
        EXPECT_EQ(font->load("/nonexistent/font.ttf", 1), 0);
        EXPECT_EQ(font->texture, 0u);
        EXPECT_EQ(next_texture_name(), 1u);
        EXPECT_TRUE(text_feedback(*font, "Hello", 96, 270).polygons.empty());
        Font::destroy(font);
    });
    EXPECT_CHILD_PASSED(result);
    EXPECT_EQ(result.err, "error loading font: /nonexistent/font.ttf\n");
}

TEST(FontGl, FilesThatAreNotWholeFontsAreRefusedWithOneLineEach) {
    TempDir dir;
    const std::string text = dir.file("notes.ttf");
    write_text(text, "not a font, just some words\n");
    std::ifstream in(SMALL_FONT, std::ios::binary);
    std::vector<char> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    const std::string truncated = dir.file("half.ttf");
    std::ofstream(truncated, std::ios::binary).write(bytes.data(), 200000);
    // The glyph count in maxp (at 4 in the table) claims more glyphs than
    // loca has offsets for.
    const std::string miscounted = dir.file("miscounted.ttf");
    for (size_t record = 12; record < 12 + 16 * 32; record += 16) {
        if (std::string(bytes.data() + record, 4) != "maxp") continue;
        const size_t maxp = (uint8_t(bytes[record + 8]) << 24) | (uint8_t(bytes[record + 9]) << 16) |
                            (uint8_t(bytes[record + 10]) << 8) | uint8_t(bytes[record + 11]);
        bytes[maxp + 4] = bytes[maxp + 5] = char(0xFF);
    }
    std::ofstream(miscounted, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    const ChildResult result = run_gl_check([&](GlWindow&) {
        Font* font = Font::create(108.0);
        EXPECT_EQ(font->load(text.c_str(), 1), 0);
        EXPECT_EQ(font->load(truncated.c_str(), 1), 0);
        EXPECT_EQ(font->load(miscounted.c_str(), 1), 0);
        EXPECT_EQ(font->load(dir.path().c_str(), 1), 0);
        EXPECT_EQ(font->texture, 0u);
        EXPECT_EQ(next_texture_name(), 1u);
        Font::destroy(font);
    });
    EXPECT_CHILD_PASSED(result);
    EXPECT_EQ(result.err, "error loading font: " + text + ": not a TrueType font\n" +
                              "error loading font: " + truncated +
                              ": damaged or truncated font file: table directory: a table lies past the end of the file\n" +
                              "error loading font: " + miscounted +
                              ": damaged or truncated font file: loca table: shorter than the 65535 glyphs maxp counts\n" +
                              "error loading font: " + dir.path() + ": cannot be read\n");
}

TEST(FontGl, AFailedReloadKeepsTheFontThatWasLoaded) {
    const ChildResult result = run_gl_check([](GlWindow&) {
        Font* font = Font::create(54.0);
        ASSERT_EQ(font->load(SMALL_FONT, 1), 1);
        const GLuint texture = font->texture;
        const std::vector<uint8_t> atlas = font->atlas;
        EXPECT_EQ(font->load("/nonexistent/font.ttf", 1), 0);
        EXPECT_EQ(font->texture, texture);
        EXPECT_EQ(font->atlas, atlas);
        EXPECT_EQ(glyph_quads(text_feedback(*font, "ok", 96, 270)).size(), 2u);
        // Loading again replaces the texture instead of leaking it.
        ASSERT_EQ(font->load(LARGE_FONT, 0), 1);
        EXPECT_FALSE(glIsTexture(texture) && texture != font->texture);
        Font::destroy(font);
    });
    EXPECT_CHILD_PASSED(result);
}

TEST(FontGl, PixelHeightsOfNoTextOrAbsurdTextAreRefused) {
    const ChildResult result = run_gl_check([](GlWindow&) {
        for (double height : {0.0, -10.0, 8193.0, std::nan("")}) {
            Font* font = Font::create(height);
            EXPECT_EQ(font->load(SMALL_FONT, 1), 0) << height;
            EXPECT_EQ(font->texture, 0u);
            Font::destroy(font);
        }
    });
    EXPECT_CHILD_PASSED(result);
    const std::vector<std::string> lines = lines_of(result.err);
    ASSERT_EQ(lines.size(), 4u) << result.err;
    EXPECT_EQ(lines[0], std::string("error loading font: ") + SMALL_FONT + ": pixel height 0 outside 0 to 8192");
}

namespace {
// The show's font at a tenth of the picture's height, under OpenGL's
// texture limit (0) or a lower one.
struct AtlasCase {
    double pixel_height;
    int32_t texture_limit, atlas_side;
    bool scaled;  // baked smaller than drawn
};
class FontAtlas : public testing::TestWithParam<AtlasCase> {};
}  // namespace

// Every glyph is baked with a box (but the space and 127, empty in this
// font); a line drawn scaled up covers what the full-size one does.
TEST_P(FontAtlas, HoldsEveryGlyphAtTheHeightAsked) {
    const AtlasCase row = GetParam();
    const ChildResult result = run_gl_check([&](GlWindow&) {
        Font* font = Font::create(row.pixel_height);
        font->max_texture_side = row.texture_limit;
        ASSERT_EQ(font->load(MONO_FONT, 1), 1);
        EXPECT_EQ(font->atlas_side, row.atlas_side);
        EXPECT_EQ(font->baked_height < row.pixel_height, row.scaled) << font->baked_height;
        GLint width = 0;
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
        EXPECT_EQ(width, row.atlas_side);
        EXPECT_EQ(std::count_if(font->glyphs.begin(), font->glyphs.end(),
                                [](const stbtt_bakedchar& g) { return g.x1 > g.x0 && g.y1 > g.y0; }),
                  FONT_CHAR_COUNT - 2);
        if (row.scaled && row.pixel_height < 540) {
            Font* full = Font::create(row.pixel_height);
            ASSERT_EQ(full->load(MONO_FONT, 1), 1);
            const Extent drawn = extent_of(text_feedback(*font, "Hi", 96, 450).polygons);
            const Extent expected = extent_of(text_feedback(*full, "Hi", 96, 450).polygons);
            // A pixel of rounding either way, and one baked pixel drawn larger.
            const double pixels = 1 + row.pixel_height / font->baked_height;
            EXPECT_NEAR(drawn.min_x, expected.min_x, pixels);
            EXPECT_NEAR(drawn.max_x, expected.max_x, pixels);
            EXPECT_NEAR(drawn.min_y, expected.min_y, pixels);
            EXPECT_NEAR(drawn.max_y, expected.max_y, pixels);
            Font::destroy(full);
        }
        Font::destroy(font);
    });
    EXPECT_CHILD_PASSED(result);
    EXPECT_EQ(result.err, "");
}

// 1080, 2160 and 3240 lines and the capture's largest 8192; the same 3240
// with OpenGL allowing 1024 pixels, and the tallest text allowed with 2048.
INSTANTIATE_TEST_SUITE_P(FontGl, FontAtlas,
                         testing::Values(AtlasCase{108, 0, 1024, false}, AtlasCase{216, 0, 2048, false},
                                         AtlasCase{324, 0, 2048, false}, AtlasCase{819.2, 0, 4096, false},
                                         AtlasCase{324, 1024, 1024, true}, AtlasCase{8192, 2048, 2048, true}),
                         [](const testing::TestParamInfo<AtlasCase>& info) {
                             return std::to_string(static_cast<int>(info.param.pixel_height)) + "_pixels_limit_" +
                                    std::to_string(info.param.texture_limit);
                         });

namespace {
// The blending a caller has in force when it draws text.
struct BlendState {
    bool enabled;
    GLint source;
    GLint destination;
};

BlendState current_blend() {
    BlendState state{glIsEnabled(GL_BLEND) == GL_TRUE, 0, 0};
    glGetIntegerv(GL_BLEND_SRC, &state.source);
    glGetIntegerv(GL_BLEND_DST, &state.destination);
    return state;
}

class TextLeavesBlending : public testing::TestWithParam<BlendState> {};
}  // namespace

TEST_P(TextLeavesBlending, AsItFoundIt) {
    const BlendState before = GetParam();
    const ChildResult result = run_gl_check([&](GlWindow&) {
        Font* font = Font::create(54.0);
        ASSERT_EQ(font->load(SMALL_FONT, 1), 1);
        if (before.enabled) glEnable(GL_BLEND);
        else glDisable(GL_BLEND);
        glBlendFunc(static_cast<GLenum>(before.source), static_cast<GLenum>(before.destination));
        draw_text_in_window_pixels(*font, "Blend", 960, 540, 0.1, 0.5, 1, 1, 1);
        const BlendState after = current_blend();
        EXPECT_EQ(after.enabled, before.enabled);
        EXPECT_EQ(after.source, before.source);
        EXPECT_EQ(after.destination, before.destination);
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
        Font::destroy(font);
    });
    EXPECT_CHILD_PASSED(result);
}

INSTANTIATE_TEST_SUITE_P(FontGl, TextLeavesBlending,
                         testing::Values(BlendState{false, GL_ONE, GL_ZERO},
                                         BlendState{true, GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA},
                                         BlendState{true, GL_SRC_ALPHA, GL_ONE},
                                         BlendState{false, GL_ONE, GL_ONE}));
