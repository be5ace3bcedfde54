#pragma once

#include <cstdint>
#include <vector>

// Textures are kept to at most this many pixels on a side; every OpenGL
// implementation the toolkit meets accepts that.
inline constexpr int32_t TEXTURE_SIDE_LIMIT = 4096;

// The size an image of width x height is uploaded at: each side clamped to
// TEXTURE_SIDE_LIMIT on its own, so the aspect ratio may change.
struct ImageSize {
    int32_t width = 0;
    int32_t height = 0;
};
ImageSize texture_upload_size(int32_t width, int32_t height);

// Linear resize of tightly packed 8-bit RGBA pixels to new_width x
// new_height. Empty when a size is not positive or the resize fails.
std::vector<uint8_t> resize_rgba(const uint8_t* pixels, int32_t width, int32_t height,
                                 int32_t new_width, int32_t new_height);
