#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "tests/support/child_process.h"

struct CallbackTable;
struct Window;

// Callbacks of a window under test as std::functions; any may be empty.
struct WindowHooks {
    std::function<int32_t(Window*)> init;
    std::function<void(Window*)> display;
    std::function<void(Window*)> idle;
    std::function<void(Window*, uint8_t, int32_t, int32_t)> key_down;
    std::function<void(Window*, uint8_t, int32_t, int32_t)> key_up;
    std::function<void(Window*, int32_t, int32_t, int32_t)> special_down;
    std::function<void(Window*, int32_t, int32_t, int32_t)> special_up;
    std::function<void(Window*, int32_t, int32_t, int32_t, int32_t)> mouse;
    std::function<void(Window*, int32_t, int32_t)> motion;
    std::function<void(Window*, int32_t, int32_t)> passive_motion;
    std::function<void(Window*, int32_t, int32_t, int32_t, int32_t)> wheel;
};

// One input event as a window's slots received it, with the modifier word
// at that moment.
struct InputEvent {
    char kind;  // 'd' key down, 'u' key up, 's' special down, 'S' special up, 'm' mouse
    int32_t code;
    int32_t state;
    int32_t x;
    int32_t y;
    int32_t modifiers;
};

// Sets the key, special-key and mouse hooks to append what they receive.
void record_input(WindowHooks& hooks, std::vector<InputEvent>& events);

// Which slots of a table attach_hooks leaves empty (none), so that the
// window's entry points skip them.
struct EmptySlots {
    bool wheel = false;
};

// Attaches a callback table whose slots forward to the hooks (all of them
// but those asked to stay empty); the hooks are the table's user data and
// must outlive it.
CallbackTable* attach_hooks(Window* window, WindowHooks* hooks, EmptySlots empty = {});

// Steps run one after another from a window's idle callback: each step is
// polled once per loop pass until it returns true. Steps wait for events
// and state, never for time: a step that never completes is caught by the
// child's time limit, and its output names the step it was at ("step N:
// name"). A step that records a failed assertion ends the child at once;
// after the last step the child ends with its verdict (finish_child).
class Script {
public:
    Script& then(std::string name, std::function<bool()> step);
    // Lets `passes` loop passes go by (frames for a window to settle, not
    // a wait for events: see InputChild::barrier for those).
    Script& wait_passes(int passes);
    // Runs the current step; call once per idle pass.
    void advance();

private:
    struct Step {
        std::string name;
        std::function<bool()> poll;
    };
    std::vector<Step> steps_;
    size_t current_ = 0;
    bool started_ = false;
};

// Runs body in a forked child whose DISPLAY is the given one. The body
// normally never returns (a GLUT loop); it ends through finish_child. The
// child is killed after the timeout or when the case's time is up.
ChildResult run_window_child(const std::string& display, const std::function<void()>& body,
                             std::chrono::milliseconds timeout = CASE_TIME_LIMIT);
