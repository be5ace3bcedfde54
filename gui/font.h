#pragma once

#include <stb/stb_truetype.h>

#include <array>
#include <cstdint>
#include <vector>

#include "gui/font_file.h"

// A TrueType font baked into a one-channel glyph atlas held in an OpenGL
// texture, drawing lines of text as alpha-blended textured quads. The
// fields are the plain reads.
struct Font {
    double pixel_height = 0.0;        // glyph height asked of the baker
    std::vector<uint8_t> file_data;   // the whole font file, once loaded
    std::vector<uint8_t> atlas;       // atlas_side x atlas_side alpha
    std::array<stbtt_bakedchar, FONT_CHAR_COUNT> glyphs{};  // characters 32 to 127
    uint32_t texture = 0;             // the uploaded atlas; 0 until loaded
    int32_t atlas_side = FONT_ATLAS_SIZE;  // pixels on a side of the atlas
    double baked_height = 0.0;        // the glyphs' height in the atlas; below
                                      // pixel_height when OpenGL cannot hold them
                                      // all at it, and the text is drawn scaled up
    int32_t max_texture_side = 0;     // the largest atlas side load may make; 0
                                      // asks OpenGL (GL_MAX_TEXTURE_SIZE)

    // Stores the height; nothing is read until load.
    static Font* create(double pixel_height);
    // Releases the texture (when loaded, with the context current) and the record.
    static void destroy(Font* font);

    // Reads the font file, bakes characters 32 to 127 into the atlas and
    // uploads it; smooth 1 filters linearly, 0 picks the nearest texel both
    // ways. Needs a current OpenGL context. A file that cannot be opened
    // writes "error loading font: <path>" on standard error; one that cannot
    // be read, is too large, is not a TrueType font or is damaged writes the
    // same with the reason after it (for a damaged one, the table at fault).
    // Each failure returns 0 and leaves the font as it was, as does a pixel
    // height outside 0 to FONT_PIXEL_HEIGHT_LIMIT. The atlas is sized to
    // hold every glyph (see bake_font_atlas), up to max_texture_side. Glyphs
    // that still do not all fit are reported on one line; the ones that fit
    // are kept and the load succeeds.
    int32_t load(const char* path, int32_t smooth);

    // The quad of one character from FONT_FIRST_CHAR up, at pixel_height
    // with the pen at (*pen_x, *pen_y) on the baseline, which it advances:
    // corners in pixels with y downwards, texture coordinates in the atlas.
    // Needs a loaded font.
    stbtt_aligned_quad glyph_quad(int32_t code, float* pen_x, float* pen_y) const;

    // One line of text with the pen starting at (x, y) on the baseline,
    // laid out with y growing downwards. Control characters and bytes from
    // 128 up are skipped without moving the pen. Draws in the current
    // colour, blending over what is there; blending is left switched and set
    // as it was found. Nothing before the font is loaded.
    void draw_text(const char* text, double x, double y) const;
};

// Draws a line of text over whatever is on screen, in pixels of a
// width x height area mapped onto the current viewport with y downwards:
// the pen at (width x x_fraction, height x y_fraction), depth testing off
// meanwhile. Both matrices are restored; the matrix mode is left at the
// projection matrix. An area without pixels draws nothing and changes nothing.
void draw_text_in_window_pixels(const Font& font, const char* text, int32_t width, int32_t height,
                                double x_fraction, double y_fraction, float red, float green,
                                float blue);
