// The capture's context from Mesa's EGL on its surfaceless platform: a
// desktop OpenGL compatibility context current without any surface, which
// needs no display server of any kind.
#include <EGL/egl.h>
#include <EGL/eglext.h>

#include <array>
#include <cstdio>

#include "tools/capture/gl_context.h"

namespace {
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
    // Desktop OpenGL with the fixed-function pipeline; no config, as the
    // context never meets a surface.
    const EGLint attributes[] = {EGL_CONTEXT_OPENGL_PROFILE_MASK,
                                 EGL_CONTEXT_OPENGL_COMPATIBILITY_PROFILE_BIT, EGL_NONE};
    EGLContext gl = EGL_NO_CONTEXT;
    if (eglBindAPI(EGL_OPENGL_API) == EGL_TRUE)
        gl = eglCreateContext(display, EGL_NO_CONFIG_KHR, EGL_NO_CONTEXT, attributes);
    if (gl == EGL_NO_CONTEXT) {
        why = egl_failure("eglCreateContext");
        eglTerminate(display);
        return false;
    }
    if (eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, gl) != EGL_TRUE) {
        why = egl_failure("eglMakeCurrent");
        eglDestroyContext(display, gl);
        eglTerminate(display);
        return false;
    }
    context.egl_display = display;
    context.egl_context = gl;
    context.kind = ContextChoice::egl;
    context.description = "EGL (Mesa surfaceless)";
    return true;
}

void close_egl_context(GlContext& context) {
    if (context.egl_display == nullptr) return;
    eglMakeCurrent(context.egl_display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    if (context.egl_context != nullptr) eglDestroyContext(context.egl_display, context.egl_context);
    eglTerminate(context.egl_display);
    eglReleaseThread();
    context.egl_display = nullptr;
    context.egl_context = nullptr;
}
