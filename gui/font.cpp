#include "gui/font.h"

#include <GL/gl.h>

#include <cmath>
#include <cstdio>

#include "gui/font_file.h"

namespace {
bool pixel_height_fits(double height) { return height > 0.0 && height <= FONT_PIXEL_HEIGHT_LIMIT; }

// Writes the line for a failed load; 0 for the caller to return.
int32_t report_failure(const char* path, FontFileStatus status, const FontCheck& check = {}) {
    switch (status) {
        case FontFileStatus::unopenable:
            std::fprintf(stderr, "error loading font: %s\n", path);
            break;
        case FontFileStatus::read_failed:
            std::fprintf(stderr, "error loading font: %s: cannot be read\n", path);
            break;
        case FontFileStatus::too_large:
            std::fprintf(stderr, "error loading font: %s: larger than %lld bytes\n", path,
                         static_cast<long long>(FONT_FILE_LIMIT_BYTES));
            break;
        case FontFileStatus::not_a_font:
            std::fprintf(stderr, "error loading font: %s: not a TrueType font\n", path);
            break;
        case FontFileStatus::damaged:
            std::fprintf(stderr, "error loading font: %s: damaged or truncated font file: %s: %s\n", path,
                         (check.table == "directory" ? "table directory" : check.table + " table").c_str(),
                         check.reason.c_str());
            break;
        case FontFileStatus::ok:
            break;
    }
    return 0;
}

void upload_atlas(Font& font, int32_t smooth) {
    if (font.texture != 0) glDeleteTextures(1, &font.texture);
    glGenTextures(1, &font.texture);
    glBindTexture(GL_TEXTURE_2D, font.texture);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_ALPHA, font.atlas_side, font.atlas_side, 0, GL_ALPHA, GL_UNSIGNED_BYTE,
                 font.atlas.data());
    if (smooth != 0) {
        // Magnification keeps OpenGL's default, which is linear too.
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    } else {
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    }
}
}  // namespace

Font* Font::create(double pixel_height) {
    auto* font = new Font{};
    font->pixel_height = pixel_height;
    font->baked_height = pixel_height;
    font->atlas.assign(static_cast<size_t>(FONT_ATLAS_SIZE) * FONT_ATLAS_SIZE, 0);
    return font;
}

void Font::destroy(Font* font) {
    if (font == nullptr) return;
    if (font->texture != 0) glDeleteTextures(1, &font->texture);
    delete font;
}

int32_t Font::load(const char* path, int32_t smooth) {
    if (path == nullptr) path = "";
    std::vector<uint8_t> data;
    const FontFileStatus status = read_font_file(path, &data);
    if (status != FontFileStatus::ok) return report_failure(path, status);
    const FontCheck check = check_font_data(data);
    if (check.status != FontFileStatus::ok) return report_failure(path, check.status, check);
    // Text of no height draws nothing, and taller text than any picture
    // needs is a mistake that would only cost time.
    if (!pixel_height_fits(pixel_height)) {
        std::fprintf(stderr, "error loading font: %s: pixel height %g outside 0 to %d\n", path,
                     pixel_height, FONT_PIXEL_HEIGHT_LIMIT);
        return 0;
    }

    GLint side_limit = max_texture_side;
    if (side_limit <= 0) glGetIntegerv(GL_MAX_TEXTURE_SIZE, &side_limit);
    file_data = std::move(data);
    // A fresh atlas, so that a smaller one does not keep a larger one's memory.
    std::vector<uint8_t> baked;
    const FontAtlasBake bake =
        bake_font_atlas(file_data, check.font_offset, pixel_height, side_limit, &baked, glyphs.data());
    atlas = std::move(baked);
    atlas_side = bake.side;
    baked_height = bake.baked_height;
    // The glyphs after the first that did not fit stay empty and draw nothing.
    if (bake.placed < FONT_CHAR_COUNT)
        std::fprintf(stderr, "font %s: only %d of %d glyphs fit the atlas at %g pixels\n", path, bake.placed,
                     FONT_CHAR_COUNT, baked_height);
    upload_atlas(*this, smooth);
    return 1;
}

void Font::draw_text(const char* text, double x, double y) const {
    if (texture == 0 || text == nullptr) return;
    float pen_x = static_cast<float>(x);
    float pen_y = static_cast<float>(y);
    // Blending is switched on and set for the glyphs only; whatever is
    // drawn next finds it as it was.
    glPushAttrib(GL_COLOR_BUFFER_BIT);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, texture);
    glBegin(GL_QUADS);
    for (const char* c = text; *c != '\0'; ++c) {
        const auto code = static_cast<signed char>(*c);
        // Control characters, and every byte from 128 up (negative here).
        if (code < FONT_FIRST_CHAR) continue;
        const stbtt_aligned_quad q = glyph_quad(code, &pen_x, &pen_y);
        glTexCoord2f(q.s0, q.t0);
        glVertex2f(q.x0, q.y0);
        glTexCoord2f(q.s1, q.t0);
        glVertex2f(q.x1, q.y0);
        glTexCoord2f(q.s1, q.t1);
        glVertex2f(q.x1, q.y1);
        glTexCoord2f(q.s0, q.t1);
        glVertex2f(q.x0, q.y1);
    }
    glEnd();
    glPopAttrib();
    glDisable(GL_TEXTURE_2D);
}

stbtt_aligned_quad Font::glyph_quad(int32_t code, float* pen_x, float* pen_y) const {
    // stbtt_GetBakedQuad's placement under OpenGL's fill rule (the corner
    // rounded to a pixel centre), scaled from the baked height to the drawn
    // one; at the baked height the two agree to the bit.
    const auto scale = static_cast<float>(pixel_height / baked_height);
    const float texel = 1.0f / static_cast<float>(atlas_side);
    const stbtt_bakedchar& g = glyphs[static_cast<size_t>(code - FONT_FIRST_CHAR)];
    stbtt_aligned_quad q{};
    q.x0 = std::floor(*pen_x + g.xoff * scale + 0.5f);
    q.y0 = std::floor(*pen_y + g.yoff * scale + 0.5f);
    q.x1 = q.x0 + static_cast<float>(g.x1 - g.x0) * scale;
    q.y1 = q.y0 + static_cast<float>(g.y1 - g.y0) * scale;
    q.s0 = g.x0 * texel;
    q.t0 = g.y0 * texel;
    q.s1 = g.x1 * texel;
    q.t1 = g.y1 * texel;
    *pen_x += g.xadvance * scale;
    return q;
}

void draw_text_in_window_pixels(const Font& font, const char* text, int32_t width, int32_t height,
                                double x_fraction, double y_fraction, float red, float green,
                                float blue) {
    // An area without pixels has no projection to draw in.
    if (width <= 0 || height <= 0) return;
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(0.0, width, height, 0.0, -10.0, 10.0);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glDisable(GL_DEPTH_TEST);
    glColor3f(red, green, blue);
    font.draw_text(text, width * x_fraction, height * y_fraction);
    glEnable(GL_DEPTH_TEST);
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
}
