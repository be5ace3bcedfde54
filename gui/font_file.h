#pragma once

#include <cstdint>
#include <vector>

// Font files are read whole; anything larger than this is refused rather
// than held in memory (the largest common font collections are a few tens
// of MiB).
inline constexpr int64_t FONT_FILE_LIMIT_BYTES = 64 * 1024 * 1024;

enum class FontFileStatus {
    ok,
    unopenable,   // fopen failed
    read_failed,  // opened, but reading failed (a folder, an I/O error)
    too_large,    // longer than FONT_FILE_LIMIT_BYTES
    not_a_font,   // no TrueType or OpenType header, or the font cannot be set up
    damaged,      // the header names tables that lie outside the file
};

// Reads a whole file into `data`.
FontFileStatus read_font_file(const char* path, std::vector<uint8_t>* data);

// Checks that data holds a font the baker can use without reading past the
// end: a recognised header, a table directory and every table inside the
// data, and tables the rasteriser accepts. On ok, `font_offset` is where
// the first font starts (0, or inside a collection).
FontFileStatus check_font_data(const std::vector<uint8_t>& data, int32_t* font_offset);
