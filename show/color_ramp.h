#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "geometry/rgb.h"

// Colours spread evenly over [0, 1], blended linearly between neighbours.
struct ColorRamp {
    int32_t count = 0;
    std::vector<Rgb> stops;
};

// The show's rainbow: red, orange, yellow, green, cyan, sky blue, violet.
inline constexpr std::array<Rgb, 7> RAMP_STOPS = {{
    {1.0f, 0.0f, 0.0f},
    {1.0f, 0.65f, 0.0f},
    {1.0f, 1.0f, 0.0f},
    {0.0f, 0.5f, 0.0f},
    {0.0f, 1.0f, 1.0f},
    {0.0f, 0.6f, 1.0f},
    {0.6f, 0.0f, 1.0f},
}};

ColorRamp* color_ramp_new();
// Replaces the stops with copies of n colours.
void color_ramp_set(ColorRamp* ramp, const Rgb* stops, int32_t n);
// The colour at x: the first stop at or below 0 (and at NaN), the last at
// or above 1.
// A ramp of one stop is that colour everywhere; an empty ramp gives black.
void color_ramp_sample(const ColorRamp* ramp, Rgb& out, float x);
void color_ramp_destroy(ColorRamp* ramp);
