// Font files as the show loads them: checked, and baked into an atlas when
// the check accepts them. Neither may crash, assert or read out of bounds,
// and what is baked stays inside the atlas.
#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "gui/font_file.h"

namespace {
// Small text, the show's credit line at 1080 lines, and the largest allowed.
constexpr std::array<double, 3> PIXEL_HEIGHTS = {13.0, 108.0, 1024.0};

bool inside_atlas(const stbtt_bakedchar& glyph) {
    return glyph.x0 >= 0 && glyph.y0 >= 0 && glyph.x0 <= glyph.x1 && glyph.y0 <= glyph.y1 &&
           glyph.x1 <= FONT_ATLAS_SIZE && glyph.y1 <= FONT_ATLAS_SIZE;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::vector<uint8_t> font(data, data + size);
    const FontCheck check = check_font_data(font);
    if (check.status != FontFileStatus::ok) return 0;
    static std::vector<uint8_t> atlas(static_cast<size_t>(FONT_ATLAS_SIZE) * FONT_ATLAS_SIZE);
    static std::array<stbtt_bakedchar, FONT_CHAR_COUNT> glyphs{};
    const double height = PIXEL_HEIGHTS[size % PIXEL_HEIGHTS.size()];
    const int32_t placed = bake_font_atlas(font, check.font_offset, height, atlas.data(), glyphs.data());
    if (placed < 0 || placed > FONT_CHAR_COUNT) __builtin_trap();
    for (const stbtt_bakedchar& glyph : glyphs)
        if (!inside_atlas(glyph)) __builtin_trap();
    return 0;
}
