#pragma once

#include <stb/stb_truetype.h>

#include <cstdint>
#include <string>
#include <vector>

// Font files without OpenGL: reading one whole, checking that the glyph
// baker can follow every offset in it, and baking its glyphs into an atlas.
//
// The baker (stb_truetype) trusts the file: it follows every offset and
// count it finds without a bounds check. check_font_data therefore walks
// the same paths first, with every read checked, and only a font it
// accepts may be baked.

// The atlas is square, one byte a pixel, and as small as its glyphs allow:
// never below FONT_ATLAS_SIZE, doubled from there as needed, and never above
// FONT_ATLAS_SIDE_LIMIT (256 MiB) whatever OpenGL would take.
inline constexpr int32_t FONT_ATLAS_SIZE = 1024;
inline constexpr int32_t FONT_ATLAS_SIDE_LIMIT = 16384;
// The tallest text a font draws: a tenth of the largest picture the show
// and the capture draw, with room to spare.
inline constexpr int32_t FONT_PIXEL_HEIGHT_LIMIT = 8192;
inline constexpr int32_t FONT_FIRST_CHAR = 32;    // space
inline constexpr int32_t FONT_CHAR_COUNT = 96;    // 32 to 127

// Font files are read whole; anything larger than this is refused rather
// than held in memory (the largest common font collections are a few tens
// of MiB).
inline constexpr int64_t FONT_FILE_LIMIT_BYTES = 64 * 1024 * 1024;

// Composite glyphs are built by the baker recursively, so their nesting
// and their size are bounded: a glyph that refers to itself would recurse
// for ever, and a few levels of many components multiply into millions.
inline constexpr int32_t FONT_COMPONENT_DEPTH_LIMIT = 8;
inline constexpr int32_t FONT_GLYPH_COMPONENT_LIMIT = 256;  // per baked character, all levels
inline constexpr int32_t FONT_GLYPH_POINT_LIMIT = 65536;    // per baked character, all levels

enum class FontFileStatus {
    ok,
    unopenable,   // fopen failed
    read_failed,  // opened, but reading failed (a folder, an I/O error)
    too_large,    // longer than FONT_FILE_LIMIT_BYTES
    not_a_font,   // no TrueType header, a required table missing, or outlines other than TrueType's
    damaged,      // an offset, length or count that leads outside its table or the file
};

// What check_font_data found.
struct FontCheck {
    FontFileStatus status = FontFileStatus::ok;
    int32_t font_offset = 0;  // where the font starts (0, or inside a collection); on ok
    std::string table;        // when damaged: the table at fault ("loca", "glyf", ...) or "directory"
    std::string reason;       // when damaged: what is wrong with it, in a few words
};

// Reads a whole file into `data`.
FontFileStatus read_font_file(const char* path, std::vector<uint8_t>* data);

// Checks that data holds a TrueType font the baker can use for characters
// FONT_FIRST_CHAR to FONT_FIRST_CHAR + FONT_CHAR_COUNT - 1 without reading
// outside the data or its tables, asserting, or recursing without end: the
// table directory; the head, maxp, hhea, hmtx, loca and cmap tables; and
// every glyph those characters map to, with all its components, whose
// outline must also lie inside the glyph's box. Glyphs no character maps
// to are not looked at.
FontCheck check_font_data(const std::vector<uint8_t>& data);

// What bake_font_atlas made.
struct FontAtlasBake {
    int32_t side = 0;           // pixels on a side of the atlas
    double baked_height = 0.0;  // the glyphs' height in the atlas: at most the height asked
    int32_t placed = -1;        // characters placed, in order; -1 for a refused height
};

// Bakes the characters into `atlas` (resized to side x side bytes, cleared
// first) and their placements into `glyphs` (FONT_CHAR_COUNT of them), from
// data check_font_data accepted. Needs no OpenGL. The side is the smallest
// power of two from FONT_ATLAS_SIZE up to `side_limit` (itself capped at
// FONT_ATLAS_SIDE_LIMIT) that holds every glyph at pixel_height; when even
// the largest does not, the glyphs are baked into it at the largest height
// that fits, and the text is drawn scaled up from there. Characters are
// placed in order until one does not fit (which only a strange font makes
// happen); that one and the rest are left empty. A pixel height outside 0
// to FONT_PIXEL_HEIGHT_LIMIT is refused: placed is -1 and nothing is touched.
FontAtlasBake bake_font_atlas(const std::vector<uint8_t>& data, int32_t font_offset, double pixel_height,
                              int32_t side_limit, std::vector<uint8_t>* atlas, stbtt_bakedchar* glyphs);
