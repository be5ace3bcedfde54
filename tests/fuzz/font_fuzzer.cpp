// Font files as the show loads them: checked, and baked into an atlas when
// the check accepts them. Neither may crash, assert or read out of bounds,
// and what is baked stays inside the atlas.
#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "gui/font_file.h"

namespace {
// Small text, the show's credit line at 1080 lines, a larger one and the
// largest allowed, baked into atlases of at most 2048 pixels on a side (the
// larger heights scaled down to fit) to keep each run quick.
constexpr std::array<double, 4> PIXEL_HEIGHTS = {13.0, 108.0, 1024.0, FONT_PIXEL_HEIGHT_LIMIT};
constexpr int32_t SIDE_LIMIT = 2048;

bool inside_atlas(const stbtt_bakedchar& glyph, int32_t side) {
    return glyph.x0 >= 0 && glyph.y0 >= 0 && glyph.x0 <= glyph.x1 && glyph.y0 <= glyph.y1 && glyph.x1 <= side &&
           glyph.y1 <= side;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::vector<uint8_t> font(data, data + size);
    const FontCheck check = check_font_data(font);
    if (check.status != FontFileStatus::ok) return 0;
    static std::vector<uint8_t> atlas;
    static std::array<stbtt_bakedchar, FONT_CHAR_COUNT> glyphs{};
    const double height = PIXEL_HEIGHTS[size % PIXEL_HEIGHTS.size()];
    const FontAtlasBake bake = bake_font_atlas(font, check.font_offset, height, SIDE_LIMIT, &atlas, glyphs.data());
    if (bake.placed < 0 || bake.placed > FONT_CHAR_COUNT) __builtin_trap();
    if (bake.side > SIDE_LIMIT || atlas.size() != static_cast<size_t>(bake.side) * static_cast<size_t>(bake.side) ||
        !(bake.baked_height > 0.0 && bake.baked_height <= height))
        __builtin_trap();
    for (const stbtt_bakedchar& glyph : glyphs)
        if (!inside_atlas(glyph, bake.side)) __builtin_trap();
    return 0;
}
