#include "gui/parameter.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace {
constexpr double ZERO_LENGTH = 1e-15;
}

Parameter* Parameter::create(Window* window, int32_t id, double value) {
    auto* parameter = new Parameter{};
    parameter->window = window;
    parameter->id = id;
    parameter->value = value;
    return parameter;
}

void Parameter::destroy(Parameter* parameter) { delete parameter; }

void Parameter::set_range(double new_minimum, double new_maximum) {
    minimum = new_minimum;
    maximum = new_maximum;
}

void Parameter::set_label(const char* new_label) {
    label.fill('\0');
    if (new_label != nullptr) std::strncpy(label.data(), new_label, label.size() - 1);
}

void Parameter::set_on_change(ParameterChangeFn callback, void* data) {
    on_change = callback;
    on_change_data = data;
    if (on_change != nullptr) on_change(this, on_change_data);
}

double Parameter::normalized() const {
    const double range = maximum - minimum;
    if (std::fabs(range) <= ZERO_LENGTH) return 0.0;
    return (value - minimum) / range;
}

void Parameter::set_value(double new_value) {
    value = std::min(maximum, std::max(minimum, new_value));
    if (on_change != nullptr) on_change(this, on_change_data);
}

void Parameter::set_normalized(double fraction) { set_value(minimum + (maximum - minimum) * fraction); }

const char* Parameter::format_text() {
    std::snprintf(text.data(), text.size(), "%.2f %s", value, label.data());
    return text.data();
}
