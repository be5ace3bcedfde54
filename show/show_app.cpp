#include "show/show_app.h"

#include <cstdint>
#include <cstdlib>

#include "app/callback_table.h"
#include "app/style.h"
#include "app/window.h"

namespace {
constexpr uint8_t KEY_ESCAPE = 27;

int32_t show_init(Window*) { return 1; }

void show_key(Window*, uint8_t key, int32_t, int32_t) {
    if (key == KEY_ESCAPE) std::exit(0);
}
}  // namespace

Window* show_window_create(Application* application, double relative_width,
                           double relative_height) {
    Window* window = Window::create(application, BACKEND_GLUT, 0, relative_width, relative_height);
    CallbackTable::create(window, nullptr, show_init, nullptr, nullptr, show_key, nullptr, nullptr,
                          nullptr, nullptr, nullptr, nullptr, nullptr);
    window->set_style(create_default_style());
    return window;
}

void show_teardown(Window* window) {
    if (window != nullptr) CallbackTable::release(window->callbacks);
}
