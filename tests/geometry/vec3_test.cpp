// Vector maths: in-place operations, the normalising guard, the gain curve
// and point-to-line and point-to-segment distances.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "geometry/vec3.h"

namespace {
void expect_vec3_near(const Vec3& actual, const Vec3& expected, float tolerance = 1e-6f) {
    for (size_t k = 0; k < 3; ++k) EXPECT_NEAR(actual[k], expected[k], tolerance) << "component " << k;
}
}  // namespace

TEST(Vec3, InPlaceOperationsWorkOnAVertexInsideAnArray) {
    Vec3 run[3] = {{1, 2, 3}, {4, 5, 6}, {7, 8, 9}};
    vec3_scale(run[1], 2.0f);
    EXPECT_EQ(run[1], (Vec3{8, 10, 12}));
    vec3_add(run[1], run[0]);
    EXPECT_EQ(run[1], (Vec3{9, 12, 15}));
    vec3_mul(run[2], Vec3{2, 0.5f, -1});
    EXPECT_EQ(run[2], (Vec3{14, 4, -9}));
    vec3_copy(run[0], run[2]);
    EXPECT_EQ(run[0], run[2]);
    // Neighbours are untouched: a Vec3 is exactly three packed floats.
    EXPECT_EQ(run[1], (Vec3{9, 12, 15}));
}

TEST(Vec3, SubtractionAndCrossProductMayWriteOverAnInput) {
    Vec3 a{1, 0, 0};
    const Vec3 b{0, 1, 0};
    vec3_cross(a, b, a);
    EXPECT_EQ(a, (Vec3{0, 0, 1}));
    Vec3 c{0, 1, 0};
    vec3_cross(Vec3{0, 0, 1}, c, c);
    EXPECT_EQ(c, (Vec3{-1, 0, 0}));
    Vec3 d{5, 7, 9};
    vec3_sub(d, Vec3{1, 2, 3}, d);
    EXPECT_EQ(d, (Vec3{4, 5, 6}));
}

TEST(Vec3, LengthsDistancesAndDotProduct) {
    EXPECT_FLOAT_EQ(vec3_length(Vec3{3, 4, 12}), 13.0f);
    EXPECT_FLOAT_EQ(vec3_distance(Vec3{1, 1, 1}, Vec3{4, 5, 1}), 5.0f);
    EXPECT_FLOAT_EQ(vec3_distance_sq(Vec3{1, 1, 1}, Vec3{4, 5, 1}), 25.0f);
    EXPECT_FLOAT_EQ(vec3_dot(Vec3{1, 2, 3}, Vec3{-4, 5, 0.5f}), 7.5f);
}

TEST(Vec3, NormalizeScalesByTheFloatReciprocal) {
    Vec3 v{3, 0, 4};
    vec3_normalize(v);
    const float reciprocal = 1.0f / 5.0f;
    EXPECT_EQ(v, (Vec3{3 * reciprocal, 0, 4 * reciprocal}));
    EXPECT_FLOAT_EQ(vec3_length(v), 1.0f);
}

TEST(Vec3, NormalizeLeavesZeroAndTinyVectorsUnchanged) {
    for (const Vec3& original : {Vec3{0, 0, 0}, Vec3{1e-16f, 0, 0}, Vec3{0, -5e-16f, 5e-16f}, Vec3{1e-30f, 1e-30f, 0}}) {
        Vec3 v = original;
        vec3_normalize(v);
        EXPECT_EQ(v, original);
        EXPECT_FALSE(std::isnan(v[0]) || std::isnan(v[1]) || std::isnan(v[2]));
    }
    // Just above the guard it normalises.
    Vec3 small{2e-15f, 0, 0};
    vec3_normalize(small);
    EXPECT_FLOAT_EQ(small[0], 1.0f);
}

TEST(Vec3, BoxesStartEmptyAndGrowPointByPoint) {
    BoundingBox box;
    EXPECT_EQ(box.min, (Vec3{1e15f, 1e15f, 1e15f}));
    EXPECT_EQ(box.max, (Vec3{-1e15f, -1e15f, -1e15f}));
    box_include(box, Vec3{1, -2, 3});
    EXPECT_EQ(box.min, (Vec3{1, -2, 3}));
    EXPECT_EQ(box.max, (Vec3{1, -2, 3}));
    box_include(box, Vec3{-1, 4, 3});
    EXPECT_EQ(box.min, (Vec3{-1, -2, 3}));
    EXPECT_EQ(box.max, (Vec3{1, 4, 3}));
    Vec3 center, extent;
    box_center(box, center);
    box_extent(box, extent);
    EXPECT_EQ(center, (Vec3{0, 1, 3}));
    EXPECT_EQ(extent, (Vec3{2, 6, 0}));
}

TEST(Vec3, ZRotationTurnsCounterClockwiseAboutAPoint) {
    Vec3 p{3, 1, 7};
    vec3_rotate_z(p, z_rotation(90.0f), 2.0f, 1.0f);
    expect_vec3_near(p, Vec3{2, 2, 7});
    const ZRotation quarter = z_rotation(90.0f);
    EXPECT_EQ(quarter.sin_a, 1.0f);
    // cos 90 degrees in double is 6.1e-17, not 0, and stays so as a float.
    EXPECT_EQ(quarter.cos_a, static_cast<float>(std::cos(std::numbers::pi / 2)));
}

TEST(Gain, IsTheIdentityAtOneHalf) {
    for (double x : {0.0, 0.1, 0.25, 0.5, 0.6, 0.9, 1.0}) EXPECT_DOUBLE_EQ(gain(x, 0.5), x);
}

TEST(Gain, BendsIntoAnSBelowOneHalfAndTheReverseAbove) {
    EXPECT_DOUBLE_EQ(gain(0.25, 0.25), 0.125);
    EXPECT_DOUBLE_EQ(gain(0.75, 0.25), 0.875);
    EXPECT_DOUBLE_EQ(gain(0.5, 0.25), 0.5);
    // Flat in the middle above one half: 0.5 * (0.5)^(-log2 0.75).
    EXPECT_NEAR(gain(0.25, 0.75), 0.5 * std::pow(0.5, -std::log2(0.75)), 1e-15);
    EXPECT_GT(gain(0.25, 0.75), 0.25);
    for (double x : {0.05, 0.2, 0.45}) EXPECT_NEAR(gain(1.0 - x, 0.3), 1.0 - gain(x, 0.3), 1e-15);
}

TEST(Gain, ClampsOutsideTheUnitInterval) {
    for (double g : {0.1, 0.35, 0.5, 0.9}) {
        EXPECT_EQ(gain(-3.0, g), 0.0) << g;
        EXPECT_EQ(gain(7.0, g), 1.0) << g;
    }
    for (double x : {-2.0, 0.0, 0.3, 0.5, 1.0, 4.0}) EXPECT_EQ(gain(x, 1.0), 0.5) << x;
}

TEST(Distances, PointToLineGivesDistanceAndProjection) {
    const Vec3 a{0, 0, 0}, b{2, 0, 0};
    float t = -9.0f;
    EXPECT_FLOAT_EQ(line_distance(Vec3{1, 1, 0}, a, b, t), 1.0f);
    EXPECT_FLOAT_EQ(t, 0.5f);
    EXPECT_FLOAT_EQ(line_distance(Vec3{3, 1, 0}, a, b, t), 1.0f);
    EXPECT_FLOAT_EQ(t, 1.5f);
    EXPECT_FLOAT_EQ(line_distance(Vec3{-1, 0, 2}, a, b, t), 2.0f);
    EXPECT_FLOAT_EQ(t, -0.5f);
}

TEST(Distances, PointToSegmentClampsToTheEnds) {
    const Vec3 a{0, 0, 0}, b{2, 0, 0};
    float t = 0.0f;
    EXPECT_FLOAT_EQ(segment_distance(Vec3{1, 1, 0}, a, b, t), 1.0f);
    EXPECT_FLOAT_EQ(t, 0.5f);
    EXPECT_FLOAT_EQ(segment_distance(Vec3{3, 1, 0}, a, b, t), std::sqrt(2.0f));
    EXPECT_FLOAT_EQ(t, 1.5f);  // t itself is not clamped
    EXPECT_FLOAT_EQ(segment_distance(Vec3{-3, 4, 0}, a, b, t), 5.0f);
    EXPECT_FLOAT_EQ(t, -1.5f);
}

TEST(Distances, ASegmentShorterThanEpsilonIsItsStartPoint) {
    // No line runs through a single point: line_distance gives 0 there, but
    // the segment is measured as the point it is.
    const Vec3 a{0, 0, 0};
    const Vec3 b{5e-16f, 0, 0};
    for (const Vec3& p : {Vec3{0, 1, 0}, Vec3{100, -3, 2}, a}) {
        float t = 0.7f;
        EXPECT_EQ(line_distance(p, a, a, t), 0.0f);
        EXPECT_EQ(t, 0.0f);
        for (const Vec3& end : {a, b}) {
            t = 0.7f;
            EXPECT_EQ(segment_distance(p, a, end, t), vec3_distance(p, a));
            EXPECT_EQ(t, 0.0f);
        }
    }
}

TEST(Distances, ClampedInterpolationFollowsTheSameRuleForPointsAndWeights) {
    const Vec3 a{0, 0, 0}, b{2, 4, 0};
    Vec3 out;
    segment_point(a, b, 0.25f, out);
    EXPECT_EQ(out, (Vec3{0.5f, 1, 0}));
    segment_point(a, b, -0.1f, out);
    EXPECT_EQ(out, a);
    segment_point(a, b, 1.2f, out);
    EXPECT_EQ(out, b);
    EXPECT_FLOAT_EQ(segment_value(0.0f, 1.0f, 0.5f), 0.5f);
    EXPECT_EQ(segment_value(0.2f, 1.0f, -3.0f), 0.2f);
    EXPECT_EQ(segment_value(0.2f, 1.0f, 3.0f), 1.0f);
}
