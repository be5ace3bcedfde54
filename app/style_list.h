#pragma once

// The style store's insides, private to app/style.cpp and its tests: the
// key-ordered list a Style is a handle on. Nothing else includes this.

#include <array>
#include <cstdint>

#include "app/style.h"

// One value shape serves colours and numbers alike: a colour and a number
// after it. A colour entry has number 0, a number entry the colour
// (0, 0, 0, 0). There is no kind tag.
struct StyleValue : Color {
    double number = 0.0;
};

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
