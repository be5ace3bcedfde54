// Reading and checking font files, without a display. The fonts are those
// of the Debian packages the test set-up installs.
#include "gui/font_file.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tests/gui/test_fonts.h"
#include "tests/support/sound_files.h"

namespace {
std::vector<uint8_t> file_bytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

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
