#include "tests/support/test_window.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>

#include "app/window.h"

namespace {
WindowHooks& hooks_of(Window* window) { return *static_cast<WindowHooks*>(window->callbacks->user_data); }

int32_t forward_init(Window* w) { return hooks_of(w).init ? hooks_of(w).init(w) : 1; }
void forward_display(Window* w) {
    if (hooks_of(w).display) hooks_of(w).display(w);
}
void forward_idle(Window* w) {
    if (hooks_of(w).idle) hooks_of(w).idle(w);
}
void forward_key_down(Window* w, uint8_t key, int32_t x, int32_t y) {
    if (hooks_of(w).key_down) hooks_of(w).key_down(w, key, x, y);
}
void forward_key_up(Window* w, uint8_t key, int32_t x, int32_t y) {
    if (hooks_of(w).key_up) hooks_of(w).key_up(w, key, x, y);
}
void forward_special_down(Window* w, int32_t key, int32_t x, int32_t y) {
    if (hooks_of(w).special_down) hooks_of(w).special_down(w, key, x, y);
}
void forward_special_up(Window* w, int32_t key, int32_t x, int32_t y) {
    if (hooks_of(w).special_up) hooks_of(w).special_up(w, key, x, y);
}
void forward_mouse(Window* w, int32_t button, int32_t state, int32_t x, int32_t y) {
    if (hooks_of(w).mouse) hooks_of(w).mouse(w, button, state, x, y);
}
void forward_motion(Window* w, int32_t x, int32_t y) {
    if (hooks_of(w).motion) hooks_of(w).motion(w, x, y);
}
void forward_passive_motion(Window* w, int32_t x, int32_t y) {
    if (hooks_of(w).passive_motion) hooks_of(w).passive_motion(w, x, y);
}
void forward_wheel(Window* w, int32_t wheel, int32_t direction, int32_t x, int32_t y) {
    if (hooks_of(w).wheel) hooks_of(w).wheel(w, wheel, direction, x, y);
}
}  // namespace

CallbackTable* attach_hooks(Window* window, WindowHooks* hooks, EmptySlots empty) {
    return CallbackTable::create(window, hooks, forward_init, forward_display, forward_idle,
                                 forward_key_down, forward_key_up, forward_special_down,
                                 forward_special_up, forward_mouse, forward_motion,
                                 forward_passive_motion, empty.wheel ? nullptr : forward_wheel);
}

void record_input(WindowHooks& hooks, std::vector<InputEvent>& events) {
    hooks.key_down = [&events](Window*, uint8_t key, int32_t x, int32_t y) {
        events.push_back({'d', key, 0, x, y, modifiers()});
    };
    hooks.key_up = [&events](Window*, uint8_t key, int32_t x, int32_t y) {
        events.push_back({'u', key, 0, x, y, modifiers()});
    };
    hooks.special_down = [&events](Window*, int32_t key, int32_t x, int32_t y) {
        events.push_back({'s', key, 0, x, y, modifiers()});
    };
    hooks.special_up = [&events](Window*, int32_t key, int32_t x, int32_t y) {
        events.push_back({'S', key, 0, x, y, modifiers()});
    };
    hooks.mouse = [&events](Window*, int32_t button, int32_t state, int32_t x, int32_t y) {
        events.push_back({'m', button, state, x, y, modifiers()});
    };
}

Script& Script::then(std::string name, std::function<bool()> step) {
    steps_.push_back(Step{std::move(name), std::move(step)});
    return *this;
}

Script& Script::wait_passes(int passes) {
    auto left = std::make_shared<int>(passes);
    return then("wait " + std::to_string(passes) + " passes", [left] { return --*left <= 0; });
}

void Script::advance() {
    if (current_ >= steps_.size()) finish_child();
    const Step& step = steps_[current_];
    if (!started_) {
        std::printf("step %zu: %s\n", current_, step.name.c_str());
        std::fflush(stdout);
        started_ = true;
    }
    const bool done = step.poll();
    if (child_has_failed()) finish_child();
    if (done) {
        ++current_;
        started_ = false;
        if (current_ >= steps_.size()) finish_child();
    }
}

ChildResult run_window_child(const std::string& display, const std::function<void()>& body,
                             std::chrono::milliseconds timeout) {
    ChildProcess child = ChildProcess::fork_function(body, {{"DISPLAY", display}});
    return child.wait(timeout);
}
