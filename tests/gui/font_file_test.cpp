// Reading and checking font files, without a display. The fonts are those
// of the Debian packages the test set-up installs.
#include "gui/font_file.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <functional>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "tests/gui/test_fonts.h"
#include "tests/support/sound_files.h"

namespace {
void put_u32_be(std::vector<uint8_t>& data, size_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i) data[at + i] = static_cast<uint8_t>(value >> (24 - 8 * i));
}

// The directory record of the table with this tag, or npos.
size_t table_record(const std::vector<uint8_t>& data, const char* tag) {
    const size_t tables = (data[4] << 8) | data[5];
    for (size_t i = 0; i < tables; ++i)
        if (std::string(data.begin() + 12 + 16 * i, data.begin() + 16 + 16 * i) == tag) return 12 + 16 * i;
    return std::string::npos;
}

FontFileStatus check(const std::vector<uint8_t>& data) { return check_font_data(data).status; }
}  // namespace

TEST(FontFile, ReadsWholeFilesLargerThanAMebibyte) {
    std::vector<uint8_t> data;
    ASSERT_EQ(read_font_file(LARGE_FONT, &data), FontFileStatus::ok);
    EXPECT_EQ(data, file_bytes(LARGE_FONT));
    EXPECT_GT(data.size(), 1u << 20);
    const FontCheck whole = check_font_data(data);
    EXPECT_EQ(whole.status, FontFileStatus::ok);
    EXPECT_EQ(whole.font_offset, 0);
    ASSERT_EQ(read_font_file(SMALL_FONT, &data), FontFileStatus::ok);
    EXPECT_EQ(check(data), FontFileStatus::ok);
}

TEST(FontFile, MissingFilesFoldersAndHugeFilesAreRefused) {
    std::vector<uint8_t> data{1, 2, 3};
    EXPECT_EQ(read_font_file("/nonexistent/font.ttf", &data), FontFileStatus::unopenable);
    TempDir dir;
    EXPECT_EQ(read_font_file(dir.path().c_str(), &data), FontFileStatus::read_failed);
    EXPECT_TRUE(data.empty());
    // A sparse file one byte past the limit.
    const std::string huge = dir.file("huge.ttf");
    std::FILE* file = std::fopen(huge.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    ASSERT_EQ(ftruncate(fileno(file), FONT_FILE_LIMIT_BYTES + 1), 0);
    std::fclose(file);
    EXPECT_EQ(read_font_file(huge.c_str(), &data), FontFileStatus::too_large);
    EXPECT_TRUE(data.empty());
}

TEST(FontFile, DataWithoutAFontHeaderIsNotAFont) {
    EXPECT_EQ(check({}), FontFileStatus::not_a_font);
    const std::string text = "this is a text file, not a font at all\n";
    EXPECT_EQ(check({text.begin(), text.end()}), FontFileStatus::not_a_font);
    // A TrueType version number and nothing more.
    EXPECT_EQ(check({0, 1, 0, 0}), FontFileStatus::not_a_font);
}

TEST(FontFile, TruncatedFontsAreDamagedWhereverTheyAreCut) {
    const std::vector<uint8_t> whole = file_bytes(SMALL_FONT);
    for (size_t size : {size_t{16}, size_t{20}, size_t{100}, size_t{400}, whole.size() / 2,
                        whole.size() - 1}) {
        const std::vector<uint8_t> cut(whole.begin(), whole.begin() + static_cast<long>(size));
        EXPECT_EQ(check(cut), FontFileStatus::damaged) << size;
    }
    // What a one-mebibyte read limit would have left of the large font.
    const std::vector<uint8_t> large = file_bytes(LARGE_FONT);
    const std::vector<uint8_t> first_mebibyte(large.begin(), large.begin() + (1 << 20));
    EXPECT_EQ(check(first_mebibyte), FontFileStatus::damaged);
}

TEST(FontFile, TablesReachingPastTheEndAreDamagedEvenWhenTheSumWraps) {
    std::vector<uint8_t> data = file_bytes(SMALL_FONT);
    const size_t glyf = table_record(data, "glyf");
    ASSERT_NE(glyf, std::string::npos);
    put_u32_be(data, glyf + 8, 0xFFFFFF00u);  // offset
    put_u32_be(data, glyf + 12, 0x200u);      // length: wraps in 32 bits
    EXPECT_EQ(check(data), FontFileStatus::damaged);

    data = file_bytes(SMALL_FONT);
    data[4] = 0xFF;  // claims 65280 and more tables
    EXPECT_EQ(check(data), FontFileStatus::damaged);
}

TEST(FontFile, FontsWithoutTheTablesTheRasteriserNeedsAreNotFonts) {
    std::vector<uint8_t> data = file_bytes(SMALL_FONT);
    const size_t cmap = table_record(data, "cmap");
    ASSERT_NE(cmap, std::string::npos);
    data[cmap] = 'x';  // the character map is gone
    EXPECT_EQ(check(data), FontFileStatus::not_a_font);
}

namespace {
// A seed of the font fuzzer: a few glyphs of the 3270 font with short glyph
// offsets, a format 4 character map and composite glyphs ('=' is two
// parentheses, '#' nests '=' and the scaled 'X').
const std::string COMPOSITE_FONT = std::string(MORVA_SOURCE_DIR) + "/tests/fuzz/font/3270-composites.ttf";

uint32_t u16_at(const std::vector<uint8_t>& data, size_t at) { return (data[at] << 8) | data[at + 1]; }

uint32_t u32_at(const std::vector<uint8_t>& data, size_t at) {
    return (u16_at(data, at) << 16) | u16_at(data, at + 2);
}

void put_u16_be(std::vector<uint8_t>& data, size_t at, uint32_t value) {
    data[at] = static_cast<uint8_t>(value >> 8);
    data[at + 1] = static_cast<uint8_t>(value);
}

// A font's bytes and the places inside them that damage tests change.
struct FontBytes {
    std::vector<uint8_t> data;

    size_t table(const char* tag) const { return u32_at(data, table_record(data, tag) + 8); }
    size_t table_length(const char* tag) const { return u32_at(data, table_record(data, tag) + 12); }
    bool long_offsets() const { return u16_at(data, table("head") + 50) == 1; }
    uint32_t loca(uint32_t glyph) const {
        return long_offsets() ? u32_at(data, table("loca") + 4 * glyph) : 2 * u16_at(data, table("loca") + 2 * glyph);
    }
    void set_loca(uint32_t glyph, uint32_t offset) {
        if (long_offsets()) put_u32_be(data, table("loca") + 4 * glyph, offset);
        else put_u16_be(data, table("loca") + 2 * glyph, offset / 2);
    }
    // The glyph a character maps to, read by the baker from the undamaged font.
    uint32_t glyph_of(char c) const {
        stbtt_fontinfo info{};
        EXPECT_EQ(stbtt_InitFont(&info, data.data(), 0), 1);
        return static_cast<uint32_t>(stbtt_FindGlyphIndex(&info, c));
    }
    size_t glyph(char c) const { return table("glyf") + loca(glyph_of(c)); }
    // The character-map subtable the baker uses: the last Unicode one.
    size_t character_map() const {
        const size_t cmap = table("cmap");
        size_t used = 0;
        for (uint32_t i = 0; i < u16_at(data, cmap + 2); ++i) {
            const size_t record = cmap + 4 + 8 * i;
            const uint32_t platform = u16_at(data, record);
            const uint32_t encoding = u16_at(data, record + 2);
            if (platform == 0 || (platform == 3 && (encoding == 1 || encoding == 10))) used = cmap + u32_at(data, record + 4);
        }
        return used;
    }
    // Turns the glyph of c into a composite of one component, placed by
    // the given offsets (words), with the given flags.
    void make_composite(char c, uint32_t flags, uint32_t component, int16_t dx, int16_t dy) {
        const size_t at = glyph(c);
        put_u16_be(data, at, 0xFFFF);  // -1 contours
        put_u16_be(data, at + 10, flags);
        put_u16_be(data, at + 12, component);
        put_u16_be(data, at + 14, static_cast<uint16_t>(dx));
        put_u16_be(data, at + 16, static_cast<uint16_t>(dy));
    }
};

constexpr uint32_t WORDS_XY = 0x0003;  // offsets as words, as x and y values

struct Damage {
    const char* name;
    const char* font;
    std::function<void(FontBytes&)> apply;
    FontFileStatus status;
    const char* table;
};

const Damage DAMAGES[] = {
    {"glyph offset format 2", SMALL_FONT, [](FontBytes& f) { put_u16_be(f.data, f.table("head") + 50, 2); },
     FontFileStatus::damaged, "head"},
    {"head cut short", SMALL_FONT, [](FontBytes& f) { put_u32_be(f.data, table_record(f.data, "head") + 12, 40); },
     FontFileStatus::damaged, "head"},
    {"no glyphs", SMALL_FONT, [](FontBytes& f) { put_u16_be(f.data, f.table("maxp") + 4, 0); },
     FontFileStatus::damaged, "maxp"},
    {"more glyphs than offsets", SMALL_FONT, [](FontBytes& f) { put_u16_be(f.data, f.table("maxp") + 4, 0xFFFF); },
     FontFileStatus::damaged, "loca"},
    {"fewer glyphs than characters map to", SMALL_FONT, [](FontBytes& f) { put_u16_be(f.data, f.table("maxp") + 4, 10); },
     FontFileStatus::damaged, "cmap"},
    {"glyph offset past glyf", SMALL_FONT,
     [](FontBytes& f) { f.set_loca(f.glyph_of('A') + 1, static_cast<uint32_t>(f.table_length("glyf")) + 2); },
     FontFileStatus::damaged, "loca"},
    {"glyph offsets out of order", LARGE_FONT,
     [](FontBytes& f) { f.set_loca(f.glyph_of('A'), f.loca(f.glyph_of('A') + 1) + 2); },
     FontFileStatus::damaged, "loca"},
    {"short glyph offset past glyf", COMPOSITE_FONT.c_str(),
     [](FontBytes& f) { f.set_loca(f.glyph_of('M') + 1, static_cast<uint32_t>(f.table_length("glyf")) + 2); },
     FontFileStatus::damaged, "loca"},
    {"glyph shorter than its header", SMALL_FONT,
     [](FontBytes& f) {
         const uint32_t a = f.glyph_of('A');
         f.set_loca(a + 1, f.loca(a) + 6);
     },
     FontFileStatus::damaged, "glyf"},
    {"outline cut off", SMALL_FONT,
     [](FontBytes& f) {
         const uint32_t a = f.glyph_of('A');
         f.set_loca(a + 1, f.loca(a) + 24);
     },
     FontFileStatus::damaged, "glyf"},
    {"contour count past the glyph", SMALL_FONT, [](FontBytes& f) { put_u16_be(f.data, f.glyph('A'), 0x7FFF); },
     FontFileStatus::damaged, "glyf"},
    {"contour ends out of order", SMALL_FONT,
     [](FontBytes& f) { put_u16_be(f.data, f.glyph('O') + 10, u16_at(f.data, f.glyph('O') + 12) + 1); },
     FontFileStatus::damaged, "glyf"},
    {"instructions past the glyph", LARGE_FONT,
     [](FontBytes& f) {
         const size_t at = f.glyph('B');
         put_u16_be(f.data, at + 10 + 2 * u16_at(f.data, at), 0xFFFF);
     },
     FontFileStatus::damaged, "glyf"},
    {"box inside out", SMALL_FONT,
     [](FontBytes& f) {
         const size_t at = f.glyph('W');
         put_u16_be(f.data, at + 2, u16_at(f.data, at + 6) + 1);
     },
     FontFileStatus::damaged, "glyf"},
    {"outline above its box", SMALL_FONT,
     [](FontBytes& f) { put_u16_be(f.data, f.glyph('A') + 8, u16_at(f.data, f.glyph('A') + 8) - 100); },
     FontFileStatus::damaged, "glyf"},
    {"component refers to itself", SMALL_FONT,
     [](FontBytes& f) { f.make_composite('A', WORDS_XY, f.glyph_of('A'), 0, 0); }, FontFileStatus::damaged, "glyf"},
    {"component past the last glyph", SMALL_FONT,
     [](FontBytes& f) { f.make_composite('A', WORDS_XY, 0xFFF0, 0, 0); }, FontFileStatus::damaged, "glyf"},
    {"component placed by point numbers", SMALL_FONT,
     [](FontBytes& f) { f.make_composite('A', 0x0001, f.glyph_of('B'), 3, 4); }, FontFileStatus::damaged, "glyf"},
    {"component moved past 16-bit coordinates", SMALL_FONT,
     [](FontBytes& f) { f.make_composite('A', WORDS_XY, f.glyph_of('B'), 32000, 0); }, FontFileStatus::damaged,
     "glyf"},
    {"more components than the glyph holds", COMPOSITE_FONT.c_str(),
     [](FontBytes& f) { put_u16_be(f.data, f.glyph('=') + 16, u16_at(f.data, f.glyph('=') + 16) | 0x20); },
     FontFileStatus::damaged, "glyf"},
    {"nested composite refers back to its parent", COMPOSITE_FONT.c_str(),
     [](FontBytes& f) { put_u16_be(f.data, f.glyph('=') + 12, f.glyph_of('#')); }, FontFileStatus::damaged, "glyf"},
    {"character map past its table", SMALL_FONT,
     [](FontBytes& f) {
         const size_t cmap = f.table("cmap");
         for (uint32_t i = 0; i < u16_at(f.data, cmap + 2); ++i) put_u32_be(f.data, cmap + 4 + 8 * i + 4, 0x00FFFFF0);
     },
     FontFileStatus::damaged, "cmap"},
    {"character map of format 2", SMALL_FONT, [](FontBytes& f) { put_u16_be(f.data, f.character_map(), 2); },
     FontFileStatus::damaged, "cmap"},
    {"more groups than the map holds", SMALL_FONT,
     [](FontBytes& f) { put_u32_be(f.data, f.character_map() + 12, 0x00FFFFFF); }, FontFileStatus::damaged, "cmap"},
    {"more segments than the map holds", COMPOSITE_FONT.c_str(),
     [](FontBytes& f) { put_u16_be(f.data, f.character_map() + 6, 0xFFFE); }, FontFileStatus::damaged, "cmap"},
    {"segment search sent past the segments", COMPOSITE_FONT.c_str(),
     [](FontBytes& f) { put_u16_be(f.data, f.character_map() + 12, 0x1000); }, FontFileStatus::damaged, "cmap"},
    {"no horizontal metrics", SMALL_FONT, [](FontBytes& f) { put_u16_be(f.data, f.table("hhea") + 34, 0); },
     FontFileStatus::damaged, "hhea"},
    {"line of no height", SMALL_FONT,
     [](FontBytes& f) { put_u16_be(f.data, f.table("hhea") + 6, u16_at(f.data, f.table("hhea") + 4)); },
     FontFileStatus::damaged, "hhea"},
    {"more metrics than hmtx holds", LARGE_FONT, [](FontBytes& f) { put_u16_be(f.data, f.table("hhea") + 34, 0xFFFF); },
     FontFileStatus::damaged, "hmtx"},
    {"side bearings past hmtx", MONO_FONT,
     [](FontBytes& f) { put_u32_be(f.data, table_record(f.data, "hmtx") + 12, 4 * 4 + 2 * 20); },
     FontFileStatus::damaged, "hmtx"},
    {"outlines other than TrueType's", SMALL_FONT, [](FontBytes& f) { f.data[table_record(f.data, "glyf")] = 'x'; },
     FontFileStatus::not_a_font, ""},
};

class DamagedFont : public testing::TestWithParam<Damage> {};
}  // namespace

TEST_P(DamagedFont, IsRefusedNamingTheTable) {
    const Damage& damage = GetParam();
    FontBytes font{file_bytes(damage.font)};
    ASSERT_EQ(check(font.data), FontFileStatus::ok);
    damage.apply(font);
    const FontCheck result = check_font_data(font.data);
    EXPECT_EQ(result.status, damage.status);
    EXPECT_EQ(result.table, damage.table) << result.reason;
    EXPECT_EQ(result.reason.empty(), result.status != FontFileStatus::damaged) << result.reason;
}

INSTANTIATE_TEST_SUITE_P(FontFile, DamagedFont, testing::ValuesIn(DAMAGES),
                         [](const testing::TestParamInfo<Damage>& info) {
                             std::string name = info.param.name;
                             std::replace_if(name.begin(), name.end(), [](char c) { return !std::isalnum(c); }, '_');
                             return name;
                         });

namespace {
// A font's glyph tables damaged at random, the way a bad disk or a careless
// tool does: bytes inside the glyphs of the baked characters, their glyph
// offsets, and anywhere in glyf.
std::vector<uint8_t> mutated(const FontBytes& font, std::mt19937& random) {
    std::vector<uint8_t> data = font.data;
    const uint32_t glyph = font.glyph_of(static_cast<char>(FONT_FIRST_CHAR + random() % FONT_CHAR_COUNT));
    const size_t start = font.table("glyf") + font.loca(glyph);
    const size_t length = font.table("glyf") + font.loca(glyph + 1) - start;
    const size_t offset_bytes = font.long_offsets() ? 4 : 2;
    for (uint32_t edits = 1 + random() % 4; edits > 0; --edits) {
        size_t at = font.table("glyf") + random() % font.table_length("glyf");
        const uint32_t where = random() % 4;
        if (where < 2 && length > 0) at = start + random() % (where == 0 ? std::min<size_t>(length, 40) : length);
        else if (where == 2) at = font.table("loca") + offset_bytes * (glyph + random() % 2) + random() % offset_bytes;
        const uint8_t values[] = {static_cast<uint8_t>(random()), static_cast<uint8_t>(data[at] ^ (1u << (random() % 8))),
                                  0xFF, 0x80};
        data[at] = values[random() % 4];
    }
    return data;
}

class MutatedFonts : public testing::TestWithParam<const char*> {};
}  // namespace

// Each mutated font is refused with a named table, or bakes with every
// glyph inside the atlas; none may crash the check or the baker.
TEST_P(MutatedFonts, AreRefusedOrBakeSafely) {
    const FontBytes font{file_bytes(GetParam())};
    std::mt19937 random(20261208);
    std::vector<uint8_t> atlas;
    std::vector<stbtt_bakedchar> glyphs(FONT_CHAR_COUNT);
    int refused = 0;
    constexpr int MUTATIONS = 100;
    for (int i = 0; i < MUTATIONS; ++i) {
        const std::vector<uint8_t> data = mutated(font, random);
        const FontCheck result = check_font_data(data);
        if (result.status != FontFileStatus::ok) {
            ++refused;
            EXPECT_FALSE(result.table.empty()) << i;
            continue;
        }
        const FontAtlasBake bake =
            bake_font_atlas(data, result.font_offset, 108.0, FONT_ATLAS_SIZE, &atlas, glyphs.data());
        EXPECT_GE(bake.placed, 0) << i;
        for (const stbtt_bakedchar& glyph : glyphs)
            EXPECT_TRUE(glyph.x1 <= bake.side && glyph.y1 <= bake.side) << i;
    }
    // Most damage inside the baked glyphs is found; some (a changed
    // coordinate, say) leaves a font that is merely drawn differently.
    EXPECT_GT(refused, MUTATIONS / 4);
}

INSTANTIATE_TEST_SUITE_P(FontFile, MutatedFonts, testing::Values(SMALL_FONT, LARGE_FONT, MONO_FONT));
