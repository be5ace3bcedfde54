#include "tests/support/x_client.h"

#include <algorithm>
#include <cstdint>

#include "tests/support/x11.h"

namespace {
Display* as_display(void* display) { return static_cast<Display*>(display); }

unsigned long search_named(Display* display, XWindow window, const std::string& name) {
    char* window_name = nullptr;
    if (XFetchName(display, window, &window_name) != 0 && window_name != nullptr) {
        const bool match = name == window_name;
        XFree(window_name);
        if (match) return window;
    }
    XWindow root = 0, parent = 0;
    XWindow* children = nullptr;
    unsigned int count = 0;
    unsigned long found = 0;
    if (XQueryTree(display, window, &root, &parent, &children, &count) != 0) {
        for (unsigned int i = 0; i < count && found == 0; ++i)
            found = search_named(display, children[i], name);
        if (children != nullptr) XFree(children);
    }
    return found;
}

bool contains(Display* display, XWindow tree, XWindow window) {
    if (tree == window) return true;
    XWindow root = 0, parent = 0;
    XWindow* children = nullptr;
    unsigned int count = 0;
    bool found = false;
    if (XQueryTree(display, tree, &root, &parent, &children, &count) != 0) {
        for (unsigned int i = 0; i < count && !found; ++i) found = contains(display, children[i], window);
        if (children != nullptr) XFree(children);
    }
    return found;
}
}  // namespace

XClient::XClient(const std::string& display)
    : display_(XOpenDisplay(display.empty() ? nullptr : display.c_str())) {}

XClient::~XClient() {
    if (display_ != nullptr) XCloseDisplay(as_display(display_));
}

void XClient::press_key(unsigned long keysym) {
    XTestFakeKeyEvent(as_display(display_), XKeysymToKeycode(as_display(display_), keysym), 1, 0);
    sync();
}

void XClient::release_key(unsigned long keysym) {
    XTestFakeKeyEvent(as_display(display_), XKeysymToKeycode(as_display(display_), keysym), 0, 0);
    sync();
}

void XClient::press_button(unsigned int button) {
    XTestFakeButtonEvent(as_display(display_), button, 1, 0);
    sync();
}

void XClient::release_button(unsigned int button) {
    XTestFakeButtonEvent(as_display(display_), button, 0, 0);
    sync();
}

void XClient::move_pointer(int x, int y) {
    XTestFakeMotionEvent(as_display(display_), -1, x, y, 0);
    sync();
}

void XClient::focus(unsigned long window) {
    XSetInputFocus(as_display(display_), window, RevertToParent, CurrentTime);
    sync();
}

void XClient::resize(unsigned long window, int width, int height) {
    XResizeWindow(as_display(display_), window, static_cast<unsigned>(width),
                  static_cast<unsigned>(height));
    sync();
}

void XClient::sync() { XSync(as_display(display_), 0); }

unsigned long XClient::create_window(int x, int y, int width, int height, unsigned long background) {
    Display* display = as_display(display_);
    const XWindow window = XCreateSimpleWindow(display, DefaultRootWindow(display), x, y,
                                               static_cast<unsigned>(width),
                                               static_cast<unsigned>(height), 0, 0, background);
    XMapWindow(display, window);
    sync();
    return window;
}

void XClient::destroy_window(unsigned long window) {
    XDestroyWindow(as_display(display_), window);
    sync();
}

bool XClient::exists(unsigned long window) {
    Display* display = as_display(display_);
    return contains(display, DefaultRootWindow(display), window);
}

unsigned long XClient::parent_of(unsigned long window) {
    XWindow root = 0, parent = 0;
    XWindow* children = nullptr;
    unsigned int count = 0;
    if (XQueryTree(as_display(display_), window, &root, &parent, &children, &count) == 0) return 0;
    if (children != nullptr) XFree(children);
    return parent;
}

std::array<int, 3> XClient::shown_pixel(unsigned long window, int x, int y) {
    XImage* image = XGetImage(as_display(display_), window, x, y, 1, 1, AllPlanes, ZPixmap);
    if (image == nullptr) return {-1, -1, -1};
    const unsigned long pixel = XGetPixel(image, 0, 0);
    XDestroyImage(image);
    // Every test server is a 24-bit TrueColor screen: 0xRRGGBB.
    return {static_cast<int>((pixel >> 16) & 0xFF), static_cast<int>((pixel >> 8) & 0xFF),
            static_cast<int>(pixel & 0xFF)};
}

Picture XClient::picture_of(unsigned long window) {
    Display* display = as_display(display_);
    if (window == 0) window = DefaultRootWindow(display);
    Picture picture;
    // X refuses (and Xlib's default handler then ends the test) to read a
    // window that is not viewable or not wholly on the screen, as a window
    // is for a moment while it maps or goes full screen. Such a window gives
    // an empty picture, and so does one that changes between the check and
    // the read, or is destroyed meanwhile: the error is quietly ignored.
    XErrorHandler previous = XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
    XWindowAttributes attributes{};
    if (XGetWindowAttributes(display, window, &attributes) == 0) attributes.map_state = IsUnmapped;
    int x = 0, y = 0;
    XWindow child = 0;
    XTranslateCoordinates(display, window, DefaultRootWindow(display), 0, 0, &x, &y, &child);
    const Screen* screen = attributes.screen;
    const bool readable = attributes.map_state == IsViewable && screen != nullptr && x >= 0 && y >= 0 &&
                          x + attributes.width <= WidthOfScreen(screen) &&
                          y + attributes.height <= HeightOfScreen(screen);
    XImage* image = readable ? XGetImage(display, window, 0, 0, static_cast<unsigned>(attributes.width),
                                         static_cast<unsigned>(attributes.height), AllPlanes, ZPixmap)
                             : nullptr;
    XSync(display, 0);
    XSetErrorHandler(previous);
    if (image == nullptr) return picture;
    picture.width = image->width;
    picture.height = image->height;
    picture.pixels.resize(static_cast<size_t>(picture.width) * picture.height);
    // Every test screen is 24-bit TrueColor: 0xRRGGBB in 32 bits a pixel,
    // read straight from the rows when they are in this machine's order.
    const bool plain_rows = image->bits_per_pixel == 32 && image->byte_order == LSBFirst &&
                            image->red_mask == 0xFF0000 && image->green_mask == 0xFF00 && image->blue_mask == 0xFF;
    for (int row = 0; row < picture.height; ++row) {
        const auto* words = reinterpret_cast<const uint32_t*>(image->data + static_cast<size_t>(row) * image->bytes_per_line);
        for (int column = 0; column < picture.width; ++column) {
            const unsigned long pixel = plain_rows ? words[column] : XGetPixel(image, column, row);
            picture.pixels[static_cast<size_t>(row) * picture.width + column] = {
                static_cast<int>((pixel >> 16) & 0xFF), static_cast<int>((pixel >> 8) & 0xFF),
                static_cast<int>(pixel & 0xFF)};
        }
    }
    XDestroyImage(image);
    return picture;
}

WindowRect XClient::rect_of(unsigned long window) {
    Display* display = as_display(display_);
    XWindowAttributes attributes{};
    XGetWindowAttributes(display, window, &attributes);
    int x = 0, y = 0;
    XWindow child = 0;
    XTranslateCoordinates(display, window, DefaultRootWindow(display), 0, 0, &x, &y, &child);
    return WindowRect{x, y, attributes.width, attributes.height};
}

FrameExtents XClient::frame_extents(unsigned long window) {
    Display* display = as_display(display_);
    FrameExtents extents;
    const Atom property = XInternAtom(display, "_NET_FRAME_EXTENTS", 1);
    if (property == 0) return extents;
    Atom type = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    XGetWindowProperty(display, window, property, 0, 4, 0, XA_CARDINAL, &type, &format, &count,
                       &after, &data);
    if (data != nullptr && count == 4) {
        const long* values = reinterpret_cast<const long*>(data);
        extents = FrameExtents{static_cast<int>(values[0]), static_cast<int>(values[1]),
                               static_cast<int>(values[2]), static_cast<int>(values[3])};
    }
    if (data != nullptr) XFree(data);
    return extents;
}

bool XClient::viewable(unsigned long window) {
    XWindowAttributes attributes{};
    if (XGetWindowAttributes(as_display(display_), window, &attributes) == 0) return false;
    return attributes.map_state == IsViewable;
}

bool XClient::keyboard_auto_repeat_on() {
    XKeyboardState state{};
    XGetKeyboardControl(as_display(display_), &state);
    return state.global_auto_repeat == AutoRepeatModeOn;
}

void XClient::set_auto_repeat_rate(unsigned delay_ms, unsigned interval_ms) {
    XkbSetAutoRepeatRate(as_display(display_), XkbUseCoreKbd, delay_ms, interval_ms);
    sync();
}

std::array<unsigned, 2> XClient::auto_repeat_rate() {
    unsigned delay = 0, interval = 0;
    XkbGetAutoRepeatRate(as_display(display_), XkbUseCoreKbd, &delay, &interval);
    return {delay, interval};
}

void XClient::watch_keys(unsigned long window) {
    XSelectInput(as_display(display_), window, KeyPressMask | KeyReleaseMask);
    sync();
}

int XClient::presses_seen(unsigned long keysym) {
    Display* display = as_display(display_);
    while (XPending(display) > 0) {
        XEvent event{};
        XNextEvent(display, &event);
        if (event.type == KeyPress) pressed_keycodes_.push_back(event.xkey.keycode);
    }
    const unsigned int code = XKeysymToKeycode(display, keysym);
    return static_cast<int>(std::count(pressed_keycodes_.begin(), pressed_keycodes_.end(), code));
}

unsigned long XClient::root_window() { return DefaultRootWindow(as_display(display_)); }

unsigned long XClient::find_window_named(const std::string& name) {
    Display* display = as_display(display_);
    return search_named(display, DefaultRootWindow(display), name);
}

int XClient::screen_width() { return DisplayWidth(as_display(display_), DefaultScreen(as_display(display_))); }

int XClient::screen_height() { return DisplayHeight(as_display(display_), DefaultScreen(as_display(display_))); }

unsigned long current_glx_window() { return glXGetCurrentDrawable(); }
