#include "app/window.h"

#include "app/application.h"
#include "app/glut_backend.h"
#include "app/style.h"
#include "app/xlib_backend.h"

namespace {
// The process-wide key codes and modifier word; see key_codes().
KeyCodes current_key_codes{};
int32_t modifier_bits = 0;

// freeglut's codes for the left Shift, Control and Alt keys.
constexpr int32_t GLUT_LEFT_SHIFT = 112;
constexpr int32_t GLUT_LEFT_CONTROL = 114;
constexpr int32_t GLUT_LEFT_ALT = 116;

// The modifier bit a special key stands for, or 0.
int32_t modifier_of_special_key(int32_t key) {
    switch (key) {
        case GLUT_LEFT_SHIFT: return key_codes().MOD_SHIFT;
        case GLUT_LEFT_CONTROL: return key_codes().MOD_CTRL;
        case GLUT_LEFT_ALT: return key_codes().MOD_ALT;
        default: return 0;
    }
}
}  // namespace

// -------------------------------------------------------------------------
// [Key codes]
// -------------------------------------------------------------------------

const KeyCodes& key_codes() { return current_key_codes; }

void set_key_codes(const KeyCodes& codes) { current_key_codes = codes; }

int32_t modifiers() { return modifier_bits; }

void set_modifier(int32_t bits) { modifier_bits |= bits; }

void clear_modifier(int32_t bits) { modifier_bits &= ~bits; }

// -------------------------------------------------------------------------
// [Callback table]
// -------------------------------------------------------------------------

CallbackTable* CallbackTable::create(Window* window, void* user_data, InitCallback init,
                                     WindowCallback display, WindowCallback idle,
                                     KeyCallback key_down, KeyCallback key_up,
                                     SpecialKeyCallback special_down,
                                     SpecialKeyCallback special_up, MouseCallback mouse,
                                     MotionCallback motion, MotionCallback passive_motion,
                                     WheelCallback wheel) {
    auto* table = new CallbackTable{window,       user_data,  init,         display, idle,
                                    key_down,     key_up,     special_down, special_up,
                                    mouse,        motion,     passive_motion, wheel};
    if (window != nullptr) {
        // A window owns one table: the one attached before goes, as a style
        // store does when another is set, rather than being left orphaned.
        CallbackTable::release(window->callbacks);
        window->callbacks = table;
    }
    return table;
}

void CallbackTable::release(CallbackTable* table) {
    if (table == nullptr) return;
    if (table->window != nullptr && table->window->callbacks == table)
        table->window->callbacks = nullptr;
    delete table;
}

// -------------------------------------------------------------------------
// [Geometry]
// -------------------------------------------------------------------------

WindowGeometry* WindowGeometry::create() { return new WindowGeometry{}; }

void WindowGeometry::release(WindowGeometry* geometry) { delete geometry; }

void WindowGeometry::set_screen_size(int32_t width, int32_t height) {
    screen_width = width;
    screen_height = height;
}

void WindowGeometry::set_relative(double width, double height) {
    relative_width = width;
    relative_height = height;
}

// -------------------------------------------------------------------------
// [Window]
// -------------------------------------------------------------------------

Window* Window::create(Application* application, int32_t backend_kind, uint32_t parent_window,
                       double relative_width, double relative_height) {
    auto* window = new Window{};
    window->application = application;
    window->backend_kind = backend_kind;
    window->geometry = WindowGeometry::create();
    window->geometry->set_relative(relative_width, relative_height);
    if (backend_kind == BACKEND_GLUT) window->glut = GlutBackend::create(window);
    if (backend_kind == BACKEND_XLIB) window->xlib = XlibBackend::create(window, parent_window);
    if (application != nullptr) application->set_window(window);
    return window;
}

void Window::destroy(Window* window) {
    if (window == nullptr) return;
    if (window->glut != nullptr)
        GlutBackend::release(window->glut);
    else if (window->xlib != nullptr)
        XlibBackend::destroy(window->xlib);
    CallbackTable::release(window->callbacks);
    window->callbacks = nullptr;
    Style::destroy(window->style);
    WindowGeometry::release(window->geometry);
    if (window->application != nullptr && window->application->window == window)
        window->application->set_window(nullptr);
    delete window;
}

void Window::run(int argc, char** argv) {
    if (glut != nullptr)
        glut->run(argc, argv);
    else if (xlib != nullptr)
        xlib->run();
    ran = 1;
}

void Window::process_events() {
    if (glut != nullptr) return;  // freeglut pumps its own events
    if (xlib != nullptr) xlib->process_events();
}

void Window::toggle_fullscreen() {
    if (glut != nullptr)
        glut->toggle_fullscreen();
    else if (xlib != nullptr)
        xlib->toggle_fullscreen();
}

void Window::toggle_fps_report() {
    if (BackendState* state = backend()) state->toggle_fps_report();
}

void Window::set_relative_size(double width, double height) {
    geometry->set_relative(width, height);
    if (glut != nullptr)
        glut->reshape(geometry->pixel_width(), geometry->pixel_height());
    else if (xlib != nullptr)
        xlib->reshape(geometry->pixel_width(), geometry->pixel_height());
}

uint64_t Window::native_handle() const {
    if (glut != nullptr) return 0;
    if (xlib != nullptr) return xlib->native_handle();
    return 0;
}

void Window::set_style(Style* new_style) {
    if (style != nullptr && style != new_style) Style::destroy(style);
    style = new_style;
}

BackendState* Window::backend() const {
    if (glut != nullptr) return glut;
    return xlib;
}

double Window::relative_width() const { return geometry->relative_width; }

double Window::relative_height() const { return geometry->relative_height; }

int32_t Window::on_init() {
    if (callbacks == nullptr || callbacks->init == nullptr) return 0;
    return callbacks->init(this);
}

void Window::on_display() {
    if (callbacks != nullptr && callbacks->display != nullptr) callbacks->display(this);
}

void Window::on_idle() {
    if (callbacks != nullptr && callbacks->idle != nullptr) callbacks->idle(this);
}

void Window::on_key_down(int32_t key, int32_t x, int32_t y) {
    if (callbacks != nullptr && callbacks->key_down != nullptr)
        callbacks->key_down(this, static_cast<uint8_t>(key & 0xFF), x, y);
}

void Window::on_key_up(int32_t key, int32_t x, int32_t y) {
    if (callbacks != nullptr && callbacks->key_up != nullptr)
        callbacks->key_up(this, static_cast<uint8_t>(key & 0xFF), x, y);
}

void Window::on_special_down(int32_t key, int32_t x, int32_t y) {
    set_modifier(modifier_of_special_key(key));
    if (callbacks != nullptr && callbacks->special_down != nullptr)
        callbacks->special_down(this, key, x, y);
}

void Window::on_special_up(int32_t key, int32_t x, int32_t y) {
    clear_modifier(modifier_of_special_key(key));
    if (callbacks != nullptr && callbacks->special_up != nullptr)
        callbacks->special_up(this, key, x, y);
}

void Window::on_mouse(int32_t button, int32_t state, int32_t x, int32_t y) {
    if (callbacks != nullptr && callbacks->mouse != nullptr)
        callbacks->mouse(this, button, state, x, y);
}

void Window::on_motion(int32_t x, int32_t y) {
    if (callbacks != nullptr && callbacks->motion != nullptr) callbacks->motion(this, x, y);
}

void Window::on_passive_motion(int32_t x, int32_t y) {
    if (callbacks != nullptr && callbacks->passive_motion != nullptr)
        callbacks->passive_motion(this, x, y);
}

void Window::on_wheel(int32_t wheel, int32_t direction, int32_t x, int32_t y) {
    if (callbacks != nullptr && callbacks->wheel != nullptr)
        callbacks->wheel(this, wheel, direction, x, y);
}
