#include "audio/array_utils.h"

#include <algorithm>
#include <cmath>

namespace {
constexpr float SCAN_START = -1e15f;
constexpr float NEARLY_ZERO = 1e-15f;

// Clamps to 0 ... 1, with what is not a number going to 0.
float unit_clamp(float value) {
    if (!(value > 0.0f)) return 0.0f;
    return value > 1.0f ? 1.0f : value;
}
}  // namespace

void to_decibels(float* values, int32_t count) {
    for (int32_t i = 0; i < count; ++i) values[i] = 20.0f * std::log10(values[i]);
}

void from_decibels(float* values, int32_t count) {
    for (int32_t i = 0; i < count; ++i) values[i] = std::pow(10.0f, values[i] / 20.0f);
}

void decibels_to_unit(float* values, int32_t count, float floor_db) {
    const float range = -floor_db;
    if (std::fabs(range) <= NEARLY_ZERO) {
        for (int32_t i = 0; i < count; ++i) values[i] = values[i] >= 0.0f ? 1.0f : 0.0f;
        return;
    }
    for (int32_t i = 0; i < count; ++i) values[i] = unit_clamp((values[i] - floor_db) / range);
}

void smooth_into(float* values, float* state, int32_t count, float k) {
    const float rest = 1.0f - k;
    for (int32_t i = 0; i < count; ++i) {
        state[i] = k * state[i] + rest * values[i];
        values[i] = state[i];
    }
}

float sum(const float* values, int32_t count) {
    double total = 0.0;
    for (int32_t i = 0; i < count; ++i) total += values[i];
    return static_cast<float>(total);
}

float maximum(const float* values, int32_t count) {
    float largest = SCAN_START;
    for (int32_t i = 0; i < count; ++i) largest = std::max(largest, values[i]);
    return largest;
}

int32_t argmax(const float* values, int32_t count) {
    float largest = SCAN_START;
    int32_t index = 0;
    for (int32_t i = 0; i < count; ++i) {
        if (values[i] > largest) {
            largest = values[i];
            index = i;
        }
    }
    return index;
}

float peak_position(const float* values, int32_t count) {
    const int32_t index = argmax(values, count);
    if (index <= 0 || index >= count - 1) return static_cast<float>(index);
    const float left = values[index - 1];
    const float peak = values[index];
    const float right = values[index + 1];
    const float curvature = left - 2.0f * peak + right;
    if (std::fabs(curvature) <= NEARLY_ZERO) return static_cast<float>(index);
    const float position = static_cast<float>(index) + 0.5f * (left - right) / curvature;
    return std::isfinite(position) ? position : static_cast<float>(index);
}

void normalize_range(float* values, int32_t count) {
    if (count <= 0) return;
    const auto [low, high] = std::minmax_element(values, values + count);
    const float lowest = *low;
    const float range = *high - lowest;
    if (!(range > NEARLY_ZERO)) {
        std::fill_n(values, count, 0.0f);
        return;
    }
    for (int32_t i = 0; i < count; ++i) values[i] = (values[i] - lowest) / range;
}

float shortfall(float a, float b) {
    if (std::fabs(b) <= NEARLY_ZERO) return 0.0f;
    return unit_clamp((b - a) / b);
}

float attenuate(float x, float y) { return y * (1.0f - x); }

void peaks_of(const float* values, float* peaks, int32_t count) {
    if (count <= 0) return;
    std::fill_n(peaks, count, 0.0f);
    if (count == 1) {
        peaks[0] = values[0];
    } else if (count == 2) {
        const int32_t larger = values[0] > values[1] ? 0 : 1;
        peaks[larger] = values[larger];
    } else {
        for (int32_t i = 1; i < count - 1; ++i)
            if (values[i] > values[i - 1] && values[i] > values[i + 1]) peaks[i] = values[i];
    }
}
