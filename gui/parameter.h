#pragma once

#include <array>
#include <cstdint>

struct Parameter;
struct Window;

// Told after every set_value, whether or not the value changed.
using ParameterChangeFn = void (*)(Parameter* parameter, void* data);

inline constexpr int32_t PARAMETER_LABEL_CAPACITY = 32;  // 31 characters and a zero byte
inline constexpr int32_t PARAMETER_TEXT_CAPACITY = 256;

// A bounded value with a short label (a unit or a name) and a change
// callback; a knob shows and edits one. The fields are the plain reads.
struct Parameter {
    Window* window = nullptr;  // borrowed: the window the parameter belongs to
    int32_t id = 0;            // the caller's number for it
    double value = 0.0;
    double minimum = 0.0;
    double maximum = 1.0;
    ParameterChangeFn on_change = nullptr;
    void* on_change_data = nullptr;
    std::array<char, PARAMETER_LABEL_CAPACITY> label{};
    std::array<char, PARAMETER_TEXT_CAPACITY> text{};  // the last format_text result

    // The value is taken as given, not clamped.
    static Parameter* create(Window* window, int32_t id, double value);
    static void destroy(Parameter* parameter);

    // The value is not clamped again until the next set_value.
    void set_range(double new_minimum, double new_maximum);
    // A longer label is cut to its first 31 characters.
    void set_label(const char* new_label);
    // Stores the callback, then calls it once at once.
    void set_on_change(ParameterChangeFn callback, void* data);
    // Where the value lies in the range, 0 at the minimum and 1 at the
    // maximum; 0 for a range that is empty (width 1e-15 or less).
    double normalized() const;
    // Clamps into the range, stores, and tells on_change.
    void set_value(double new_value);
    void set_normalized(double fraction);
    // "%.2f %s" of the value and the label, kept in `text`.
    const char* format_text();
};
