#include "tools/capture/image.h"

#include <stb/stb_image_write.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {
std::vector<uint8_t> rgb_of(const Image& image) {
    const size_t pixels = static_cast<size_t>(image.width) * static_cast<size_t>(image.height);
    std::vector<uint8_t> rgb(pixels * 3);
    for (size_t i = 0; i < pixels; ++i) std::copy_n(&image.rgba[i * 4], 3, &rgb[i * 3]);
    return rgb;
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

std::vector<uint8_t> png_bytes(const Image& image) {
    std::vector<uint8_t> bytes;
    const std::vector<uint8_t> rgb = rgb_of(image);
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
