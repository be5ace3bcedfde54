#include "tools/capture/frame_readback.h"

#include <GL/gl.h>

#include <cstddef>

void read_back_frame(int32_t width, int32_t height, std::vector<uint8_t>& bottom_up) {
    bottom_up.resize(static_cast<size_t>(width) * static_cast<size_t>(height) * 4);
    glFinish();
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, bottom_up.data());
}
