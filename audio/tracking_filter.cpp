#include "audio/tracking_filter.h"

#include <cmath>

namespace {
constexpr float NEARLY_ZERO = 1e-15f;

bool is_unit_fraction(float alpha) { return alpha >= 0.0f && alpha <= 1.0f; }

Complex unit_vector(Complex value, Complex when_zero) {
    const float length = std::sqrt(value.re * value.re + value.im * value.im);
    if (!(length >= NEARLY_ZERO)) return when_zero;
    return {value.re / length, value.im / length};
}
}  // namespace

TrackingFilter TrackingFilter::at_centre(float nominal_hz, float alpha, float sample_rate) {
    TrackingFilter filter;
    filter.phasor = Phasor::at_frequency(nominal_hz, sample_rate);
    filter.nominal_hz = nominal_hz;
    filter.sample_rate = sample_rate;
    filter.set_alpha1(alpha);
    filter.set_alpha2(alpha);
    filter.set_alpha3(alpha * 0.5f);
    return filter;
}

void TrackingFilter::set_alpha1(float alpha) {
    if (!is_unit_fraction(alpha)) return;
    alpha1 = alpha;
    one_minus_alpha1 = 1.0f - alpha;
}

void TrackingFilter::set_alpha2(float alpha) {
    if (!is_unit_fraction(alpha)) return;
    alpha2 = alpha;
    one_minus_alpha2 = 1.0f - alpha;
}

void TrackingFilter::set_alpha3(float alpha) {
    if (!is_unit_fraction(alpha)) return;
    alpha3 = alpha;
    one_minus_alpha3 = 1.0f - alpha;
}

void TrackingFilter::configure(float centre_hz, float new_alpha1, float new_alpha2, float new_alpha3) {
    nominal_hz = centre_hz;
    phasor.set_frequency_hz(centre_hz);
    set_alpha1(new_alpha1);
    set_alpha2(new_alpha2);
    set_alpha3(new_alpha3);
}

void TrackingFilter::limit_to(float lower_hz, float upper_hz) {
    limited = 1;
    upper_bound_step = Phasor::step_for(upper_hz, sample_rate);
    lower_bound_step = Phasor::step_for(lower_hz, sample_rate);
}

Complex TrackingFilter::direction() const { return unit_vector(stage2, {0.0f, 0.0f}); }

Complex TrackingFilter::step_direction() const { return unit_vector(step_product, {1.0f, 0.0f}); }

float TrackingFilter::phase_step() const { return std::atan2(step_product.im, step_product.re); }
