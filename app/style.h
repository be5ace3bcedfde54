#pragma once

#include <cstdint>

#include "app/color.h"

struct StyleList;

inline constexpr int32_t STYLE_KEY_CAPACITY = 64;  // 63 characters and a zero byte

// String-keyed colours and numbers: line widths and colours of everything
// the toolkit draws. A handle on a list kept in key order, whose insides
// are the store's own.
struct Style {
    StyleList* list = nullptr;  // owned

    static Style* create();
    static void destroy(Style* style);

    // 1 and the entry's colour components when key is present; 0 and out
    // untouched when it is not.
    int32_t find_color(const char* key, Color* out) const;
    int32_t find_number(const char* key, double* out) const;
    // Stores a value under key, replacing the value of a key already present.
    // A key of 64 characters or more does not fit: it is refused with a line
    // on standard error and 0.
    int32_t add_color(const char* key, const Color& color);
    int32_t add_number(const char* key, double number);
};

// A store with the toolkit's thirteen defaults ("bg-color" first).
Style* create_default_style();
