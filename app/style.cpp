#include "app/style.h"

#include <cstdio>
#include <cstring>

#include "app/style_list.h"

namespace {
// Reads `Bytes` bytes as a signed little-endian integer, whatever the host order.
template <typename Signed, int Bytes>
Signed read_signed_le(const char* bytes) {
    uint64_t bits = 0;
    for (int i = Bytes - 1; i >= 0; --i) bits = (bits << 8) | static_cast<unsigned char>(bytes[i]);
    return static_cast<Signed>(bits);
}

template <typename Signed, int Bytes>
int32_t compare_chunk(const char* a, const char* b) {
    const Signed chunk_a = read_signed_le<Signed, Bytes>(a);
    const Signed chunk_b = read_signed_le<Signed, Bytes>(b);
    if (chunk_a < chunk_b) return -1;
    if (chunk_a > chunk_b) return 1;
    return 0;
}

// Walks `steps` links from an entry.
StyleEntry* walk(StyleEntry* from, int32_t steps) {
    while (steps-- > 0) from = from->next;
    return from;
}

// Links from lo to hi; hi none counts to the end of the list.
int32_t links_between(const StyleEntry* lo, const StyleEntry* hi) {
    int32_t links = 0;
    for (; lo != hi && lo != nullptr; lo = lo->next) ++links;
    return links;
}

int32_t compare_with(const char* key, int32_t key_length, const StyleEntry* entry) {
    return compare_keys(key, key_length, entry->key.data(), entry->key_length);
}

// A key's length, or STYLE_KEY_CAPACITY when it is too long to store.
int32_t measured_key_length(const char* key) {
    return static_cast<int32_t>(strnlen(key, STYLE_KEY_CAPACITY));
}

void release_style_value(StyleValue* value) { delete value; }

// The entry holding key. The bisection trusts the list's order, but the
// chunked key order is not transitive across keys of different lengths (an
// 8-byte chunk weighs its last byte most, a 2-byte chunk its second), so
// after some insertions a present key lies where the bisection does not
// look: adding "bg" to the defaults hides "param-text-color". A miss is
// therefore confirmed by walking the list, which holds a few dozen keys at
// most and is walked to bisect anyway.
StyleEntry* find_entry(const StyleList& list, const char* key, int32_t key_length) {
    if (StyleEntry* entry = list.find(key, key_length)) return entry;
    for (StyleEntry* entry = list.head; entry != nullptr; entry = entry->next)
        if (compare_with(key, key_length, entry) == 0) return entry;
    return nullptr;
}

// The value stored under key, or none; a key too long to store is never there.
const StyleValue* find_value(const StyleList& list, const char* key) {
    const int32_t length = measured_key_length(key);
    if (length >= STYLE_KEY_CAPACITY) return nullptr;
    const StyleEntry* entry = find_entry(list, key, length);
    return entry != nullptr ? entry->value : nullptr;
}

int32_t add_value(StyleList& list, const char* key, const StyleValue& value) {
    const int32_t length = measured_key_length(key);
    if (length >= STYLE_KEY_CAPACITY) {
        std::fprintf(stderr, "style key too long (at most %d characters): %.*s...\n",
                     STYLE_KEY_CAPACITY - 1, STYLE_KEY_CAPACITY - 1, key);
        return 0;
    }
    if (StyleEntry* present = find_entry(list, key, length)) {
        *present->value = value;
        return 1;
    }
    auto* entry = new StyleEntry{};
    std::memcpy(entry->key.data(), key, static_cast<size_t>(length));
    entry->key_length = length;
    entry->value = new StyleValue{value};
    list.insert(entry);
    return 1;
}
}  // namespace

int32_t compare_keys(const char* a, int32_t a_length, const char* b, int32_t b_length) {
    const int32_t n = a_length < b_length ? a_length : b_length;
    int32_t off = 0;
    while (off < n) {
        const int32_t left = n - off;
        int32_t order = 0;
        if (left > 7) {
            order = compare_chunk<int64_t, 8>(a + off, b + off);
            off += 8;
        } else if (left > 3) {
            order = compare_chunk<int32_t, 4>(a + off, b + off);
            off += 4;
        }
        if (order != 0) return order;
        if (off < n) {
            if (n - off == 1) {
                order = compare_chunk<int8_t, 1>(a + off, b + off);
                off += 1;
            } else {
                order = compare_chunk<int16_t, 2>(a + off, b + off);
                off += 2;
            }
            if (order != 0) return order;
        }
    }
    if (a_length < b_length) return -1;
    if (a_length > b_length) return 1;
    return 0;
}

void StyleList::insert(StyleEntry* entry) {
    const char* key = entry->key.data();
    const int32_t length = entry->key_length;
    if (head == nullptr) {
        head = entry;
        return;
    }
    if (tail == nullptr) {
        if (compare_with(key, length, head) > 0) {
            head->next = entry;
            tail = entry;
        } else {
            entry->next = head;
            tail = head;
            head = entry;
        }
        return;
    }
    if (compare_with(key, length, head) < 0) {
        entry->next = head;
        head = entry;
        return;
    }
    if (compare_with(key, length, tail) > 0) {
        tail->next = entry;
        tail = entry;
        return;
    }
    StyleEntry* lo = head;
    StyleEntry* hi = tail;
    while (lo != hi && lo->next != hi) {
        StyleEntry* mid = walk(lo, links_between(lo, hi) / 2);
        const int32_t order = compare_with(key, length, mid);
        if (order < 0) {
            hi = mid;
        } else if (order == 0) {
            lo = hi = mid;
        } else {
            lo = mid;
        }
    }
    entry->next = lo->next;
    lo->next = entry;
}

StyleEntry* StyleList::find(const char* key, int32_t key_length) const {
    if (head == nullptr) return nullptr;
    const int32_t head_order = compare_with(key, key_length, head);
    if (head_order == 0) return head;
    if (head_order < 0) return nullptr;
    if (tail != nullptr) {
        const int32_t tail_order = compare_with(key, key_length, tail);
        if (tail_order == 0) return tail;
        if (tail_order > 0) return nullptr;
    }
    StyleEntry* lo = head;
    StyleEntry* hi = tail;  // none: the end of a one-entry list
    while (lo != hi && lo->next != hi) {
        StyleEntry* mid = walk(lo, links_between(lo, hi) / 2);
        const int32_t order = compare_with(key, key_length, mid);
        if (order == 0) return mid;
        if (order < 0) {
            hi = mid;
        } else {
            lo = mid;
        }
    }
    return compare_with(key, key_length, lo) == 0 ? lo : nullptr;
}

void StyleList::clear() {
    for (StyleEntry* entry = head; entry != nullptr;) {
        StyleEntry* next = entry->next;
        if (release_value != nullptr) release_value(entry->value);
        delete entry;
        entry = next;
    }
    head = tail = nullptr;
}

Style* Style::create() {
    auto* style = new Style{};
    style->list = new StyleList{};
    style->list->release_value = release_style_value;
    return style;
}

void Style::destroy(Style* style) {
    if (style == nullptr) return;
    style->list->clear();
    delete style->list;
    delete style;
}

int32_t Style::find_color(const char* key, Color* out) const {
    const StyleValue* value = find_value(*list, key);
    if (value == nullptr) return 0;
    *out = *value;  // its colour part
    return 1;
}

int32_t Style::find_number(const char* key, double* out) const {
    const StyleValue* value = find_value(*list, key);
    if (value == nullptr) return 0;
    *out = value->number;
    return 1;
}

int32_t Style::add_color(const char* key, const Color& color) {
    return add_value(*list, key, StyleValue{color, 0.0});
}

int32_t Style::add_number(const char* key, double number) {
    return add_value(*list, key, StyleValue{Color{}, number});
}

Style* create_default_style() {
    Style* style = Style::create();
    style->add_color("bg-color", {0.0, 0.0, 0.0, 1.0});
    style->add_color("border-color", {1.0, 1.0, 1.0, 1.0});
    style->add_number("border-line-width", 1.0);
    style->add_color("contents-fill-color", {0.0, 0.0, 0.0, 0.0});
    style->add_color("contents-color", {1.0, 1.0, 1.0, 1.0});
    style->add_number("contents-line-width", 3.0);
    style->add_color("title-color", {1.0, 1.0, 1.0, 1.0});
    style->add_number("title-line-width", 2.0);
    style->add_color("buffer-display-color", {0.0, 0.0, 1.0, 1.0});
    style->add_number("buffer-display-line-width", 2.0);
    style->add_color("image-display-color", {1.0, 1.0, 1.0, 1.0});
    style->add_color("param-text-color", {1.0, 1.0, 1.0, 1.0});
    style->add_number("param-text-line-width", 2.0);
    return style;
}
