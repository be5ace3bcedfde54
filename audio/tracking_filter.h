#pragma once

#include <cmath>
#include <cstdint>

#include "audio/phasor.h"

// One bin of the analysis: mixes the input down with its own oscillator,
// smooths the product twice (two one-pole stages), and steers the
// oscillator towards the strongest component near its centre, so that the
// second stage settles at half the amplitude of that component and turns
// no further. The fields are the plain reads.
struct TrackingFilter {
    Phasor phasor;  // the local oscillator
    float alpha1 = 0.0f;
    float one_minus_alpha1 = 1.0f;
    Complex stage1;
    float alpha2 = 0.0f;
    float one_minus_alpha2 = 1.0f;
    Complex stage2;
    // stage2 now times the conjugate of stage2 one sample earlier: its
    // angle is how far the output turned in one sample.
    Complex step_product{1.0f, 0.0f};
    float alpha3 = 0.0f;  // gain of the frequency correction
    float one_minus_alpha3 = 1.0f;  // kept with alpha3, not used
    float nominal_hz = 0.0f;
    // Power stage2 must exceed for the filter to track; the bank rewrites
    // it before every sample.
    float threshold = 0.001f;
    // Set when tracking stays strictly inside the bin's range, whose
    // edges are given as phasor steps (the upper frequency has the more
    // negative step).
    int32_t limited = 0;
    float upper_bound_step = -1.0f;
    float lower_bound_step = -1.0f;
    float sample_rate = 44100.0f;

    // A filter resting at its centre frequency with both smoothing stages
    // at alpha and the correction gain at alpha / 2.
    static TrackingFilter at_centre(float nominal_hz, float alpha, float sample_rate);

    // Each stores alpha and its complement; a value outside 0 ... 1 is ignored.
    void set_alpha1(float alpha);
    void set_alpha2(float alpha);
    void set_alpha3(float alpha);
    // New centre (the oscillator returns to it) and smoothing constants.
    void configure(float centre_hz, float alpha1, float alpha2, float alpha3);
    // Confines tracking to frequencies strictly between the two.
    void limit_to(float lower_hz, float upper_hz);

    void process_sample(float x);

    // Squared length of the output.
    float power() const { return stage2.re * stage2.re + stage2.im * stage2.im; }
    // Unit vector of the output; (0, 0) while the output is nearly zero.
    Complex direction() const;
    // Unit vector of the last turn of the output; (1, 0) while unknown.
    Complex step_direction() const;
    // Radians the output turned in the last sample.
    float phase_step() const;
};

// The angle of (re, im) in radians, in double precision. A tracking
// filter's output turns by a few thousandths of a radian per sample (all
// but about one tracking step in two hundred turn by less than a tenth),
// and there the arc tangent series to the fifteenth power is exact to
// double precision (the next term is below 1e-17 of the angle) and several
// times cheaper than the library's general atan2, which handles the rest.
inline double turn_angle(float im, float re) {
    const double y = im;
    const double x = re;
    if (x > 0.0 && std::fabs(y) < 0.1 * x) {
        const double t = y / x;
        const double t2 = t * t;
        constexpr double c3 = 1.0 / 3, c5 = 1.0 / 5, c7 = 1.0 / 7, c9 = 1.0 / 9, c11 = 1.0 / 11,
                         c13 = 1.0 / 13, c15 = 1.0 / 15;
        return t * (1.0 - t2 * (c3 - t2 * (c5 - t2 * (c7 - t2 * (c9 - t2 * (c11 - t2 * (c13 - t2 * c15)))))));
    }
    return std::atan2(y, x);
}

// In the header so that the bank's loop, which runs it 256 x 112 times a
// block, keeps the filter in registers from here to the renormalisation.
inline void TrackingFilter::process_sample(float x) {
    const float a = alpha1 * x;
    const Complex mixer = phasor.output();
    stage1.re = one_minus_alpha1 * stage1.re + a * mixer.re;
    stage1.im = one_minus_alpha1 * stage1.im + a * mixer.im;

    const Complex old = stage2;
    stage2.re = one_minus_alpha2 * old.re + alpha2 * stage1.re;
    stage2.im = one_minus_alpha2 * old.im + alpha2 * stage1.im;
    step_product.re = stage2.re * old.re + stage2.im * old.im;
    step_product.im = stage2.im * old.re - stage2.re * old.im;

    if (power() > threshold) {
        // The output still turns by the angle of step_product per sample:
        // move the oscillator a fraction alpha3 of the way towards it.
        const double turn = turn_angle(step_product.im, step_product.re);
        float candidate = static_cast<float>(turn * -static_cast<double>(alpha3)) + phasor.step;
        // Out of range, or no number at all after an overflowing input: an
        // oscillator with a step that is not a number would never recover.
        const bool keep = limited != 0 ? !(candidate > upper_bound_step && candidate < lower_bound_step)
                                       : !std::isfinite(candidate);
        if (keep) candidate = phasor.step;
        phasor.set_step(candidate);
    } else {
        phasor.set_frequency_hz(nominal_hz);
    }
    phasor.advance();
}
