#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>

// Where the capture's OpenGL context comes from.
enum class ContextChoice {
    automatic,  // EGL if it works, else a private Xvfb
    egl,        // Mesa's EGL on its surfaceless platform: no X server at all
    xvfb,       // a private Xvfb started for the purpose, with GLX
};

// A desktop OpenGL context (compatibility profile, for the fixed-function
// drawing) made current on the calling thread, drawing into a frame of
// width x height pixels that is on nobody's screen: an EGL pbuffer, or a
// window of the Xvfb that is never mapped. The frame is made as the show's
// window is (8-bit red, green and blue without alpha, and the deepest depth
// buffer on offer), because llvmpipe rounds colours by the frame's format:
// in a framebuffer object of another format the figure's shading came out
// a unit off in some pixels. The fields are the plain reads; the handles
// are opaque.
struct GlContext {
    ContextChoice kind = ContextChoice::automatic;  // egl or xvfb once made
    std::string description;  // one line: what was used, and the renderer
    int32_t width = 0;        // the frame
    int32_t height = 0;
    // EGL.
    void* egl_display = nullptr;
    void* egl_context = nullptr;
    void* egl_surface = nullptr;
    // The private Xvfb and the GLX context on it.
    pid_t xvfb_pid = -1;
    void* x_display = nullptr;
    uint64_t x_window = 0;
    void* glx_context = nullptr;

    // Makes a context as chosen, current. With the automatic choice EGL is
    // tried first and its failure only noted. None, with one line on
    // standard error, when nothing worked.
    static GlContext* create(ContextChoice choice, int32_t width, int32_t height);
    // Releases the context, and stops the Xvfb if one was started.
    static void destroy(GlContext* context);
};

// The two ways, each filling the context's own fields for a frame of the
// context's width and height; false with the reason in `why` (and nothing
// left to release) when it cannot be made.
bool open_egl_context(GlContext& context, std::string& why);
void close_egl_context(GlContext& context);
bool open_xvfb_context(GlContext& context, std::string& why);
void close_xvfb_context(GlContext& context);
