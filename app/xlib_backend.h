#pragma once

#include <cstdint>

#include "app/window.h"

// The plain Xlib backend: its own X connection, a window with a GLX context
// and its own event pump. A top-level window (parent 0) runs the pump for
// ever; a window embedded in a host's parent window returns from run after
// init and draws only when the host calls process_events.
//
// Without a display, or without a suitable GL visual, the backend says so
// once on standard error at creation and keeps no connection, window or
// context; run, process_events, toggle_fullscreen and the frame then do
// nothing, so a host can carry on without the window. The same holds once
// the window has been destroyed from outside, as with its host's parent.
// The saved windowed size is taken only at the moment full screen is entered.
struct XlibBackend : BackendState {
    void* display = nullptr;  // the connection (Display*); none when it could not be used
    uint64_t parent = 0;      // parent window id; 0 = a top-level window under the root
    uint64_t x_window = 0;    // the window created; 0 when none, or once destroyed from outside
    void* context = nullptr;  // the window's GLX context (GLXContext), or none
    // Last pointer position from a motion event, window pixels from the
    // top-left; key and button events report it.
    int32_t pointer_x = 0;
    int32_t pointer_y = 0;

    // Opens the display named by the environment, creates and maps the
    // window at (0, 0) with the window's relative size of the screen, makes
    // its direct-rendering context current and records the screen size.
    // Writes the Xlib key codes and installs the X error reporter.
    static XlibBackend* create(Window* window, uint64_t parent);
    // Shuts freeglut down, releases the context, destroys the window, closes
    // the connection and frees the record.
    static void destroy(XlibBackend* backend);

    // Sets the fixed GL state and calls the init slot; a top-level window
    // then pumps events for ever, an embedded one returns.
    void run();
    // One pass: the idle slot, every pending event, then a frame.
    void process_events();
    void toggle_fullscreen();
    // The window system reports a new size in pixels: relative size,
    // viewport and pixel projection follow it.
    void reshape(int32_t width, int32_t height);
    uint64_t native_handle() const { return x_window; }

    // True while a connection, a window and a context exist.
    bool usable() const { return display != nullptr && x_window != 0 && context != nullptr; }
};

// The window the most recently created Xlib backend serves (none after it is
// destroyed): the process-wide way for plain callbacks to find it.
Window* current_xlib_window();
