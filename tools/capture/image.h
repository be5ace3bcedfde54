#pragma once

#include <cstdint>
#include <string>
#include <vector>

// A picture in memory: 8-bit RGBA rows from the top. The fields are the
// plain reads.
struct Image {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint8_t> rgba;

    static Image filled(int32_t width, int32_t height, uint8_t red, uint8_t green, uint8_t blue);
    // Copies `source` with its top-left corner at (x, y), clipped to this image.
    void paste(const Image& source, int32_t x, int32_t y);
};

// A frame as OpenGL reads it back, RGBA rows from the bottom, drawn at
// `factor` times the picture's width and height: the picture the right
// way up, each of its pixels the rounded mean of the factor x factor
// pixels it covers (a box filter, which smooths the drawn edges). A factor
// of 1 only turns the rows over.
Image image_from_readback(const std::vector<uint8_t>& bottom_up, int32_t drawn_width, int32_t drawn_height,
                          int32_t factor);

// The image's colours without alpha, rows from the top: rgb24.
std::vector<uint8_t> rgb_bytes(const Image& image);

// The image's colours (alpha left out) as PNG bytes; the same pixels always
// give the same bytes.
std::vector<uint8_t> png_bytes(const Image& image);

// Writes the image as an RGB PNG file; 1, or 0 with one line on standard
// error when the file cannot be written.
int32_t write_png(const std::string& path, const Image& image);
