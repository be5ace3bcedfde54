#pragma once

#include <cstdint>

// The window layer, in the order a reader needs it:
//   [Key codes]       the key, modifier and button codes backends deliver
//   [Callback table]  the user callbacks a window calls
//   [Geometry]        the screen's size and the window's share of it
//   [Window]          the record that binds a backend, its geometry, style
//                     and callbacks, and the state every backend shares

struct Application;
struct GlutBackend;
struct Style;
struct Window;
struct XlibBackend;

// -------------------------------------------------------------------------
// [Key codes]
// -------------------------------------------------------------------------

// The key, modifier and button codes the current backend delivers. The
// backend writes its column when it is created; application code reads it
// to interpret special keys and mouse events. The names are the codes' own.
struct KeyCodes {
    int32_t KEY_F1, KEY_F2, KEY_F3, KEY_F4, KEY_F5, KEY_F6;
    int32_t KEY_F7, KEY_F8, KEY_F9, KEY_F10, KEY_F11, KEY_F12;
    int32_t KEY_LEFT, KEY_UP, KEY_RIGHT, KEY_DOWN;
    int32_t KEY_PAGE_UP, KEY_PAGE_DOWN;
    int32_t KEY_HOME, KEY_END, KEY_INSERT;
    int32_t MOD_SHIFT, MOD_CTRL, MOD_ALT;
    int32_t BUTTON_LEFT, BUTTON_MIDDLE, BUTTON_RIGHT;
    int32_t BUTTON_DOWN, BUTTON_UP;
};

// GLUT's own numbering: special keys, modifier masks, buttons and states.
inline constexpr KeyCodes GLUT_KEY_CODES{
    1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12,
    100, 101, 102, 103,
    104, 105,
    106, 107, 108,
    1, 2, 4,
    0, 1, 2,
    0, 1,
};

// What the Xlib pump delivers: X keysyms, keysyms of the left modifier keys,
// X button numbers, and press = 1 (the reverse of GLUT).
inline constexpr KeyCodes XLIB_KEY_CODES{
    0xFFBE, 0xFFBF, 0xFFC0, 0xFFC1, 0xFFC2, 0xFFC3,
    0xFFC4, 0xFFC5, 0xFFC6, 0xFFC7, 0xFFC8, 0xFFC9,
    0xFF51, 0xFF52, 0xFF53, 0xFF54,
    0xFF55, 0xFF56,
    0xFF50, 0xFF57, 0xFF63,
    0xFFE1, 0xFFE3, 0xFFE9,
    1, 2, 3,
    1, 0,
};

// The process-wide table; all zero until a backend is created.
const KeyCodes& key_codes();
void set_key_codes(const KeyCodes& codes);

// The process-wide modifier word, 0 at start. Only the GLUT special-key
// entry points change it.
int32_t modifiers();
void set_modifier(int32_t bits);
void clear_modifier(int32_t bits);

// -------------------------------------------------------------------------
// [Callback table]
// -------------------------------------------------------------------------

// The user callbacks of a window: plain function pointers plus one untyped
// user-data pointer. Every slot receives the owning window first and may be
// none. Coordinates are window pixels from the top-left corner.
using InitCallback = int32_t (*)(Window* window);
using WindowCallback = void (*)(Window* window);
using KeyCallback = void (*)(Window* window, uint8_t key, int32_t x, int32_t y);
using SpecialKeyCallback = void (*)(Window* window, int32_t key, int32_t x, int32_t y);
using MouseCallback = void (*)(Window* window, int32_t button, int32_t state, int32_t x, int32_t y);
using MotionCallback = void (*)(Window* window, int32_t x, int32_t y);
using WheelCallback = void (*)(Window* window, int32_t wheel, int32_t direction, int32_t x, int32_t y);

struct CallbackTable {
    Window* window = nullptr;    // the window the table is attached to
    void* user_data = nullptr;   // owned by the application
    InitCallback init = nullptr;             // once, after the GL state is set
    WindowCallback display = nullptr;        // once per frame, after clearing
    WindowCallback idle = nullptr;           // once per loop pass
    KeyCallback key_down = nullptr;          // character keys
    KeyCallback key_up = nullptr;
    SpecialKeyCallback special_down = nullptr;  // non-character keys (GLUT only)
    SpecialKeyCallback special_up = nullptr;
    MouseCallback mouse = nullptr;
    MotionCallback motion = nullptr;          // pointer moves with a button held
    MotionCallback passive_motion = nullptr;  // pointer moves, no button (GLUT only)
    WheelCallback wheel = nullptr;            // GLUT only

    // Stores the pointers unchanged and attaches the table to the window,
    // which owns it from then on. A table already attached to that window
    // is released first (its user data untouched): drop every pointer to
    // it. Every live table is thus the one its window holds, or has none.
    static CallbackTable* create(Window* window, void* user_data, InitCallback init,
                                 WindowCallback display, WindowCallback idle,
                                 KeyCallback key_down, KeyCallback key_up,
                                 SpecialKeyCallback special_down, SpecialKeyCallback special_up,
                                 MouseCallback mouse, MotionCallback motion,
                                 MotionCallback passive_motion, WheelCallback wheel);
    // Detaches the table from its window and frees it; the user data is not touched.
    static void release(CallbackTable* table);

    void set_user_data(void* data) { user_data = data; }
};

// -------------------------------------------------------------------------
// [Geometry]
// -------------------------------------------------------------------------

// The screen's size in pixels and the window's size as fractions of it.
// The window's pixel size is never stored: it is screen size x fraction,
// computed wherever it is needed. The fields are the plain reads.
struct WindowGeometry {
    int32_t screen_width = 0;   // written once by the backend
    int32_t screen_height = 0;  // written once by the backend
    double relative_width = 0.0;
    double relative_height = 0.0;

    static WindowGeometry* create();
    static void release(WindowGeometry* geometry);

    void set_screen_size(int32_t width, int32_t height);
    void set_relative(double width, double height);

    // True once the backend has recorded a usable screen size; until then
    // pixel sizes cannot be turned into fractions.
    bool screen_known() const { return screen_width > 0 && screen_height > 0; }
    int32_t pixel_width() const { return static_cast<int32_t>(screen_width * relative_width); }
    int32_t pixel_height() const { return static_cast<int32_t>(screen_height * relative_height); }
};

// -------------------------------------------------------------------------
// [Window]
// -------------------------------------------------------------------------

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
    // size and the frame-rate report's clock starts now. It lives with the
    // frame steps (app/frame.cpp), which keep that clock.
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
