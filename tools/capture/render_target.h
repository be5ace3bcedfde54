#pragma once

#include <cstdint>
#include <vector>

// An off-screen frame of width x height pixels (8-bit RGBA colour and a
// 24-bit depth buffer, as the show's window has) in a framebuffer object of
// the current OpenGL context; while bound, all drawing goes into it. The
// fields are the plain reads.
struct RenderTarget {
    int32_t width = 0;
    int32_t height = 0;
    uint32_t framebuffer = 0;
    uint32_t color = 0;  // renderbuffers
    uint32_t depth = 0;

    // Makes and binds the target. None, with one line on standard error,
    // when the size is more than the context can draw or the framebuffer
    // cannot be completed.
    static RenderTarget* create(int32_t width, int32_t height);
    static void destroy(RenderTarget* target);

    void bind() const;
    // What has been drawn, as RGBA rows from the top of the frame.
    void read(std::vector<uint8_t>& rgba) const;
};
