#pragma once

#include <cstdint>

struct Application;
struct CallbackTable;
struct GlutBackend;
struct Style;
struct Window;
struct WindowGeometry;
struct XlibBackend;

inline constexpr int32_t BACKEND_GLUT = 0;
inline constexpr int32_t BACKEND_XLIB = 1;

// What every window backend keeps, whatever its window system: each backend
// begins with these fields, so that the code common to the backends (the
// toggles, the frame and its frame-rate report) works on them alike.
struct BackendState {
    Window* window = nullptr;  // borrowed: the window served
    int32_t fullscreen = 0;    // 1 while covering the whole screen
    int32_t fps_report = 0;    // 1 while the frame-rate report is on
    // The windowed size to return to when full screen ends, as fractions of
    // the screen. When it is taken differs by backend.
    double saved_relative_width = 0.0;
    double saved_relative_height = 0.0;
    int64_t fps_last_ms = 0;  // wall-clock time of the last frame-rate report
    int32_t fps_frames = 0;   // frames since that report

    // Starts serving the window: its relative size becomes the windowed
    // size and the frame-rate report's clock starts now.
    void attach(Window* served);
    void toggle_fps_report() { fps_report = 1 - fps_report; }
};

// One drawing surface: a backend, its geometry, its style store and its
// table of user callbacks. The fields are the plain reads.
struct Window {
    CallbackTable* callbacks = nullptr;  // owned once attached
    Application* application = nullptr;  // borrowed
    WindowGeometry* geometry = nullptr;  // owned
    Style* style = nullptr;              // owned once attached
    int32_t backend_kind = BACKEND_GLUT;
    GlutBackend* glut = nullptr;  // owned; only for BACKEND_GLUT
    XlibBackend* xlib = nullptr;  // owned; only for BACKEND_XLIB
    int32_t ran = 0;              // 1 once run has returned

    // Any kind other than BACKEND_GLUT or BACKEND_XLIB gives a window
    // without a backend. parent_window is an X window id (Xlib only; 0 = none).
    static Window* create(Application* application, int32_t backend_kind,
                          uint32_t parent_window, double relative_width,
                          double relative_height);
    static void destroy(Window* window);

    // Hands control to the backend. Under GLUT, and for a top-level Xlib
    // window, this does not return; an embedded Xlib window returns after init.
    void run(int argc, char** argv);
    // One pass of the Xlib event pump and one frame; nothing under GLUT.
    void process_events();
    void toggle_fullscreen();
    void toggle_fps_report();
    // Changes viewport and projection as if the window had this size; the
    // window system is not asked to resize the window.
    void set_relative_size(double relative_width, double relative_height);
    // The Xlib window id; 0 under GLUT or without a backend.
    uint64_t native_handle() const;
    // Destroys the attached style, if any, and takes ownership of this one.
    void set_style(Style* new_style);

    // The GLUT backend if present, else the Xlib backend, else none.
    BackendState* backend() const;
    double relative_width() const;
    double relative_height() const;

    // Event entry points: each calls the matching slot of the attached table,
    // and does nothing (yielding 0) without a table or slot.
    int32_t on_init();
    void on_display();
    void on_idle();
    void on_key_down(int32_t key, int32_t x, int32_t y);
    void on_key_up(int32_t key, int32_t x, int32_t y);
    void on_special_down(int32_t key, int32_t x, int32_t y);
    void on_special_up(int32_t key, int32_t x, int32_t y);
    void on_mouse(int32_t button, int32_t state, int32_t x, int32_t y);
    void on_motion(int32_t x, int32_t y);
    void on_passive_motion(int32_t x, int32_t y);
    void on_wheel(int32_t wheel, int32_t direction, int32_t x, int32_t y);
};
