#pragma once

#include <array>
#include <cstdint>

#include "app/color.h"

// One value shape serves colours and numbers alike: a colour entry has
// number 0, a number entry the colour (0, 0, 0, 0). There is no kind tag.
struct StyleValue {
    double red = 0.0;
    double green = 0.0;
    double blue = 0.0;
    double alpha = 0.0;
    double number = 0.0;
};

inline constexpr int32_t STYLE_KEY_CAPACITY = 64;  // 63 characters and a zero byte

struct StyleEntry {
    StyleEntry* next = nullptr;  // following entry in key order
    std::array<char, STYLE_KEY_CAPACITY> key{};
    int32_t key_length = 0;
    StyleValue* value = nullptr;  // owned
};

// A singly linked list kept sorted by compare_keys and searched by
// bisection: O(n) link steps but only O(log n) key comparisons per operation.
struct StyleList {
    StyleEntry* head = nullptr;  // owned; none when empty
    StyleEntry* tail = nullptr;  // none while fewer than two entries
    void (*release_value)(StyleValue* value) = nullptr;

    // Links a new entry in at its place in key order.
    void insert(StyleEntry* entry);
    // The entry holding key, or none.
    StyleEntry* find(const char* key, int32_t key_length) const;
    // Releases every entry and its value.
    void clear();
};

// Orders keys in 8/4/2/1-byte chunks read as signed little-endian integers:
// not alphabetical, but one order for insertion and lookup alike. Negative,
// zero or positive as a (the key inserted or looked up) is below, equal to
// or above b (a stored key).
int32_t compare_keys(const char* a, int32_t a_length, const char* b, int32_t b_length);

// String-keyed colours and numbers: line widths and colours of everything
// the toolkit draws.
struct Style {
    StyleList list;

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

private:
    int32_t add_value(const char* key, const StyleValue& value);
};

// A store with the toolkit's thirteen defaults ("bg-color" first).
Style* create_default_style();
