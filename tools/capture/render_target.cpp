#include "tools/capture/render_target.h"

#define GL_GLEXT_PROTOTYPES 1
#include <GL/gl.h>
#include <GL/glext.h>

#include <algorithm>
#include <cstdio>

RenderTarget* RenderTarget::create(int32_t width, int32_t height) {
    GLint largest = 0;
    glGetIntegerv(GL_MAX_RENDERBUFFER_SIZE, &largest);
    GLint viewport_limit[2] = {0, 0};
    glGetIntegerv(GL_MAX_VIEWPORT_DIMS, viewport_limit);
    const GLint limit = std::min({largest, viewport_limit[0], viewport_limit[1]});
    if (width <= 0 || height <= 0 || width > limit || height > limit) {
        std::fprintf(stderr, "morva-capture: cannot draw %d x %d pixels: this OpenGL draws at most %d on a side\n",
                     width, height, limit);
        return nullptr;
    }
    auto* target = new RenderTarget{};
    target->width = width;
    target->height = height;
    glGenFramebuffers(1, &target->framebuffer);
    glBindFramebuffer(GL_FRAMEBUFFER, target->framebuffer);
    glGenRenderbuffers(1, &target->color);
    glBindRenderbuffer(GL_RENDERBUFFER, target->color);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, width, height);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, target->color);
    glGenRenderbuffers(1, &target->depth);
    glBindRenderbuffer(GL_RENDERBUFFER, target->depth);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT24, width, height);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, target->depth);
    if (glCheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) {
        std::fprintf(stderr, "morva-capture: cannot make an off-screen frame of %d x %d pixels\n", width, height);
        destroy(target);
        return nullptr;
    }
    glDrawBuffer(GL_COLOR_ATTACHMENT0);
    glReadBuffer(GL_COLOR_ATTACHMENT0);
    return target;
}

void RenderTarget::destroy(RenderTarget* target) {
    if (target == nullptr) return;
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glDeleteRenderbuffers(1, &target->depth);
    glDeleteRenderbuffers(1, &target->color);
    glDeleteFramebuffers(1, &target->framebuffer);
    delete target;
}

void RenderTarget::bind() const {
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    glDrawBuffer(GL_COLOR_ATTACHMENT0);
    glReadBuffer(GL_COLOR_ATTACHMENT0);
}

void RenderTarget::read(std::vector<uint8_t>& rgba) const {
    const size_t row = static_cast<size_t>(width) * 4;
    std::vector<uint8_t> bottom_up(row * static_cast<size_t>(height));
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, bottom_up.data());
    rgba.resize(bottom_up.size());
    for (int32_t y = 0; y < height; ++y)
        std::copy_n(bottom_up.data() + static_cast<size_t>(height - 1 - y) * row, row,
                    rgba.data() + static_cast<size_t>(y) * row);
}
