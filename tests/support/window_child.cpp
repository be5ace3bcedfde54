#include "tests/support/window_child.h"

#include <algorithm>
#include <sstream>

#include "app/application.h"
#include "app/window.h"
#include "tests/support/x11.h"

WindowChild::WindowChild(int32_t backend_kind, uint32_t parent_window, double relative_width,
                         double relative_height) {
    application = Application::create();
    window = Window::create(application, backend_kind, parent_window, relative_width, relative_height);
    attach_hooks(window, &hooks);
    hooks.idle = [this](Window*) { script.advance(); };
}

Script& WindowChild::when_viewable() {
    return script.then("window viewable", [this] { return x.viewable(current_glx_window()); });
}

void WindowChild::run(std::vector<std::string> arguments) {
    std::vector<char*> argv;
    for (std::string& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);
    window->run(static_cast<int>(arguments.size()), argv.data());
    ADD_FAILURE() << "the window's loop returned";
    finish_child();
}

InputChild::InputChild(int32_t backend_kind, bool place_pointer) : WindowChild(backend_kind, 0, 0.5, 0.5) {
    record_input(hooks, events);
    hooks.motion = [this](Window*, int32_t px, int32_t py) { motions.push_back({px, py}); };
    when_viewable().then("focus", [this, place_pointer] {
        rect_ = x.rect_of(current_glx_window());
        x.focus(current_glx_window());
        if (place_pointer) point_at(100, 50);
        return true;
    });
    // Under GLUT the pointer's move reaches no recorded slot (no button is
    // held): the barrier shows that it has been handled.
    barrier();
}

void InputChild::point_at(int px, int py) { x.move_pointer(rect_.x + px, rect_.y + py); }

void InputChild::tap_key(unsigned long keysym) {
    x.press_key(keysym);
    x.release_key(keysym);
}

Script& InputChild::expect_events(size_t count) {
    return script.then("events arrived", [this, count] { return events.size() >= count; });
}

Script& InputChild::barrier() {
    auto is_barrier = [](const InputEvent& event) {
        const int32_t f12 = key_codes().KEY_F12;
        return ((event.kind == 's' || event.kind == 'S') && event.code == f12) ||
               ((event.kind == 'd' || event.kind == 'u') && event.code == (f12 & 0xFF) && f12 > 0xFF);
    };
    return script
        .then("barrier sent", [this] {
            tap_key(XK_F12);
            return true;
        })
        .then("barrier arrived", [this, is_barrier] {
            const size_t seen = static_cast<size_t>(std::count_if(events.begin(), events.end(), is_barrier));
            if (seen < 2) return false;
            std::erase_if(events, is_barrier);
            return true;
        });
}

std::vector<double> frame_rate_reports(const std::string& err) {
    std::vector<double> rates;
    std::istringstream lines(err);
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("fps: ", 0) != 0) continue;
        const std::string number = line.substr(5);
        const size_t point = number.find('.');
        EXPECT_TRUE(point != std::string::npos && number.size() - point - 1 == 6) << line;
        rates.push_back(std::stod(number));
    }
    return rates;
}
