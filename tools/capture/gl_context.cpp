#include "tools/capture/gl_context.h"

#include <GL/gl.h>

#include <cstdio>

namespace {
std::string renderer_name() {
    const auto* renderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
    return renderer != nullptr ? renderer : "an unknown renderer";
}
}  // namespace

GlContext* GlContext::create(ContextChoice choice, int32_t width, int32_t height) {
    auto* context = new GlContext{};
    context->width = width;
    context->height = height;
    std::string egl_why, xvfb_why;
    bool made = false;
    if (choice != ContextChoice::xvfb) made = open_egl_context(*context, egl_why);
    if (!made && choice != ContextChoice::egl) made = open_xvfb_context(*context, xvfb_why);
    if (!made) {
        std::string reasons;
        if (!egl_why.empty()) reasons += "EGL: " + egl_why;
        if (!xvfb_why.empty()) reasons += (reasons.empty() ? "" : "; ") + std::string("Xvfb: ") + xvfb_why;
        std::fprintf(stderr, "morva-capture: no OpenGL context: %s\n", reasons.c_str());
        delete context;
        return nullptr;
    }
    GLint largest[2] = {0, 0};
    glGetIntegerv(GL_MAX_VIEWPORT_DIMS, largest);
    if (width > largest[0] || height > largest[1]) {
        std::fprintf(stderr, "morva-capture: cannot draw %d x %d pixels: this OpenGL draws at most %d x %d\n", width,
                     height, largest[0], largest[1]);
        destroy(context);
        return nullptr;
    }
    context->description += ", " + renderer_name();
    if (!egl_why.empty()) context->description += " (EGL: " + egl_why + ")";
    return context;
}

void GlContext::destroy(GlContext* context) {
    if (context == nullptr) return;
    if (context->kind == ContextChoice::egl) close_egl_context(*context);
    if (context->kind == ContextChoice::xvfb) close_xvfb_context(*context);
    delete context;
}
