#include "gui/image_resize.h"

#include <stb/stb_image_resize.h>

#include <algorithm>

namespace {
constexpr int32_t RGBA_CHANNELS = 4;
}

ImageSize texture_upload_size(int32_t width, int32_t height) {
    return {std::min(width, TEXTURE_SIDE_LIMIT), std::min(height, TEXTURE_SIDE_LIMIT)};
}

std::vector<uint8_t> resize_rgba(const uint8_t* pixels, int32_t width, int32_t height,
                                 int32_t new_width, int32_t new_height) {
    if (pixels == nullptr || width <= 0 || height <= 0 || new_width <= 0 || new_height <= 0)
        return {};
    std::vector<uint8_t> resized(static_cast<size_t>(new_width) * new_height * RGBA_CHANNELS);
    // A stride of 0 tells the resizer the rows are tightly packed.
    if (stbir_resize_uint8(pixels, width, height, 0, resized.data(), new_width, new_height, 0,
                           RGBA_CHANNELS) == 0)
        return {};
    return resized;
}
