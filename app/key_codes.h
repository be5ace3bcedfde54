#pragma once

#include <cstdint>

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
