#include "gui/font_file.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdio>

// Contents
//   [reading]   read_font_file
//   [bytes]     checked big-endian reads over a table or a glyph
//   [tables]    the directory and the fixed-size tables
//   [cmap]      the character map, looked up as the baker does
//   [glyphs]    simple and composite outlines, walked as the baker does
//   [check]     check_font_data
//   [baking]    bake_font_atlas

namespace {
constexpr size_t READ_CHUNK_BYTES = 64 * 1024;
// The offset table: version, table count and three search fields.
constexpr uint64_t OFFSET_TABLE_BYTES = 12;
// One directory record: tag, checksum, offset, length.
constexpr uint64_t TABLE_RECORD_BYTES = 16;
// A collection header up to the offset of its first font.
constexpr uint64_t COLLECTION_HEADER_BYTES = 16;

// How far into each fixed-size table the baker reads.
constexpr uint64_t HEAD_BYTES = 54;          // indexToLocFormat at 50
constexpr uint64_t MAXP_BYTES = 6;           // numGlyphs at 4
constexpr uint64_t HHEA_BYTES = 36;          // ascender 4, descender 6, numberOfHMetrics 34
constexpr uint64_t GLYPH_HEADER_BYTES = 10;  // contour count and bounding box

// The character-map encodings the baker takes (the last one listed wins).
constexpr uint16_t PLATFORM_UNICODE = 0;
constexpr uint16_t PLATFORM_MICROSOFT = 3;
constexpr uint16_t MICROSOFT_UNICODE_BMP = 1;
constexpr uint16_t MICROSOFT_UNICODE_FULL = 10;

// Point flags of a simple glyph.
constexpr uint8_t ON_CURVE = 1;
constexpr uint8_t X_IS_BYTE = 2;
constexpr uint8_t Y_IS_BYTE = 4;
constexpr uint8_t REPEAT = 8;
constexpr uint8_t X_SAME_OR_POSITIVE = 16;
constexpr uint8_t Y_SAME_OR_POSITIVE = 32;

// Component flags of a composite glyph.
constexpr uint16_t ARGS_ARE_WORDS = 1;
constexpr uint16_t ARGS_ARE_XY_VALUES = 2;
constexpr uint16_t HAVE_A_SCALE = 8;
constexpr uint16_t MORE_COMPONENTS = 32;
constexpr uint16_t HAVE_X_AND_Y_SCALE = 64;
constexpr uint16_t HAVE_TWO_BY_TWO = 128;

// The baker keeps outline coordinates in 16 bits and converts transformed
// component coordinates to them from float; a value outside this range
// would not convert. One unit of margin covers float rounding.
constexpr double COORDINATE_LIMIT = 32766.0;

uint32_t read_u32_be(const uint8_t* p) {
    return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
}

uint16_t read_u16_be(const uint8_t* p) { return static_cast<uint16_t>((p[0] << 8) | p[1]); }

// ---------------------------------------------------------------------------
// [bytes]

// A stretch of the font data (a table, a glyph); reads ask `has` first.
struct Bytes {
    const uint8_t* data = nullptr;
    uint64_t size = 0;

    bool has(uint64_t at, uint64_t count) const { return at <= size && count <= size - at; }
    uint8_t u8(uint64_t at) const { return data[at]; }
    uint16_t u16(uint64_t at) const { return read_u16_be(data + at); }
    int16_t s16(uint64_t at) const { return static_cast<int16_t>(read_u16_be(data + at)); }
    uint32_t u32(uint64_t at) const { return read_u32_be(data + at); }
    Bytes part(uint64_t at, uint64_t count) const { return {data + at, count}; }
};

// ---------------------------------------------------------------------------
// [tables]

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

// The first table with this tag, as the baker finds it: a table at offset
// 0 counts as absent, as there. Only after tables_inside.
struct Table {
    uint64_t offset = 0;
    Bytes bytes;
    bool present() const { return offset != 0; }
};

Table find_table(const std::vector<uint8_t>& data, uint64_t font_offset, const char* tag) {
    const uint16_t table_count = read_u16_be(data.data() + font_offset + 4);
    for (uint16_t i = 0; i < table_count; ++i) {
        const uint8_t* record = data.data() + font_offset + OFFSET_TABLE_BYTES + TABLE_RECORD_BYTES * i;
        if (!std::equal(record, record + 4, tag)) continue;
        const uint64_t offset = read_u32_be(record + 8);
        return {offset, {data.data() + offset, read_u32_be(record + 12)}};
    }
    return {};
}

// A glyph outline's extent in font units, as the baker holds its points
// (and the origin, which stands in for the control point of every line).
struct Extent {
    bool empty = true;
    double min_x = 0.0, min_y = 0.0, max_x = 0.0, max_y = 0.0;

    void add(double x, double y) {
        if (empty) {
            min_x = max_x = x;
            min_y = max_y = y;
            empty = false;
            return;
        }
        min_x = std::min(min_x, x);
        max_x = std::max(max_x, x);
        min_y = std::min(min_y, y);
        max_y = std::max(max_y, y);
    }
};

// A component's placement as the baker reads it: a 2 x 2 matrix and an
// offset, applied as m * (a x + c y + e), n * (b x + d y + f).
struct Placement {
    float matrix[6] = {1, 0, 0, 1, 0, 0};

    // Where the point lands, in double for the range check.
    void apply(double x, double y, double& out_x, double& out_y) const {
        const double m = std::sqrt(double{matrix[0]} * matrix[0] + double{matrix[1]} * matrix[1]);
        const double n = std::sqrt(double{matrix[2]} * matrix[2] + double{matrix[3]} * matrix[3]);
        out_x = m * (matrix[0] * x + matrix[2] * y + matrix[4]);
        out_y = n * (matrix[1] * x + matrix[3] * y + matrix[5]);
    }
};

// What one baked character may cost, over all its components.
struct GlyphBudget {
    int32_t points = FONT_GLYPH_POINT_LIMIT;
    int32_t components = FONT_GLYPH_COMPONENT_LIMIT;
};

// Walks the font as the baker will, with every read checked. Each check
// returns false after recording what it found wrong.
class FontChecker {
public:
    explicit FontChecker(const std::vector<uint8_t>& data) : data_(data) {}

    FontCheck run() {
        if (find_font() && find_tables() && check_fixed_tables() && check_loca() && find_character_map())
            check_characters();
        return result_;
    }

private:
    bool damaged(const char* table, std::string reason) {
        result_.status = FontFileStatus::damaged;
        result_.table = table;
        result_.reason = std::move(reason);
        return false;
    }

    bool not_a_font() {
        result_.status = FontFileStatus::not_a_font;
        return false;
    }

    static std::string glyph_text(int64_t glyph) { return "glyph " + std::to_string(glyph); }

    // [tables] ---------------------------------------------------------------

    bool find_font() {
        // The header readers below look at up to 16 bytes before knowing the
        // file's kind; anything shorter holds no usable font anyway.
        if (data_.size() < COLLECTION_HEADER_BYTES) return not_a_font();
        const int offset = stbtt_GetFontOffsetForIndex(data_.data(), 0);
        if (offset < 0) return not_a_font();
        if (!tables_inside(data_, static_cast<uint64_t>(offset)))
            return damaged("directory", "a table lies past the end of the file");
        font_offset_ = static_cast<uint64_t>(offset);
        result_.font_offset = offset;
        return true;
    }

    bool find_tables() {
        cmap_ = find_table(data_, font_offset_, "cmap");
        loca_ = find_table(data_, font_offset_, "loca");
        head_ = find_table(data_, font_offset_, "head");
        glyf_ = find_table(data_, font_offset_, "glyf");
        hhea_ = find_table(data_, font_offset_, "hhea");
        hmtx_ = find_table(data_, font_offset_, "hmtx");
        maxp_ = find_table(data_, font_offset_, "maxp");
        // Without glyf the baker reads CFF outlines, whose interpreter is
        // not checked here: such fonts are refused.
        for (const Table* table : {&cmap_, &loca_, &head_, &glyf_, &hhea_, &hmtx_, &maxp_})
            if (!table->present()) return not_a_font();
        return true;
    }

    bool check_fixed_tables() {
        if (!head_.bytes.has(0, HEAD_BYTES)) return damaged("head", "shorter than its fixed fields");
        long_offsets_ = head_.bytes.u16(50);
        if (long_offsets_ > 1) return damaged("head", "glyph offset format " + std::to_string(long_offsets_));
        if (!maxp_.bytes.has(0, MAXP_BYTES)) return damaged("maxp", "shorter than its glyph count");
        glyph_count_ = maxp_.bytes.u16(4);
        if (glyph_count_ == 0) return damaged("maxp", "no glyphs");
        if (!hhea_.bytes.has(0, HHEA_BYTES)) return damaged("hhea", "shorter than its fixed fields");
        // The baker divides the pixel height by the line height.
        if (hhea_.bytes.s16(4) - hhea_.bytes.s16(6) <= 0)
            return damaged("hhea", "ascender not above descender");
        long_metrics_ = hhea_.bytes.u16(34);
        if (long_metrics_ == 0) return damaged("hhea", "no horizontal metrics");
        if (!hmtx_.bytes.has(0, uint64_t{4} * long_metrics_))
            return damaged("hmtx", "shorter than the " + std::to_string(long_metrics_) + " metrics hhea counts");
        return true;
    }

    uint64_t loca_entry(uint32_t index) const {
        return long_offsets_ != 0 ? loca_.bytes.u32(uint64_t{4} * index)
                                  : uint64_t{2} * loca_.bytes.u16(uint64_t{2} * index);
    }

    // Every glyph's offset: one more entry than glyphs, ascending, inside glyf.
    bool check_loca() {
        const uint64_t entry_bytes = long_offsets_ != 0 ? 4 : 2;
        if (!loca_.bytes.has(0, entry_bytes * (glyph_count_ + 1u)))
            return damaged("loca", "shorter than the " + std::to_string(glyph_count_) + " glyphs maxp counts");
        uint64_t previous = 0;
        for (uint32_t i = 0; i <= glyph_count_; ++i) {
            const uint64_t offset = loca_entry(i);
            if (offset < previous) return damaged("loca", "offsets out of order at " + glyph_text(i));
            if (offset > glyf_.bytes.size)
                return damaged("loca", glyph_text(i) + " starts past the end of glyf");
            previous = offset;
        }
        return true;
    }

    // [cmap] -----------------------------------------------------------------

    // The subtable the baker will use: the last Unicode one in the list.
    bool find_character_map() {
        const Bytes& cmap = cmap_.bytes;
        if (!cmap.has(0, 4)) return damaged("cmap", "shorter than its header");
        const uint16_t count = cmap.u16(2);
        if (!cmap.has(4, uint64_t{8} * count)) return damaged("cmap", "encoding list runs past its end");
        bool found = false;
        for (uint16_t i = 0; i < count; ++i) {
            const uint64_t record = 4 + uint64_t{8} * i;
            const uint16_t platform = cmap.u16(record);
            const uint16_t encoding = cmap.u16(record + 2);
            if (platform == PLATFORM_UNICODE ||
                (platform == PLATFORM_MICROSOFT &&
                 (encoding == MICROSOFT_UNICODE_BMP || encoding == MICROSOFT_UNICODE_FULL))) {
                subtable_ = cmap.u32(record + 4);
                found = true;
            }
        }
        if (!found) return not_a_font();
        if (!cmap.has(subtable_, 2)) return damaged("cmap", "subtable starts past its end");
        format_ = cmap.u16(subtable_);
        if (format_ != 0 && format_ != 4 && format_ != 6 && format_ != 12 && format_ != 13)
            return damaged("cmap", "subtable of format " + std::to_string(format_) + ", which cannot be read");
        return true;
    }

    // Reads of the subtable, relative to its start, within the cmap table.
    bool map_has(uint64_t at, uint64_t count) const { return cmap_.bytes.has(subtable_ + at, count); }
    uint16_t map_u16(uint64_t at) const { return cmap_.bytes.u16(subtable_ + at); }
    uint32_t map_u32(uint64_t at) const { return cmap_.bytes.u32(subtable_ + at); }

    bool map_cut() { return damaged("cmap", "subtable runs past its end"); }

    // The glyph for a character, found exactly as the baker finds it.
    bool glyph_for(int32_t code, int64_t& glyph) {
        glyph = 0;
        switch (format_) {
            case 0: return glyph_in_byte_map(code, glyph);
            case 4: return glyph_in_segments(code, glyph);
            case 6: return glyph_in_trimmed_map(code, glyph);
            default: return glyph_in_groups(code, glyph);
        }
    }

    bool glyph_in_byte_map(int32_t code, int64_t& glyph) {
        if (!map_has(0, 6)) return map_cut();
        const int32_t bytes = map_u16(2);
        if (code >= bytes - 6) return true;
        if (!map_has(6 + static_cast<uint64_t>(code), 1)) return map_cut();
        glyph = cmap_.bytes.u8(subtable_ + 6 + static_cast<uint64_t>(code));
        return true;
    }

    bool glyph_in_trimmed_map(int32_t code, int64_t& glyph) {
        if (!map_has(0, 10)) return map_cut();
        const uint32_t first = map_u16(6);
        const uint32_t count = map_u16(8);
        const auto unsigned_code = static_cast<uint32_t>(code);
        if (unsigned_code < first || unsigned_code >= first + count) return true;
        const uint64_t at = 10 + uint64_t{2} * (unsigned_code - first);
        if (!map_has(at, 2)) return map_cut();
        glyph = map_u16(at);
        return true;
    }

    // Segments searched by the subtable's own search fields, trusted by the
    // baker; every place the search can reach is checked.
    bool glyph_in_segments(int32_t code, int64_t& glyph) {
        if (!map_has(0, 14)) return map_cut();
        const uint32_t segments = map_u16(6) >> 1;
        uint32_t range = map_u16(8) >> 1;
        uint32_t selector = map_u16(10);
        const uint32_t shift = map_u16(12) >> 1;
        if (segments == 0) return damaged("cmap", "no segments");
        if (!map_has(14, uint64_t{8} * segments + 2)) return map_cut();
        const uint64_t ends = 14;
        uint64_t search = ends;
        if (!map_has(search + uint64_t{2} * shift, 2)) return map_cut();
        if (static_cast<uint32_t>(code) >= map_u16(search + uint64_t{2} * shift)) search += uint64_t{2} * shift;
        search -= 2;
        for (; selector != 0; --selector) {
            range >>= 1;
            if (!map_has(search + uint64_t{2} * range, 2)) return map_cut();
            if (static_cast<uint32_t>(code) > map_u16(search + uint64_t{2} * range)) search += uint64_t{2} * range;
        }
        search += 2;
        const auto item = static_cast<uint16_t>((search - ends) >> 1);
        if (item >= segments) return damaged("cmap", "segment search leaves the segments");
        const uint64_t starts = ends + uint64_t{2} * segments + 2;
        const uint64_t deltas = starts + uint64_t{2} * segments;
        const uint64_t range_offsets = deltas + uint64_t{2} * segments;
        const uint32_t start = map_u16(starts + uint64_t{2} * item);
        const uint32_t last = map_u16(ends + uint64_t{2} * item);
        if (static_cast<uint32_t>(code) < start || static_cast<uint32_t>(code) > last) return true;
        const uint32_t range_offset = map_u16(range_offsets + uint64_t{2} * item);
        if (range_offset == 0) {
            glyph = static_cast<uint16_t>(code + static_cast<int16_t>(map_u16(deltas + uint64_t{2} * item)));
            return true;
        }
        const uint64_t at = range_offsets + uint64_t{2} * item + range_offset + uint64_t{2} * (code - start);
        if (!map_has(at, 2)) return map_cut();
        glyph = map_u16(at);
        return true;
    }

    bool glyph_in_groups(int32_t code, int64_t& glyph) {
        if (!map_has(0, 16)) return map_cut();
        const uint32_t groups = map_u32(12);
        // The baker's search counts groups in a signed 32-bit number.
        if (static_cast<int32_t>(groups) <= 0) return true;
        if (!map_has(16, uint64_t{12} * groups)) return map_cut();
        int64_t low = 0;
        int64_t high = groups;
        const auto unsigned_code = static_cast<uint32_t>(code);
        while (low < high) {
            const int64_t mid = low + ((high - low) >> 1);
            const uint64_t group = 16 + uint64_t{12} * static_cast<uint64_t>(mid);
            if (unsigned_code < map_u32(group)) {
                high = mid;
            } else if (unsigned_code > map_u32(group + 4)) {
                low = mid + 1;
            } else {
                const uint32_t start_glyph = map_u32(group + 8);
                const uint32_t found = format_ == 12 ? start_glyph + unsigned_code - map_u32(group) : start_glyph;
                glyph = static_cast<int32_t>(found);
                return true;
            }
        }
        return true;
    }

    // [glyphs] ---------------------------------------------------------------

    Bytes glyph_bytes(int64_t glyph) const {
        const uint64_t start = loca_entry(static_cast<uint32_t>(glyph));
        return glyf_.bytes.part(start, loca_entry(static_cast<uint32_t>(glyph) + 1) - start);
    }

    // The advance and side bearing the baker reads for the glyph.
    bool check_metrics(int64_t glyph) {
        if (glyph < long_metrics_) return true;  // inside the long metrics, checked already
        const uint64_t at = uint64_t{4} * long_metrics_ + uint64_t{2} * static_cast<uint64_t>(glyph - long_metrics_);
        if (!hmtx_.bytes.has(at, 2)) return damaged("hmtx", "no side bearing for " + glyph_text(glyph));
        return true;
    }

    // A baked glyph: its metrics, its box (which sizes its bitmap) and its outline.
    bool check_baked_glyph(int64_t glyph) {
        if (glyph < 0 || glyph >= glyph_count_)
            return damaged("cmap", "maps a character to " + glyph_text(glyph) + " of only " +
                                       std::to_string(glyph_count_));
        if (!check_metrics(glyph)) return false;
        const Bytes bytes = glyph_bytes(glyph);
        if (bytes.size != 0 && bytes.has(0, GLYPH_HEADER_BYTES) &&
            (bytes.s16(2) > bytes.s16(6) || bytes.s16(4) > bytes.s16(8)))
            return damaged("glyf", glyph_text(glyph) + " has a box turned inside out");
        GlyphBudget budget;
        Extent extent;
        return check_outline(glyph, 0, budget, extent);
    }

    // Any glyph's outline, simple or composite; `extent` receives where its
    // points lie. An empty glyph has no header and no outline.
    bool check_outline(int64_t glyph, int32_t depth, GlyphBudget& budget, Extent& extent) {
        const Bytes bytes = glyph_bytes(glyph);
        if (bytes.size == 0) return true;
        if (!bytes.has(0, GLYPH_HEADER_BYTES)) return damaged("glyf", glyph_text(glyph) + " is shorter than its header");
        const int16_t contours = bytes.s16(0);
        if (contours > 0) return check_simple(glyph, bytes, contours, budget, extent);
        if (contours < 0) return check_composite(glyph, bytes, depth, budget, extent);
        return true;
    }

    bool check_simple(int64_t glyph, const Bytes& bytes, int32_t contours, GlyphBudget& budget,
                      Extent& extent) {
        const std::string name = glyph_text(glyph);
        const uint64_t ends = GLYPH_HEADER_BYTES;
        if (!bytes.has(ends, uint64_t{2} * contours + 2)) return damaged("glyf", name + " has its contour ends cut off");
        int32_t previous_end = -1;
        for (int32_t c = 0; c < contours; ++c) {
            const int32_t end = bytes.u16(ends + uint64_t{2} * c);
            if (end <= previous_end) return damaged("glyf", name + " has its contour ends out of order");
            previous_end = end;
        }
        const int32_t points = previous_end + 1;
        budget.points -= points;
        if (budget.points < 0) return damaged("glyf", name + " has more points than the baker is allowed");
        const uint64_t instructions = bytes.u16(ends + uint64_t{2} * contours);
        uint64_t at = ends + uint64_t{2} * contours + 2 + instructions;
        std::vector<uint8_t> flags(static_cast<size_t>(points));
        uint8_t flag = 0;
        int32_t repeats = 0;
        for (uint8_t& f : flags) {
            if (repeats == 0) {
                if (!bytes.has(at, 1)) return damaged("glyf", name + " has its point flags cut off");
                flag = bytes.u8(at++);
                if ((flag & REPEAT) != 0) {
                    if (!bytes.has(at, 1)) return damaged("glyf", name + " has its point flags cut off");
                    repeats = bytes.u8(at++);
                }
            } else {
                --repeats;
            }
            f = flag;
        }
        // The baker looks one point ahead from a contour that starts off the
        // curve; from the very last point that would be past its array.
        const int32_t last_start = contours == 1 ? 0 : bytes.u16(ends + uint64_t{2} * (contours - 2)) + 1;
        if (last_start == points - 1 && (flags.back() & ON_CURVE) == 0)
            return damaged("glyf", name + " ends with a lone point off the curve");
        std::vector<int16_t> xs(flags.size());
        std::vector<int16_t> ys(flags.size());
        if (!read_coordinates(bytes, flags, X_IS_BYTE, X_SAME_OR_POSITIVE, at, xs) ||
            !read_coordinates(bytes, flags, Y_IS_BYTE, Y_SAME_OR_POSITIVE, at, ys))
            return damaged("glyf", name + " has its coordinates cut off");
        extent.add(0, 0);
        for (size_t i = 0; i < xs.size(); ++i) extent.add(xs[i], ys[i]);
        return true;
    }

    // One axis of a simple glyph's points, accumulated and kept in 16 bits
    // as the baker keeps them.
    static bool read_coordinates(const Bytes& bytes, const std::vector<uint8_t>& flags, uint8_t is_byte,
                                 uint8_t same_or_positive, uint64_t& at, std::vector<int16_t>& out) {
        int32_t value = 0;
        for (size_t i = 0; i < flags.size(); ++i) {
            if ((flags[i] & is_byte) != 0) {
                if (!bytes.has(at, 1)) return false;
                const int32_t step = bytes.u8(at++);
                value += (flags[i] & same_or_positive) != 0 ? step : -step;
            } else if ((flags[i] & same_or_positive) == 0) {
                if (!bytes.has(at, 2)) return false;
                value += bytes.s16(at);
                at += 2;
            }
            out[i] = static_cast<int16_t>(value);
        }
        return true;
    }

    bool check_composite(int64_t glyph, const Bytes& bytes, int32_t depth, GlyphBudget& budget, Extent& extent) {
        const std::string name = glyph_text(glyph);
        if (depth >= FONT_COMPONENT_DEPTH_LIMIT)
            return damaged("glyf", name + " nests components more than " +
                                       std::to_string(FONT_COMPONENT_DEPTH_LIMIT) + " deep");
        uint64_t at = GLYPH_HEADER_BYTES;
        for (bool more = true; more;) {
            if (--budget.components < 0) return damaged("glyf", name + " has more components than the baker is allowed");
            Placement placement;
            int64_t component = 0;
            uint16_t flags = 0;
            if (!read_component(bytes, at, flags, component, placement))
                return damaged("glyf", name + " has a component cut off");
            if ((flags & ARGS_ARE_XY_VALUES) == 0)
                return damaged("glyf", name + " places a component by point numbers, which the baker cannot do");
            if (component >= glyph_count_)
                return damaged("glyf", name + " has a component " + glyph_text(component) + " of only " +
                                           std::to_string(glyph_count_));
            Extent part;
            if (!check_outline(component, depth + 1, budget, part)) return false;
            if (!part.empty && !place(part, placement, extent))
                return damaged("glyf", name + " moves a component outside 16-bit coordinates");
            more = (flags & MORE_COMPONENTS) != 0;
        }
        return true;
    }

    // One component record, read as the baker reads it.
    static bool read_component(const Bytes& bytes, uint64_t& at, uint16_t& flags, int64_t& component,
                               Placement& placement) {
        if (!bytes.has(at, 4)) return false;
        flags = bytes.u16(at);
        component = bytes.u16(at + 2);
        at += 4;
        float* m = placement.matrix;
        if ((flags & ARGS_ARE_XY_VALUES) != 0) {
            if ((flags & ARGS_ARE_WORDS) != 0) {
                if (!bytes.has(at, 4)) return false;
                m[4] = bytes.s16(at);
                m[5] = bytes.s16(at + 2);
                at += 4;
            } else {
                if (!bytes.has(at, 2)) return false;
                m[4] = static_cast<int8_t>(bytes.u8(at));
                m[5] = static_cast<int8_t>(bytes.u8(at + 1));
                at += 2;
            }
        }
        constexpr float UNIT = 16384.0f;  // 2.14 fixed point
        if ((flags & HAVE_A_SCALE) != 0) {
            if (!bytes.has(at, 2)) return false;
            m[0] = m[3] = bytes.s16(at) / UNIT;
            m[1] = m[2] = 0;
            at += 2;
        } else if ((flags & HAVE_X_AND_Y_SCALE) != 0) {
            if (!bytes.has(at, 4)) return false;
            m[0] = bytes.s16(at) / UNIT;
            m[1] = m[2] = 0;
            m[3] = bytes.s16(at + 2) / UNIT;
            at += 4;
        } else if ((flags & HAVE_TWO_BY_TWO) != 0) {
            if (!bytes.has(at, 8)) return false;
            for (int i = 0; i < 4; ++i) m[i] = bytes.s16(at + 2 * static_cast<uint64_t>(i)) / UNIT;
            at += 8;
        }
        return true;
    }

    // Adds the placed component's extent to `extent`; false when a corner
    // (and so some point) would leave 16-bit coordinates.
    static bool place(const Extent& part, const Placement& placement, Extent& extent) {
        for (double x : {part.min_x, part.max_x}) {
            for (double y : {part.min_y, part.max_y}) {
                double placed_x = 0.0;
                double placed_y = 0.0;
                placement.apply(x, y, placed_x, placed_y);
                if (std::fabs(placed_x) > COORDINATE_LIMIT || std::fabs(placed_y) > COORDINATE_LIMIT) return false;
                extent.add(std::trunc(placed_x), std::trunc(placed_y));
            }
        }
        return true;
    }

    // [check] ----------------------------------------------------------------

    bool check_characters() {
        for (int32_t code = FONT_FIRST_CHAR; code < FONT_FIRST_CHAR + FONT_CHAR_COUNT; ++code) {
            int64_t glyph = 0;
            if (!glyph_for(code, glyph) || !check_baked_glyph(glyph)) return false;
        }
        return check_outlines_inside_boxes();
    }

    // The baker sizes each glyph's bitmap by the box in the glyph's header
    // and trusts the outline to lie inside it: an edge above the box can
    // trip its rasteriser's assertions. Every font made by a font tool
    // keeps its outlines inside their boxes. Now that every path is known
    // to be safe, the outlines are taken from the baker itself, exactly as
    // it will rasterise them.
    bool check_outlines_inside_boxes() {
        stbtt_fontinfo info{};
        if (stbtt_InitFont(&info, data_.data(), static_cast<int>(font_offset_)) == 0) return not_a_font();
        for (int32_t code = FONT_FIRST_CHAR; code < FONT_FIRST_CHAR + FONT_CHAR_COUNT; ++code) {
            const int glyph = stbtt_FindGlyphIndex(&info, code);
            int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
            if (stbtt_GetGlyphBox(&info, glyph, &x0, &y0, &x1, &y1) == 0) continue;
            stbtt_vertex* vertices = nullptr;
            const int count = stbtt_GetGlyphShape(&info, glyph, &vertices);
            const auto inside = [&](int x, int y) { return x >= x0 && x <= x1 && y >= y0 && y <= y1; };
            bool all_inside = true;
            for (int i = 0; i < count && all_inside; ++i) {
                const stbtt_vertex& v = vertices[i];
                all_inside = inside(v.x, v.y) && (v.type != STBTT_vcurve || inside(v.cx, v.cy));
            }
            stbtt_FreeShape(&info, vertices);
            if (!all_inside) return damaged("glyf", glyph_text(glyph) + " has its outline outside its box");
        }
        return true;
    }

    const std::vector<uint8_t>& data_;
    FontCheck result_;
    uint64_t font_offset_ = 0;
    Table cmap_, loca_, head_, glyf_, hhea_, hmtx_, maxp_;
    uint32_t long_offsets_ = 0;  // head's indexToLocFormat: 0 short, 1 long
    uint32_t glyph_count_ = 0;
    uint32_t long_metrics_ = 0;  // hhea's numberOfHMetrics
    uint64_t subtable_ = 0;      // the used cmap subtable, from the start of cmap
    uint16_t format_ = 0;
};
}  // namespace

// ---------------------------------------------------------------------------
// [reading]

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

// ---------------------------------------------------------------------------
// [check]

FontCheck check_font_data(const std::vector<uint8_t>& data) { return FontChecker(data).run(); }

// ---------------------------------------------------------------------------
// [baking]

namespace {
// How closely the largest height that fits is sought.
constexpr double HEIGHT_STEP = 1.0 / 16;

// Whether every character fits a side x side atlas at this scale, packed as
// stbtt_BakeFontBitmap packs them: left to right in rows from the top, one
// pixel apart and one from the edges, a new row under the tallest glyph of
// the last. Asking this spares clearing and filling atlases of up to
// 256 MiB to find the size; the baker's own count stays the last word.
bool glyphs_fit(const stbtt_fontinfo& info, float scale, int32_t side) {
    int x = 1, y = 1, bottom = 1;
    for (int32_t i = 0; i < FONT_CHAR_COUNT; ++i) {
        int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
        stbtt_GetGlyphBitmapBox(&info, stbtt_FindGlyphIndex(&info, FONT_FIRST_CHAR + i), scale, scale, &x0, &y0,
                                &x1, &y1);
        const int width = x1 - x0, height = y1 - y0;
        if (x + width + 1 >= side) {
            x = 1;
            y = bottom;
        }
        if (width > side - 2 || y + height + 1 >= side) return false;
        x += width + 1;
        bottom = std::max(bottom, y + height + 1);
    }
    return true;
}
}  // namespace

FontAtlasBake bake_font_atlas(const std::vector<uint8_t>& data, int32_t font_offset, double pixel_height,
                              int32_t side_limit, std::vector<uint8_t>* atlas, stbtt_bakedchar* glyphs) {
    if (!(pixel_height > 0.0 && pixel_height <= FONT_PIXEL_HEIGHT_LIMIT)) return {};
    FontAtlasBake bake{FONT_ATLAS_SIZE, pixel_height, 0};
    stbtt_fontinfo info{};
    const bool font = stbtt_InitFont(&info, data.data(), font_offset) != 0;
    const auto fit = [&](double height, int32_t side) {
        return glyphs_fit(info, stbtt_ScaleForPixelHeight(&info, static_cast<float>(height)), side);
    };
    if (font) {
        const int32_t largest = std::clamp(side_limit, FONT_ATLAS_SIZE, FONT_ATLAS_SIDE_LIMIT);
        while (!fit(pixel_height, bake.side) && bake.side * 2 <= largest) bake.side *= 2;
        if (!fit(pixel_height, bake.side)) {
            // Halving the interval between a height that fits (or the
            // smallest one tried) and one that does not.
            double low = std::min(1.0, pixel_height), high = pixel_height;
            while (high - low > HEIGHT_STEP) {
                const double middle = (low + high) / 2;
                if (fit(middle, bake.side)) low = middle;
                else high = middle;
            }
            bake.baked_height = low;
        }
    }
    atlas->assign(static_cast<size_t>(bake.side) * static_cast<size_t>(bake.side), 0);
    std::fill(glyphs, glyphs + FONT_CHAR_COUNT, stbtt_bakedchar{});
    if (!font) return bake;
    // The baker asserts that a glyph fits across the atlas after moving to
    // a new row, where it starts one pixel in and leaves one free: wider
    // glyphs end the baking, as glyphs that do not fit below do.
    const auto height = static_cast<float>(bake.baked_height);
    const float scale = stbtt_ScaleForPixelHeight(&info, height);
    int32_t count = 0;
    for (; count < FONT_CHAR_COUNT; ++count) {
        int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
        stbtt_GetGlyphBitmapBox(&info, stbtt_FindGlyphIndex(&info, FONT_FIRST_CHAR + count), scale, scale, &x0,
                                &y0, &x1, &y1);
        if (x1 - x0 > bake.side - 2) break;
    }
    const int rows = stbtt_BakeFontBitmap(data.data(), font_offset, height, atlas->data(), bake.side, bake.side,
                                          FONT_FIRST_CHAR, count, glyphs);
    // A result of 0 or below counts the characters placed before one did
    // not fit; above 0, all of them fitted.
    bake.placed = rows > 0 ? count : -rows;
    return bake;
}
