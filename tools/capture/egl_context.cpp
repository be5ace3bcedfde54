// The capture's context from Mesa's EGL on its surfaceless platform, which
// needs no display server of any kind: a desktop OpenGL compatibility
// context drawing into a pbuffer of the frame's size.
#include <EGL/egl.h>
#include <EGL/eglext.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <vector>

#include "tools/capture/gl_context.h"

namespace {
EGLint attribute_of(EGLDisplay display, EGLConfig config, EGLint name) {
    EGLint value = 0;
    eglGetConfigAttrib(display, config, name, &value);
    return value;
}

// A pbuffer config for desktop OpenGL with 8-bit red, green and blue, as
// the show's window has: without alpha if there is one, and with the
// deepest depth buffer. None when there is no such config.
EGLConfig frame_config(EGLDisplay display) {
    EGLint count = 0;
    eglGetConfigs(display, nullptr, 0, &count);
    std::vector<EGLConfig> configs(static_cast<size_t>(std::max(count, 0)));
    eglGetConfigs(display, configs.data(), count, &count);
    EGLConfig best = nullptr;
    EGLint best_score = -1;
    for (EGLConfig config : configs) {
        if ((attribute_of(display, config, EGL_SURFACE_TYPE) & EGL_PBUFFER_BIT) == 0) continue;
        if ((attribute_of(display, config, EGL_RENDERABLE_TYPE) & EGL_OPENGL_BIT) == 0) continue;
        if (attribute_of(display, config, EGL_RED_SIZE) != 8 || attribute_of(display, config, EGL_GREEN_SIZE) != 8 ||
            attribute_of(display, config, EGL_BLUE_SIZE) != 8)
            continue;
        const EGLint score =
            (attribute_of(display, config, EGL_ALPHA_SIZE) == 0 ? 100 : 0) + attribute_of(display, config, EGL_DEPTH_SIZE);
        if (score > best_score) {
            best = config;
            best_score = score;
        }
    }
    return best;
}

std::string egl_failure(const char* step) {
    std::array<char, 96> text{};
    std::snprintf(text.data(), text.size(), "%s failed (EGL error 0x%04x)", step,
                  static_cast<unsigned>(eglGetError()));
    return text.data();
}
}  // namespace

bool open_egl_context(GlContext& context, std::string& why) {
    const char* client_extensions = eglQueryString(EGL_NO_DISPLAY, EGL_EXTENSIONS);
    const std::string extensions = client_extensions != nullptr ? client_extensions : "";
    if (extensions.find("EGL_MESA_platform_surfaceless") == std::string::npos) {
        why = "EGL has no surfaceless platform";
        return false;
    }
    auto get_platform_display =
        reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(eglGetProcAddress("eglGetPlatformDisplayEXT"));
    if (get_platform_display == nullptr) {
        why = "EGL cannot open platform displays";
        return false;
    }
    EGLDisplay display = get_platform_display(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
    EGLint major = 0, minor = 0;
    if (display == EGL_NO_DISPLAY || eglInitialize(display, &major, &minor) != EGL_TRUE) {
        why = egl_failure("eglInitialize");
        return false;
    }
    EGLConfig config = frame_config(display);
    if (config == nullptr) {
        why = "EGL has no pbuffer with 8-bit colours for desktop OpenGL";
        eglTerminate(display);
        return false;
    }
    const EGLint size[] = {EGL_WIDTH, context.width, EGL_HEIGHT, context.height, EGL_NONE};
    EGLSurface frame = eglCreatePbufferSurface(display, config, size);
    if (frame == EGL_NO_SURFACE) {
        why = egl_failure("eglCreatePbufferSurface");
        eglTerminate(display);
        return false;
    }
    // Desktop OpenGL with the fixed-function pipeline.
    const EGLint attributes[] = {EGL_CONTEXT_OPENGL_PROFILE_MASK,
                                 EGL_CONTEXT_OPENGL_COMPATIBILITY_PROFILE_BIT, EGL_NONE};
    EGLContext gl = EGL_NO_CONTEXT;
    if (eglBindAPI(EGL_OPENGL_API) == EGL_TRUE) gl = eglCreateContext(display, config, EGL_NO_CONTEXT, attributes);
    if (gl == EGL_NO_CONTEXT || eglMakeCurrent(display, frame, frame, gl) != EGL_TRUE) {
        why = egl_failure(gl == EGL_NO_CONTEXT ? "eglCreateContext" : "eglMakeCurrent");
        if (gl != EGL_NO_CONTEXT) eglDestroyContext(display, gl);
        eglDestroySurface(display, frame);
        eglTerminate(display);
        return false;
    }
    context.egl_display = display;
    context.egl_context = gl;
    context.egl_surface = frame;
    context.kind = ContextChoice::egl;
    context.description = "EGL (Mesa surfaceless)";
    return true;
}

void close_egl_context(GlContext& context) {
    if (context.egl_display == nullptr) return;
    eglMakeCurrent(context.egl_display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    if (context.egl_context != nullptr) eglDestroyContext(context.egl_display, context.egl_context);
    if (context.egl_surface != nullptr) eglDestroySurface(context.egl_display, context.egl_surface);
    eglTerminate(context.egl_display);
    eglReleaseThread();
    context.egl_display = nullptr;
    context.egl_context = nullptr;
    context.egl_surface = nullptr;
}
