#include "geometry/vec3.h"

#include <cmath>
#include <numbers>

void vec3_copy(Vec3& dst, const Vec3& src) { dst = src; }

void vec3_scale(Vec3& v, float s) {
    v[0] *= s;
    v[1] *= s;
    v[2] *= s;
}

void vec3_add(Vec3& v, const Vec3& w) {
    v[0] += w[0];
    v[1] += w[1];
    v[2] += w[2];
}

void vec3_sub(const Vec3& a, const Vec3& b, Vec3& out) {
    out[0] = a[0] - b[0];
    out[1] = a[1] - b[1];
    out[2] = a[2] - b[2];
}

void vec3_mul(Vec3& v, const Vec3& w) {
    v[0] *= w[0];
    v[1] *= w[1];
    v[2] *= w[2];
}

float vec3_length(const Vec3& v) { return std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]); }

float vec3_distance(const Vec3& a, const Vec3& b) {
    Vec3 d;
    vec3_sub(b, a, d);
    return vec3_length(d);
}

float vec3_distance_sq(const Vec3& a, const Vec3& b) {
    const float dx = b[0] - a[0];
    const float dy = b[1] - a[1];
    const float dz = b[2] - a[2];
    return dx * dx + dy * dy + dz * dz;
}

float vec3_dot(const Vec3& a, const Vec3& b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

void vec3_cross(const Vec3& a, const Vec3& b, Vec3& out) {
    const Vec3 result{a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
    out = result;
}

void vec3_normalize(Vec3& v) {
    const float length = vec3_length(v);
    if (static_cast<double>(length) <= EPSILON) return;
    vec3_scale(v, 1.0f / length);
}

void box_include(BoundingBox& box, const Vec3& p) {
    for (size_t axis = 0; axis < 3; ++axis) {
        if (p[axis] < box.min[axis]) box.min[axis] = p[axis];
        if (p[axis] > box.max[axis]) box.max[axis] = p[axis];
    }
}

void box_center(const BoundingBox& box, Vec3& out) {
    const Vec3 center{(box.min[0] + box.max[0]) * 0.5f, (box.min[1] + box.max[1]) * 0.5f,
                      (box.min[2] + box.max[2]) * 0.5f};
    out = center;
}

void box_extent(const BoundingBox& box, Vec3& out) { vec3_sub(box.max, box.min, out); }

ZRotation z_rotation(float degrees) {
    const double radians = degrees * std::numbers::pi / 180.0;
    return {static_cast<float>(std::sin(radians)), static_cast<float>(std::cos(radians))};
}

void vec3_rotate_z(Vec3& p, const ZRotation& rotation, float cx, float cy) {
    const float x = p[0] - cx;
    const float y = p[1] - cy;
    p[0] = rotation.cos_a * x - rotation.sin_a * y + cx;
    p[1] = rotation.sin_a * x + rotation.cos_a * y + cy;
}

double gain(double x, double g) {
    const double e = -std::log2(g);
    if (x < 0.0) return 0.5 * std::pow(0.0, e);
    if (x > 1.0) return 1.0 - 0.5 * std::pow(0.0, e);
    if (x < 0.5) return 0.5 * std::pow(2.0 * x, e);
    return 1.0 - 0.5 * std::pow(2.0 - 2.0 * x, e);
}

SegmentSpan segment_span(const Vec3& a, const Vec3& b) {
    SegmentSpan span{a, b, {}, 0.0f};
    vec3_sub(b, a, span.d);
    span.length = vec3_length(span.d);
    return span;
}

float line_distance(const Vec3& p, const SegmentSpan& span, float& t) {
    t = 0.0f;
    if (static_cast<double>(span.length) <= EPSILON) return 0.0f;
    Vec3 w, n;
    vec3_sub(span.a, p, w);
    vec3_cross(span.d, w, n);
    t = -vec3_dot(w, span.d) / (span.length * span.length);
    return vec3_length(n) / span.length;
}

float segment_distance(const Vec3& p, const SegmentSpan& span, float& t) {
    // A segment shorter than EPSILON is a single point and has no line to
    // measure from; taking line_distance's 0 would put it nearest to
    // everything and let it capture every nearest-segment search.
    if (static_cast<double>(span.length) <= EPSILON) {
        t = 0.0f;
        return vec3_distance(p, span.a);
    }
    float distance = line_distance(p, span, t);
    if (t < 0.0f) distance = vec3_distance(p, span.a);
    if (t > 1.0f) distance = vec3_distance(p, span.b);
    return distance;
}

float line_distance(const Vec3& p, const Vec3& a, const Vec3& b, float& t) {
    return line_distance(p, segment_span(a, b), t);
}

float segment_distance(const Vec3& p, const Vec3& a, const Vec3& b, float& t) {
    return segment_distance(p, segment_span(a, b), t);
}

void segment_point(const Vec3& a, const Vec3& b, float t, Vec3& out) {
    if (t < 0.0f) {
        out = a;
    } else if (t > 1.0f) {
        out = b;
    } else {
        const Vec3 point{(b[0] - a[0]) * t + a[0], (b[1] - a[1]) * t + a[1], (b[2] - a[2]) * t + a[2]};
        out = point;
    }
}

float segment_value(float at_a, float at_b, float t) {
    if (t < 0.0f) return at_a;
    if (t > 1.0f) return at_b;
    return (at_b - at_a) * t + at_a;
}
