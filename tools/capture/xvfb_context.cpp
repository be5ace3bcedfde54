// The capture's context on a private Xvfb it starts itself: for machines
// whose EGL cannot give a surfaceless desktop context. The frame is a
// window of the frame's size that is never mapped, with a visual chosen as
// the show's GLUT window chooses its own.
#include <string>

#include "app/x11.h"
#include "tools/capture/gl_context.h"
#include "tools/xvfb/xvfb.h"

namespace {
bool make_glx_context(GlContext& context, Display* display, std::string& why) {
    int attributes[] = {GLX_RGBA, GLX_DOUBLEBUFFER, GLX_DEPTH_SIZE, 1, 0};
    XVisualInfo* visual = glXChooseVisual(display, DefaultScreen(display), attributes);
    if (visual == nullptr) {
        why = "the Xvfb offers no OpenGL visual";
        return false;
    }
    const XWindow root = RootWindow(display, visual->screen);
    XSetWindowAttributes window_attributes{};
    window_attributes.colormap = XCreateColormap(display, root, visual->visual, AllocNone);
    const XWindow window = XCreateWindow(display, root, 0, 0, static_cast<unsigned>(context.width),
                                         static_cast<unsigned>(context.height), 0, visual->depth, InputOutput,
                                         visual->visual, CWColormap, &window_attributes);
    GLXContext gl = glXCreateContext(display, visual, nullptr, 1);
    XFree(visual);
    if (gl == nullptr || glXMakeCurrent(display, window, gl) == 0) {
        if (gl != nullptr) glXDestroyContext(display, gl);
        XDestroyWindow(display, window);
        why = "no GLX context on the Xvfb";
        return false;
    }
    context.x_window = window;
    context.glx_context = gl;
    return true;
}
}  // namespace

bool open_xvfb_context(GlContext& context, std::string& why) {
    XvfbProcess server = start_xvfb({"-screen", "0", "1280x720x24", "-nolisten", "tcp"}, false);
    if (server.display.empty()) {
        why = "Xvfb did not start (is it installed?)";
        return false;
    }
    const std::string& name = server.display;
    Display* display = XOpenDisplay(name.c_str());
    if (display == nullptr) {
        why = "cannot connect to the Xvfb on " + name;
        stop_xvfb(server);
        return false;
    }
    if (!make_glx_context(context, display, why)) {
        XCloseDisplay(display);
        stop_xvfb(server);
        return false;
    }
    context.xvfb_pid = server.pid;
    context.x_display = display;
    context.kind = ContextChoice::xvfb;
    context.description = "a private Xvfb on " + name + " with GLX";
    return true;
}

void close_xvfb_context(GlContext& context) {
    auto* display = static_cast<Display*>(context.x_display);
    if (display != nullptr) {
        glXMakeCurrent(display, 0, nullptr);
        if (context.glx_context != nullptr) glXDestroyContext(display, static_cast<GLXContext>(context.glx_context));
        if (context.x_window != 0) XDestroyWindow(display, context.x_window);
        XCloseDisplay(display);
    }
    stop_process(context.xvfb_pid);
    context.x_display = nullptr;
    context.glx_context = nullptr;
    context.x_window = 0;
    context.xvfb_pid = -1;
}
