#pragma once

#include <cstdint>

#include "app/window.h"
#include "tests/support/window_child.h"

// An Xlib window under test, inside a forked child: top-level (parent 0),
// whose run pumps events for ever, or embedded in a parent window the test
// created, which the test drives with process_events.
struct XlibChild : WindowChild {
    explicit XlibChild(uint32_t parent_window = 0, double relative_width = 0.5,
                       double relative_height = 0.5)
        : WindowChild(BACKEND_XLIB, parent_window, relative_width, relative_height) {}

    unsigned long handle() const { return window->native_handle(); }
};

// An Xlib window whose passes the test makes itself, as a host does, with
// process_events: idle does not advance a script (which would end the child
// at the first pass).
struct HostDrivenChild : XlibChild {
    explicit HostDrivenChild(uint32_t parent_window = 0, double relative_width = 0.5,
                             double relative_height = 0.5)
        : XlibChild(parent_window, relative_width, relative_height) {
        hooks.idle = nullptr;
    }
};
