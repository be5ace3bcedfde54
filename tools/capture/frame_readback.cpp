#include "tools/capture/frame_readback.h"

#include <GL/gl.h>

#include <algorithm>

void read_frame(int32_t width, int32_t height, std::vector<uint8_t>& rgba) {
    const size_t row = static_cast<size_t>(width) * 4;
    std::vector<uint8_t> bottom_up(row * static_cast<size_t>(height));
    glFinish();
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, bottom_up.data());
    rgba.resize(bottom_up.size());
    for (int32_t y = 0; y < height; ++y)
        std::copy_n(bottom_up.data() + static_cast<size_t>(height - 1 - y) * row, row,
                    rgba.data() + static_cast<size_t>(y) * row);
}
