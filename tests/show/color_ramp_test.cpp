#include "show/color_ramp.h"

#include <gtest/gtest.h>

#include <limits>

namespace {
struct ShowRamp : testing::Test {
    ColorRamp* ramp = color_ramp_new();
    ShowRamp() { color_ramp_set(ramp, RAMP_STOPS.data(), 7); }
    ~ShowRamp() override { color_ramp_destroy(ramp); }

    Rgb at(float x) const {
        Rgb out{-1, -1, -1};
        color_ramp_sample(ramp, out, x);
        return out;
    }
};

void expect_color(const Rgb& got, float r, float g, float b) {
    EXPECT_NEAR(got[0], r, 1e-6);
    EXPECT_NEAR(got[1], g, 1e-6);
    EXPECT_NEAR(got[2], b, 1e-6);
}
}  // namespace

TEST_F(ShowRamp, BlendsNeighbouringStopsAndClampsToTheOuterOnes) {
    const float infinity = std::numeric_limits<float>::infinity();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const struct {
        float x;
        Rgb color;
    } samples[] = {
        {0.0f, {1, 0, 0}}, {-3.0f, {1, 0, 0}}, {-infinity, {1, 0, 0}},           // the first stop
        {1.0f, {0.6f, 0, 1}}, {7.0f, {0.6f, 0, 1}}, {infinity, {0.6f, 0, 1}},     // the last
        {nan, {1, 0, 0}}, {-nan, {1, 0, 0}},                                      // not a number: the first
        {0.5f, {0, 0.5f, 0}},                                                     // stop 3 exactly
        {1.0f / 12.0f, {1, 0.325f, 0}},                                           // halfway from stop 0 to 1
        {0.75f, {0, 0.8f, 1}},                                                    // halfway from stop 4 to 5
    };
    for (const auto& [x, color] : samples) {
        SCOPED_TRACE(testing::Message() << "at " << x);
        expect_color(at(x), color[0], color[1], color[2]);
    }
}

TEST(ColorRampShapes, SetReplacesTheStops) {
    ColorRamp* ramp = color_ramp_new();
    EXPECT_EQ(ramp->count, 0);
    color_ramp_set(ramp, RAMP_STOPS.data(), 7);
    const Rgb two[2] = {{0, 0, 0}, {1, 1, 1}};
    color_ramp_set(ramp, two, 2);
    EXPECT_EQ(ramp->count, 2);
    Rgb out{};
    color_ramp_sample(ramp, out, 0.25f);
    expect_color(out, 0.25f, 0.25f, 0.25f);
    color_ramp_destroy(ramp);
}

TEST(ColorRampShapes, FewerThanTwoStopsSampleSafely) {
    ColorRamp* ramp = color_ramp_new();
    Rgb out{9, 9, 9};
    color_ramp_sample(ramp, out, 0.5f);  // no stops: black
    expect_color(out, 0, 0, 0);
    const Rgb one = {0.2f, 0.4f, 0.6f};
    color_ramp_set(ramp, &one, 1);
    for (float x : {-1.0f, 0.0f, 0.3f, 0.99f, 1.0f, 2.0f}) {
        color_ramp_sample(ramp, out, x);
        expect_color(out, 0.2f, 0.4f, 0.6f);
    }
    color_ramp_set(ramp, nullptr, 3);  // nothing to copy: empty again
    EXPECT_EQ(ramp->count, 0);
    color_ramp_destroy(ramp);
}
