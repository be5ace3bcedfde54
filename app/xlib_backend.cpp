#include "app/xlib_backend.h"

#include <GL/freeglut.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cinttypes>
#include <cmath>
#include <cstdio>

#include "app/frame.h"
#include "app/swap_interval.h"
#include "app/window.h"
#include "app/x11.h"

namespace {
// Keys, buttons, pointer motion, exposures and structure changes (map, resize).
constexpr long EVENT_MASK = KeyPressMask | KeyReleaseMask | ButtonPressMask | ButtonReleaseMask |
                            PointerMotionMask | ExposureMask | StructureNotifyMask;
static_assert(EVENT_MASK == 0x2804F);
constexpr unsigned long ATTRIBUTE_MASK = CWColormap | CWEventMask;
static_assert(ATTRIBUTE_MASK == 0x2800);

// RGBA, double buffered, a 24-bit depth buffer; the list ends with None (0).
constexpr std::array<int, 5> VISUAL_ATTRIBUTES{GLX_RGBA, GLX_DOUBLEBUFFER, GLX_DEPTH_SIZE, 24, 0};

constexpr XWindow NO_WINDOW = 0;
constexpr int DIRECT_RENDERING = 1;
constexpr useconds_t PUMP_PAUSE_US = 10;

// The window of the backend created last; see current_xlib_window.
Window* current_window = nullptr;

Display* display_of(const XlibBackend& backend) { return static_cast<Display*>(backend.display); }

GLXContext context_of(const XlibBackend& backend) { return static_cast<GLXContext>(backend.context); }

// Reports every X protocol error on one line and lets the program go on.
int report_x_error(Display* display, XErrorEvent* error) {
    std::array<char, 1024> text{};
    XGetErrorText(display, error->error_code, text.data(), static_cast<int>(text.size()));
    std::fprintf(stderr, "X11 error %d: %s\n", error->error_code, text.data());
    return 0;
}

Display* open_display() {
    Display* display = XOpenDisplay(nullptr);
    if (display != nullptr) return display;
    const char* name = XDisplayName(nullptr);
    if (name == nullptr || name[0] == '\0')
        std::fprintf(stderr, "cannot open X display: DISPLAY is not set\n");
    else
        std::fprintf(stderr, "cannot open X display \"%s\"\n", name);
    return nullptr;
}

XVisualInfo* choose_visual(Display* display) {
    std::array<int, VISUAL_ATTRIBUTES.size()> attributes = VISUAL_ATTRIBUTES;
    XVisualInfo* visual = glXChooseVisual(display, DefaultScreen(display), attributes.data());
    if (visual == nullptr)
        std::fprintf(stderr, "no GLX visual with RGBA, double buffering and a 24-bit depth buffer\n");
    return visual;
}

// A window created under a parent that does not exist would fail every
// request made on it, and every frame would report the same errors again.
// The failed query itself is reported by the error handler.
bool parent_exists(Display* display, uint64_t parent) {
    if (parent == 0) return true;
    XWindowAttributes attributes{};
    if (XGetWindowAttributes(display, parent, &attributes) != 0) return true;
    std::fprintf(stderr, "no X window created: parent window 0x%" PRIx64 " does not exist\n", parent);
    return false;
}

// X window sizes are 16-bit and never 0 (a zero size fails the request).
constexpr double LARGEST_EXTENT = 32767.0;

// A window's extent in pixels for a fraction of the screen's, truncated; a
// fraction too small for one pixel still gets one, and no fraction gets
// more than X can size.
unsigned int pixel_extent(int32_t screen_pixels, double fraction) {
    const double extent = std::trunc(screen_pixels * fraction);
    if (!(extent >= 1.0)) return 1;  // also a fraction that is not a number
    return static_cast<unsigned int>(std::min(extent, LARGEST_EXTENT));
}

// Creates and maps the window of width x height at (0, 0) under the parent
// (or the root window) and its context. When no context can be made the
// window is destroyed again and the backend keeps neither.
void create_window(XlibBackend& backend, Display* display, XVisualInfo& visual, unsigned int width,
                   unsigned int height) {
    const XWindow root = RootWindow(display, visual.screen);
    const XWindow parent = backend.parent != 0 ? backend.parent : root;
    XSetWindowAttributes attributes{};
    attributes.colormap = XCreateColormap(display, root, visual.visual, AllocNone);
    attributes.event_mask = EVENT_MASK;
    const XWindow x_window =
        XCreateWindow(display, parent, 0, 0, width, height, 0, visual.depth, InputOutput,
                      visual.visual, ATTRIBUTE_MASK, &attributes);
    XMapWindow(display, x_window);
    GLXContext context = glXCreateContext(display, &visual, nullptr, DIRECT_RENDERING);
    if (context == nullptr) {
        std::fprintf(stderr, "cannot create a GLX context\n");
        XDestroyWindow(display, x_window);
        return;
    }
    glXMakeCurrent(display, x_window, context);
    swap_once_per_refresh();
    XSync(display, 0);
    backend.x_window = x_window;
    backend.context = context;
}

// Connects, creates the window and its context and initialises freeglut
// for the stroke font. freeglut opens a connection of its own and ends the
// process when it cannot, so it is initialised only once ours works. On
// any failure the backend keeps no connection. Returns the screen size.
void open_window(XlibBackend& backend, int32_t& screen_w, int32_t& screen_h) {
    Display* display = open_display();
    if (display == nullptr) return;
    screen_w = DisplayWidth(display, DefaultScreen(display));
    screen_h = DisplayHeight(display, DefaultScreen(display));
    XVisualInfo* visual = choose_visual(display);
    if (visual != nullptr && parent_exists(display, backend.parent)) {
        const WindowGeometry& geometry = *backend.window->geometry;
        create_window(backend, display, *visual, pixel_extent(screen_w, geometry.relative_width),
                      pixel_extent(screen_h, geometry.relative_height));
    }
    if (visual != nullptr) XFree(visual);
    if (backend.context == nullptr) {
        XCloseDisplay(display);
        return;
    }
    backend.display = display;
    if (glutGet(GLUT_INIT_STATE) == 0) {
        int no_arguments = 0;
        glutInit(&no_arguments, nullptr);
    }
}

void make_current(const XlibBackend& backend) {
    glXMakeCurrent(display_of(backend), backend.x_window, context_of(backend));
}

void draw_xlib_frame(XlibBackend& backend) {
    make_current(backend);
    const WindowGeometry& geometry = *backend.window->geometry;
    glViewport(0, 0, geometry.pixel_width(), geometry.pixel_height());
    draw_frame(backend);
    glXSwapBuffers(display_of(backend), backend.x_window);
}

// The key's symbol without Shift, as a 32-bit code (symbols use 29 bits).
int32_t unshifted_keysym(XKeyEvent& event) { return static_cast<int32_t>(XLookupKeysym(&event, 0)); }

void handle_event(XlibBackend& backend, XEvent& event) {
    Window& window = *backend.window;
    switch (event.type) {
        case KeyPress:
            window.on_key_down(unshifted_keysym(event.xkey), backend.pointer_x, backend.pointer_y);
            break;
        case KeyRelease:
            window.on_key_up(unshifted_keysym(event.xkey), backend.pointer_x, backend.pointer_y);
            break;
        case ButtonPress:
            window.on_mouse(static_cast<int32_t>(event.xbutton.button), XLIB_KEY_CODES.BUTTON_DOWN,
                            backend.pointer_x, backend.pointer_y);
            break;
        case ButtonRelease:
            window.on_mouse(static_cast<int32_t>(event.xbutton.button), XLIB_KEY_CODES.BUTTON_UP,
                            backend.pointer_x, backend.pointer_y);
            break;
        case MotionNotify:
            backend.pointer_x = event.xmotion.x;
            backend.pointer_y = event.xmotion.y;
            window.on_motion(backend.pointer_x, backend.pointer_y);
            break;
        case Expose:
        case MapNotify:
            draw_xlib_frame(backend);
            break;
        case ConfigureNotify:
            backend.reshape(event.xconfigure.width, event.xconfigure.height);
            draw_xlib_frame(backend);
            break;
        case DestroyNotify:
            // Destroyed from outside, with the host's parent window: every
            // later request on it would fail, so the backend lets it go.
            if (event.xdestroywindow.window == backend.x_window) backend.x_window = 0;
            break;
        default:
            break;
    }
}
}  // namespace

Window* current_xlib_window() { return current_window; }

XlibBackend* XlibBackend::create(Window* window, uint64_t parent) {
    auto* backend = new XlibBackend{};
    backend->attach(window);
    current_window = window;
    backend->parent = parent;
    set_key_codes(XLIB_KEY_CODES);
    XSetErrorHandler(report_x_error);

    int32_t screen_w = 0;
    int32_t screen_h = 0;
    open_window(*backend, screen_w, screen_h);
    WindowGeometry* geometry = window->geometry;
    geometry->set_screen_size(screen_w, screen_h);
    // Without a window manager a top-level window gets no resize notice
    // when it is mapped, so the projection is set here for every window.
    if (backend->usable()) backend->reshape(geometry->pixel_width(), geometry->pixel_height());
    return backend;
}

void XlibBackend::destroy(XlibBackend* backend) {
    if (backend == nullptr) return;
    if (current_window == backend->window) current_window = nullptr;
    if (backend->display != nullptr) {
        if (glutGet(GLUT_INIT_STATE) != 0) glutExit();
        Display* display = display_of(*backend);
        glXMakeCurrent(display, NO_WINDOW, nullptr);
        glXDestroyContext(display, context_of(*backend));
        if (backend->x_window != 0) XDestroyWindow(display, backend->x_window);
        XCloseDisplay(display);
    }
    delete backend;
}

void XlibBackend::run() {
    if (!usable()) return;
    // A host may have made a context of its own current since creation.
    make_current(*this);
    set_fixed_gl_state();
    window->on_init();
    if (parent != 0) return;
    for (;;) {
        process_events();
        usleep(PUMP_PAUSE_US);
    }
}

void XlibBackend::process_events() {
    if (!usable()) return;
    window->on_idle();
    Display* connection = display_of(*this);
    while (XPending(connection) > 0) {
        XEvent event{};
        XNextEvent(connection, &event);
        if (usable()) handle_event(*this, event);
    }
    if (usable()) draw_xlib_frame(*this);
}

void XlibBackend::toggle_fullscreen() {
    if (!usable()) return;
    const WindowGeometry& geometry = *window->geometry;
    const int32_t screen_w = geometry.screen_width;
    const int32_t screen_h = geometry.screen_height;
    if (fullscreen == 0) {
        saved_relative_width = geometry.relative_width;
        saved_relative_height = geometry.relative_height;
        XMoveResizeWindow(display_of(*this), x_window, 0, 0, static_cast<unsigned int>(screen_w),
                          static_cast<unsigned int>(screen_h));
    } else {
        const unsigned int width = pixel_extent(screen_w, saved_relative_width);
        const unsigned int height = pixel_extent(screen_h, saved_relative_height);
        XMoveResizeWindow(display_of(*this), x_window, screen_w / 2 - static_cast<int>(width / 2),
                          screen_h / 2 - static_cast<int>(height / 2), width, height);
    }
    fullscreen = 1 - fullscreen;
}

void XlibBackend::reshape(int32_t width, int32_t height) {
    WindowGeometry* geometry = window->geometry;
    // Without a display the screen size is 0 x 0 and no fraction exists.
    if (!geometry->screen_known()) return;
    geometry->set_relative(static_cast<double>(width) / geometry->screen_width,
                           static_cast<double>(height) / geometry->screen_height);
    if (!usable()) return;
    // The projection belongs to this window's context, whichever a host
    // made current last.
    make_current(*this);
    set_pixel_projection(*geometry, width, height);
}
