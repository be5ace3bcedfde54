// The oscillator and the single tracking filter, fed generated signals.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "audio/phasor.h"
#include "audio/tracking_filter.h"
#include "tests/support/signals.h"

namespace {
constexpr double PI = std::numbers::pi;

float magnitude(Complex value) { return std::sqrt(value.re * value.re + value.im * value.im); }

void run(TrackingFilter& filter, const std::vector<float>& samples) {
    for (float x : samples) {
        filter.process_sample(x);
        filter.phasor.renormalize();
    }
}
}  // namespace

TEST(Phasor, TurnsClockwiseByItsFrequency) {
    Phasor phasor = Phasor::at_frequency(1000.0f, 44100.0f);
    EXPECT_LT(phasor.step, 0.0f);
    EXPECT_NEAR(phasor.step, -2.0 * PI * 1000.0 / 44100.0, 1e-7);
    EXPECT_NEAR(phasor.frequency_hz(), 1000.0f, 1e-3f);
    EXPECT_EQ(phasor.re, 1.0f);
    EXPECT_EQ(phasor.im, 0.0f);

    // Eleven samples: a little less than a quarter turn, clockwise.
    for (int n = 0; n < 11; ++n) phasor.advance();
    const double angle = -2.0 * PI * 1000.0 * 11 / 44100.0;
    EXPECT_NEAR(phasor.re, std::cos(angle), 1e-5);
    EXPECT_NEAR(phasor.im, std::sin(angle), 1e-5);

    // 441 samples are ten whole turns; renormalised, it stays on the circle.
    for (int n = 11; n < 441 * 100; ++n) {
        phasor.advance();
        phasor.renormalize();
    }
    EXPECT_NEAR(phasor.re, 1.0f, 1e-3f);
    EXPECT_NEAR(phasor.im, 0.0f, 2e-2f);
    EXPECT_NEAR(magnitude({phasor.re, phasor.im}), 1.0f, 1e-5f);
}

TEST(Phasor, QuarterTurnStepRotatesExactly) {
    Phasor phasor;
    phasor.set_step(static_cast<float>(-PI / 2));
    EXPECT_NEAR(phasor.cos_step, 0.0f, 1e-7f);
    EXPECT_NEAR(phasor.sin_step, -1.0f, 1e-7f);
    phasor.advance();
    EXPECT_NEAR(phasor.re, 0.0f, 1e-7f);
    EXPECT_NEAR(phasor.im, -1.0f, 1e-7f);
    phasor.advance();
    EXPECT_NEAR(phasor.re, -1.0f, 1e-7f);
    EXPECT_NEAR(phasor.im, 0.0f, 1e-7f);
}

TEST(Phasor, RenormalizePullsBackToUnitLength) {
    Phasor phasor;
    phasor.re = 0.6f * 1.01f;
    phasor.im = 0.8f * 1.01f;
    phasor.renormalize();
    EXPECT_NEAR(magnitude({phasor.re, phasor.im}), 1.0f, 2e-4f);
    EXPECT_NEAR(phasor.im / phasor.re, 0.8f / 0.6f, 1e-6f);  // direction kept
    phasor.renormalize();
    EXPECT_NEAR(magnitude({phasor.re, phasor.im}), 1.0f, 1e-6f);
}

TEST(Phasor, SampleRateKeepsTheStep) {
    Phasor phasor = Phasor::at_frequency(440.0f, 44100.0f);
    const float step = phasor.step;
    phasor.set_sample_rate(88200.0f);
    EXPECT_EQ(phasor.step, step);
    EXPECT_NEAR(phasor.frequency_hz(), 880.0f, 1e-3f);
    // It still turns by 0.0627 of a radian a sample.
    phasor.advance();
    EXPECT_NEAR(phasor.re, 0.998036f, 1e-6f);
    EXPECT_NEAR(phasor.im, -0.062648f, 1e-6f);
    phasor.set_frequency_hz(440.0f);
    EXPECT_NEAR(phasor.step, step / 2, 1e-8f);
}

TEST(Phasor, PhaseOffsetTurnsTheOutputOnly) {
    Phasor phasor = Phasor::at_frequency(100.0f, 44100.0f);
    phasor.set_phase(static_cast<float>(PI / 3));
    const Complex out = phasor.output();
    EXPECT_NEAR(out.re, 0.5f, 1e-6f);
    EXPECT_NEAR(out.im, std::sqrt(3.0f) / 2, 1e-6f);
    EXPECT_EQ(phasor.re, 1.0f);
    EXPECT_EQ(phasor.im, 0.0f);
}

TEST(TrackingFilter, RestsAtItsCentreUntilItsOutputIsStrongEnough) {
    TrackingFilter filter = TrackingFilter::at_centre(659.2f, 0.0023f, 44100.0f);
    // No output yet: no direction, no turn.
    EXPECT_EQ(filter.direction().re, 0.0f);
    EXPECT_EQ(filter.direction().im, 0.0f);
    EXPECT_EQ(filter.step_direction().re, 1.0f);
    EXPECT_EQ(filter.phase_step(), 0.0f);
    // The threshold it starts with lies between the output powers of a
    // nearby tone at amplitude 0.05 (0.000625), which it leaves alone, and
    // at 0.08 (0.0016), which it follows.
    run(filter, sine_tone(665.0, 0.05, 44100));
    EXPECT_EQ(filter.phasor.step, Phasor::step_for(659.2f, 44100.0f));
    TrackingFilter louder = TrackingFilter::at_centre(659.2f, 0.0023f, 44100.0f);
    run(louder, sine_tone(665.0, 0.08, 44100));
    EXPECT_NEAR(louder.phasor.frequency_hz(), 665.0f, 0.1f);
}

TEST(TrackingFilter, SmoothingConstantsOutsideZeroToOneAreIgnored) {
    TrackingFilter filter = TrackingFilter::at_centre(1000.0f, 0.01f, 44100.0f);
    filter.set_alpha1(1.5f);
    filter.set_alpha2(-0.1f);
    filter.set_alpha3(std::nanf(""));
    EXPECT_EQ(filter.alpha1, 0.01f);
    EXPECT_EQ(filter.alpha2, 0.01f);
    EXPECT_EQ(filter.alpha3, 0.005f);
    filter.set_alpha1(1.0f);
    filter.set_alpha2(0.0f);
    EXPECT_EQ(filter.alpha1, 1.0f);
    EXPECT_EQ(filter.one_minus_alpha1, 0.0f);
    EXPECT_EQ(filter.alpha2, 0.0f);
    EXPECT_EQ(filter.one_minus_alpha2, 1.0f);

    filter.configure(2000.0f, 0.02f, 2.0f, 0.03f);
    EXPECT_EQ(filter.nominal_hz, 2000.0f);
    EXPECT_NEAR(filter.phasor.frequency_hz(), 2000.0f, 1e-2f);
    EXPECT_EQ(filter.alpha1, 0.02f);
    EXPECT_EQ(filter.alpha2, 0.0f);  // 2 is no smoothing constant
    EXPECT_EQ(filter.alpha3, 0.03f);
}

TEST(TrackingFilter, LocksOntoANearbyTone) {
    TrackingFilter filter = TrackingFilter::at_centre(659.2f, 0.0023f, 44100.0f);
    filter.threshold = 1e-6f;
    run(filter, sine_tone(690.0, 0.5, 44100));
    EXPECT_NEAR(filter.phasor.frequency_hz(), 690.0f, 0.1f);
    EXPECT_NEAR(std::sqrt(filter.power()), 0.25f, 0.003f);  // half the amplitude
    // Locked: the output hardly turns any more.
    EXPECT_NEAR(filter.phase_step(), 0.0f, 1e-4f);
    EXPECT_NEAR(magnitude(filter.direction()), 1.0f, 1e-5f);
    EXPECT_NEAR(filter.step_direction().re, 1.0f, 1e-5f);
}

TEST(TrackingFilter, LimitedTrackingStaysInsideItsRange) {
    TrackingFilter filter = TrackingFilter::at_centre(659.2f, 0.0023f, 44100.0f);
    filter.threshold = 1e-6f;
    filter.limit_to(640.0f, 680.0f);
    EXPECT_EQ(filter.limited, 1);
    EXPECT_LT(filter.upper_bound_step, filter.lower_bound_step);
    run(filter, sine_tone(690.0, 0.5, 44100));
    const float tracked = filter.phasor.frequency_hz();
    EXPECT_LT(tracked, 680.0f);
    EXPECT_GT(tracked, 679.0f);  // pulled up to the edge
    // The tone then slides into range: the filter follows.
    run(filter, sine_tone(670.0, 0.5, 44100));
    EXPECT_NEAR(filter.phasor.frequency_hz(), 670.0f, 0.1f);
}

TEST(TrackingFilter, BelowTheThresholdReturnsToItsCentre) {
    TrackingFilter filter = TrackingFilter::at_centre(659.2f, 0.0023f, 44100.0f);
    filter.threshold = 1e-6f;
    run(filter, sine_tone(690.0, 0.5, 22050));
    EXPECT_GT(filter.phasor.frequency_hz(), 680.0f);
    filter.threshold = 1.0f;  // more power than the tone has
    run(filter, sine_tone(690.0, 0.5, 1));
    EXPECT_EQ(filter.phasor.step, Phasor::step_for(659.2f, 44100.0f));
}

TEST(TrackingFilter, TurnAngleAgreesWithTheLibraryArcTangent) {
    // The short series used for small turns must give the same frequency
    // corrections as the library's atan2: compare the float steps it leads to.
    uint32_t noise = 7;
    auto next = [&noise] {
        noise = noise * 1664525u + 1013904223u;
        return static_cast<float>(noise >> 8) / 8388608.0f - 1.0f;
    };
    int differing_steps = 0;
    for (int n = 0; n < 200000; ++n) {
        const float re = std::fabs(next()) + 1e-6f;
        const float im = next() * (n % 3 == 0 ? 0.012f : n % 3 == 1 ? 0.12f : 2.0f) * re;  // small, in range, beyond
        const double library = std::atan2(static_cast<double>(im), static_cast<double>(re));
        const double series = turn_angle(im, re);
        ASSERT_NEAR(series, library, 1e-15 + 1e-15 * std::fabs(library)) << im << " / " << re;
        const float alpha3 = 0.0112f, step = -0.094f;
        const float with_library = static_cast<float>(library * -static_cast<double>(alpha3)) + step;
        const float with_series = static_cast<float>(series * -static_cast<double>(alpha3)) + step;
        if (with_library != with_series) ++differing_steps;
    }
    EXPECT_EQ(differing_steps, 0);
    EXPECT_EQ(turn_angle(0.0f, -1.0f), std::atan2(0.0, -1.0));  // behind: the library's answer
}
