#include "gui/font_file.h"

#include <stb/stb_truetype.h>

#include <cstddef>
#include <cstdio>

namespace {
constexpr size_t READ_CHUNK_BYTES = 64 * 1024;
// The offset table: version, table count and three search fields.
constexpr uint64_t OFFSET_TABLE_BYTES = 12;
// One directory record: tag, checksum, offset, length.
constexpr uint64_t TABLE_RECORD_BYTES = 16;
// A collection header up to the offset of its first font.
constexpr uint64_t COLLECTION_HEADER_BYTES = 16;

uint32_t read_u32_be(const uint8_t* p) {
    return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
}

uint16_t read_u16_be(const uint8_t* p) { return static_cast<uint16_t>((p[0] << 8) | p[1]); }

// Whether the table directory at `offset` and every table it names lie
// inside the data; sizes are added in 64 bits, so no record can wrap.
bool tables_inside(const std::vector<uint8_t>& data, uint64_t offset) {
    const uint64_t size = data.size();
    if (offset + OFFSET_TABLE_BYTES > size) return false;
    const uint16_t table_count = read_u16_be(data.data() + offset + 4);
    const uint64_t directory_end = offset + OFFSET_TABLE_BYTES + TABLE_RECORD_BYTES * table_count;
    if (directory_end > size) return false;
    for (uint16_t i = 0; i < table_count; ++i) {
        const uint8_t* record = data.data() + offset + OFFSET_TABLE_BYTES + TABLE_RECORD_BYTES * i;
        const uint64_t table_offset = read_u32_be(record + 8);
        const uint64_t table_length = read_u32_be(record + 12);
        if (table_offset + table_length > size) return false;
    }
    return true;
}
}  // namespace

FontFileStatus read_font_file(const char* path, std::vector<uint8_t>* data) {
    std::FILE* file = std::fopen(path, "rb");
    if (file == nullptr) return FontFileStatus::unopenable;
    data->clear();
    FontFileStatus status = FontFileStatus::ok;
    std::vector<uint8_t> chunk(READ_CHUNK_BYTES);
    for (;;) {
        const size_t count = std::fread(chunk.data(), 1, chunk.size(), file);
        if (static_cast<int64_t>(data->size() + count) > FONT_FILE_LIMIT_BYTES) {
            status = FontFileStatus::too_large;
            break;
        }
        data->insert(data->end(), chunk.begin(), chunk.begin() + static_cast<std::ptrdiff_t>(count));
        if (count < chunk.size()) {
            if (std::ferror(file) != 0) status = FontFileStatus::read_failed;
            break;
        }
    }
    std::fclose(file);
    if (status != FontFileStatus::ok) data->clear();
    return status;
}

FontFileStatus check_font_data(const std::vector<uint8_t>& data, int32_t* font_offset) {
    // The header readers below look at up to 16 bytes before knowing the
    // file's kind; anything shorter holds no usable font anyway.
    if (data.size() < COLLECTION_HEADER_BYTES) return FontFileStatus::not_a_font;
    const int offset = stbtt_GetFontOffsetForIndex(data.data(), 0);
    if (offset < 0) return FontFileStatus::not_a_font;
    if (!tables_inside(data, static_cast<uint64_t>(offset))) return FontFileStatus::damaged;
    stbtt_fontinfo info{};
    if (stbtt_InitFont(&info, data.data(), offset) == 0) return FontFileStatus::not_a_font;
    *font_offset = offset;
    return FontFileStatus::ok;
}
