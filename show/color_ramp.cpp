#include "show/color_ramp.h"

#include <cstddef>

ColorRamp* color_ramp_new() { return new ColorRamp{}; }

void color_ramp_set(ColorRamp* ramp, const Rgb* stops, int32_t n) {
    if (stops == nullptr || n < 0) n = 0;
    ramp->stops.assign(stops, stops + n);
    ramp->count = n;
}

void color_ramp_sample(const ColorRamp* ramp, Rgb& out, float x) {
    if (ramp->count <= 0) {
        out = {0.0f, 0.0f, 0.0f};
        return;
    }
    // Written so that NaN, which compares false with everything, takes the
    // first stop instead of reaching the index below.
    if (!(x > 0.0f) || ramp->count == 1) {
        out = ramp->stops.front();
        return;
    }
    if (x >= 1.0f) {
        out = ramp->stops[static_cast<size_t>(ramp->count - 1)];
        return;
    }
    const float f = static_cast<float>(ramp->count - 1) * x;
    const auto i = static_cast<size_t>(f);
    const float u = f - static_cast<float>(i);
    for (size_t c = 0; c < 3; ++c) {
        const float from = ramp->stops[i][c];
        const float to = ramp->stops[i + 1][c];
        out[c] = static_cast<float>(static_cast<double>(from) * (1.0 - u) + static_cast<double>(to * u));
    }
}

void color_ramp_destroy(ColorRamp* ramp) { delete ramp; }
