#pragma once

#include <cstdint>
#include <vector>

#include "geometry/vec3.h"

// A straight segment with a weight at either end.
struct PathSegment {
    Vec3 a{};
    Vec3 b{};
    float wa = 1.0f;
    float wb = 1.0f;
};
static_assert(sizeof(PathSegment) == 8 * sizeof(float), "a segment is eight packed floats");

inline constexpr int32_t PATHSET_INITIAL_CAPACITY = 1024;

// A growable list of weighted segments and one display scale that shrinks
// or grows every segment about its own midpoint. The stored segments never
// change with the scale: every reader (drawing, the deformer) sees them
// through pathset_segment.
struct PathSet {
    int32_t count = 0;
    std::vector<PathSegment> segments;  // capacity entries; the first count in use
    int32_t capacity = 0;
    float display_scale = 1.0f;
};

PathSet* pathset_new();
void pathset_destroy(PathSet* paths);
// Appends (a, b) with both weights 1; a full array doubles.
void pathset_append(PathSet* paths, const Vec3& a, const Vec3& b);
// Sets the weights of the last segment; nothing on an empty set.
void pathset_set_last_weights(PathSet* paths, float wa, float wb);
void pathset_set_scale(PathSet* paths, float s);
int32_t pathset_count(const PathSet* paths);
// Segment i as displayed: (a - m) * s + m and (b - m) * s + m, with m its
// midpoint and s the display scale. An index outside [0, count) leaves a
// and b untouched.
void pathset_segment(const PathSet* paths, int32_t i, Vec3& a, Vec3& b);
// The stored weights of segment i; untouched for an index outside [0, count).
void pathset_weights(const PathSet* paths, int32_t i, float& wa, float& wb);

// Operations on any two endpoints, in place.
void segment_translate(Vec3& a, Vec3& b, float dx, float dy, float dz);
// Component-wise about the origin.
void segment_scale(Vec3& a, Vec3& b, float sx, float sy, float sz);
// Turns the segment about its midpoint (counter-clockwise seen from +Z for a
// positive angle); both ends end up at the midpoint's height.
void segment_rotate_z(Vec3& a, Vec3& b, float degrees);
void segment_midpoint(const Vec3& a, const Vec3& b, Vec3& m);
