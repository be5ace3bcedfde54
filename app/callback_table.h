#pragma once

#include <cstdint>

struct Window;

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

    // Stores the pointers unchanged and attaches the table to the window.
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
