#pragma once

#include <array>
#include <cstdint>

// A point or direction as three packed single-precision floats. An array of
// Vec3 is a plain run of float triples with nothing between them, so the
// operations below work in place on a vertex inside a mesh's position array
// or on an endpoint inside a path segment.
using Vec3 = std::array<float, 3>;
static_assert(sizeof(Vec3) == 3 * sizeof(float), "Vec3 must pack three floats");

// Lengths and divisors no greater than this count as zero. Float lengths are
// widened to double before they are compared with it.
inline constexpr double EPSILON = 1e-15;

// The axis-aligned box around a set of points. A new box is empty: its
// corners are "inside out", so the first point seen sets both.
struct BoundingBox {
    Vec3 min{1e15f, 1e15f, 1e15f};
    Vec3 max{-1e15f, -1e15f, -1e15f};
};

void vec3_copy(Vec3& dst, const Vec3& src);
// v := v * s
void vec3_scale(Vec3& v, float s);
// v := v + w
void vec3_add(Vec3& v, const Vec3& w);
// out := a - b (out may be a or b)
void vec3_sub(const Vec3& a, const Vec3& b, Vec3& out);
// v := v * w, component by component
void vec3_mul(Vec3& v, const Vec3& w);
float vec3_length(const Vec3& v);
// The length of b - a.
float vec3_distance(const Vec3& a, const Vec3& b);
float vec3_distance_sq(const Vec3& a, const Vec3& b);
float vec3_dot(const Vec3& a, const Vec3& b);
// out := a x b (out may be a or b)
void vec3_cross(const Vec3& a, const Vec3& b, Vec3& out);
// Scales v to unit length through the float reciprocal of its length. A
// vector no longer than EPSILON, the zero vector included, stays as it is.
void vec3_normalize(Vec3& v);

// Grows the box to hold p (strict comparisons, axis by axis).
void box_include(BoundingBox& box, const Vec3& p);
// The mean of the two corners; out may alias either.
void box_center(const BoundingBox& box, Vec3& out);
// max - min per axis; negative on every axis for an empty box.
void box_extent(const BoundingBox& box, Vec3& out);

// The sine and cosine of a turn about Z, computed in double from degrees
// and narrowed to float: what every "rotate about Z" turns points with.
struct ZRotation {
    float sin_a = 0.0f;
    float cos_a = 1.0f;
};
ZRotation z_rotation(float degrees);
// Turns p about the axis parallel to Z through (cx, cy); z is unchanged.
void vec3_rotate_z(Vec3& p, const ZRotation& rotation, float cx, float cy);

// Bias/gain curve on [0, 1], all in double: the identity for g = 0.5, an S
// (steep in the middle) for g below 0.5, the reverse above. For 0 < g < 1
// an x below 0 gives 0 and an x above 1 gives 1.
double gain(double x, double g);

// Distance of p from the infinite line through a and b; t receives the
// projection parameter (0 at a, 1 at b). A line shorter than EPSILON gives
// distance 0 and t = 0.
float line_distance(const Vec3& p, const Vec3& a, const Vec3& b, float& t);
// Distance of p from the segment a-b: line_distance, replaced by the
// distance to a when t < 0 and to b when t > 1. t is left unclamped. A
// segment shorter than EPSILON is the point a: the distance to a, t = 0.
float segment_distance(const Vec3& p, const Vec3& a, const Vec3& b, float& t);

// A segment with its direction b - a and that direction's length, for
// measuring many points against it: the distances below give exactly what
// the forms taking a and b give.
struct SegmentSpan {
    Vec3 a{};
    Vec3 b{};
    Vec3 d{};
    float length = 0.0f;
};
SegmentSpan segment_span(const Vec3& a, const Vec3& b);
float line_distance(const Vec3& p, const SegmentSpan& span, float& t);
float segment_distance(const Vec3& p, const SegmentSpan& span, float& t);

// The point of segment a-b that belongs to the parameter t of
// segment_distance: a for t < 0, b for t > 1, else (b - a) * t + a.
void segment_point(const Vec3& a, const Vec3& b, float t, Vec3& out);
// The same clamped interpolation for two values at the segment's ends.
float segment_value(float at_a, float at_b, float t);
