#include "tools/capture/image.h"

#include <stb/stb_image_write.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {
// One row of the picture from `factor` rows of the drawing, top first.
void shrink_rows(const uint8_t* const* rows, int32_t width, int32_t factor, uint8_t* out) {
    const auto area = static_cast<uint32_t>(factor * factor);
    for (int32_t x = 0; x < width; ++x) {
        std::array<uint32_t, 4> sum{};
        for (int32_t dy = 0; dy < factor; ++dy) {
            const uint8_t* pixel = rows[dy] + static_cast<size_t>(x) * factor * 4;
            for (int32_t dx = 0; dx < factor; ++dx, pixel += 4)
                for (size_t c = 0; c < 4; ++c) sum[c] += pixel[c];
        }
        for (size_t c = 0; c < 4; ++c) out[static_cast<size_t>(x) * 4 + c] = static_cast<uint8_t>((sum[c] + area / 2) / area);
    }
}

void append_bytes(void* context, void* data, int size) {
    auto* bytes = static_cast<std::vector<uint8_t>*>(context);
    const auto* first = static_cast<const uint8_t*>(data);
    bytes->insert(bytes->end(), first, first + size);
}
}  // namespace

Image Image::filled(int32_t width, int32_t height, uint8_t red, uint8_t green, uint8_t blue) {
    Image image;
    image.width = std::max(0, width);
    image.height = std::max(0, height);
    image.rgba.resize(static_cast<size_t>(image.width) * static_cast<size_t>(image.height) * 4);
    for (size_t i = 0; i < image.rgba.size(); i += 4) {
        image.rgba[i] = red;
        image.rgba[i + 1] = green;
        image.rgba[i + 2] = blue;
        image.rgba[i + 3] = 255;
    }
    return image;
}

void Image::paste(const Image& source, int32_t x, int32_t y) {
    const int32_t left = std::max(0, x), right = std::min(width, x + source.width);
    if (left >= right) return;
    for (int32_t row = std::max(0, y); row < std::min(height, y + source.height); ++row) {
        const uint8_t* from = &source.rgba[(static_cast<size_t>(row - y) * source.width + (left - x)) * 4];
        std::copy_n(from, static_cast<size_t>(right - left) * 4, &rgba[(static_cast<size_t>(row) * width + left) * 4]);
    }
}

Image image_from_readback(const std::vector<uint8_t>& bottom_up, int32_t drawn_width, int32_t drawn_height,
                          int32_t factor) {
    Image image;
    image.width = drawn_width / factor;
    image.height = drawn_height / factor;
    image.rgba.resize(static_cast<size_t>(image.width) * static_cast<size_t>(image.height) * 4);
    const size_t drawn_row = static_cast<size_t>(drawn_width) * 4, row = static_cast<size_t>(image.width) * 4;
    std::vector<const uint8_t*> rows(static_cast<size_t>(factor));
    for (int32_t y = 0; y < image.height; ++y) {
        uint8_t* out = image.rgba.data() + static_cast<size_t>(y) * row;
        for (int32_t dy = 0; dy < factor; ++dy)
            rows[static_cast<size_t>(dy)] = bottom_up.data() + static_cast<size_t>(drawn_height - 1 - (y * factor + dy)) * drawn_row;
        if (factor == 1) std::copy_n(rows[0], row, out);
        else shrink_rows(rows.data(), image.width, factor, out);
    }
    return image;
}

std::vector<uint8_t> rgb_bytes(const Image& image) {
    const size_t pixels = static_cast<size_t>(image.width) * static_cast<size_t>(image.height);
    std::vector<uint8_t> rgb(pixels * 3);
    for (size_t i = 0; i < pixels; ++i) std::copy_n(&image.rgba[i * 4], 3, &rgb[i * 3]);
    return rgb;
}

std::vector<uint8_t> png_bytes(const Image& image) {
    std::vector<uint8_t> bytes;
    const std::vector<uint8_t> rgb = rgb_bytes(image);
    stbi_write_png_to_func(append_bytes, &bytes, image.width, image.height, 3, rgb.data(), image.width * 3);
    return bytes;
}

int32_t write_png(const std::string& path, const Image& image) {
    const std::vector<uint8_t> bytes = png_bytes(image);
    std::FILE* file = bytes.empty() ? nullptr : std::fopen(path.c_str(), "wb");
    const bool written = file != nullptr && std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    const int saved_errno = errno;
    const bool closed = file != nullptr && std::fclose(file) == 0;
    if (!written || !closed) {
        std::fprintf(stderr, "morva-capture: cannot write %s: %s\n", path.c_str(),
                     bytes.empty() ? "the image could not be encoded" : std::strerror(saved_errno));
        return 0;
    }
    return 1;
}
