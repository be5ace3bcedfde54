#include "geometry/paths.h"

#include <algorithm>

namespace {
bool holds(const PathSet* paths, int32_t i) { return i >= 0 && i < paths->count; }
}  // namespace

PathSet* pathset_new() {
    PathSet* paths = new PathSet{};
    paths->segments.resize(PATHSET_INITIAL_CAPACITY);
    paths->capacity = PATHSET_INITIAL_CAPACITY;
    return paths;
}

void pathset_destroy(PathSet* paths) { delete paths; }

void pathset_append(PathSet* paths, const Vec3& a, const Vec3& b) {
    if (paths->count >= paths->capacity) {
        const int32_t capacity = std::max(2 * paths->capacity, 1);
        std::vector<PathSegment> larger(static_cast<size_t>(capacity));
        std::copy_n(paths->segments.begin(), paths->count, larger.begin());
        paths->segments.swap(larger);
        paths->capacity = capacity;
    }
    paths->segments[static_cast<size_t>(paths->count)] = PathSegment{a, b, 1.0f, 1.0f};
    ++paths->count;
}

void pathset_set_last_weights(PathSet* paths, float wa, float wb) {
    if (paths->count == 0) return;
    PathSegment& last = paths->segments[static_cast<size_t>(paths->count - 1)];
    last.wa = wa;
    last.wb = wb;
}

void pathset_set_scale(PathSet* paths, float s) { paths->display_scale = s; }

int32_t pathset_count(const PathSet* paths) { return paths->count; }

void pathset_segment(const PathSet* paths, int32_t i, Vec3& a, Vec3& b) {
    if (!holds(paths, i)) return;
    const PathSegment& segment = paths->segments[static_cast<size_t>(i)];
    const float s = paths->display_scale;
    Vec3 m;
    segment_midpoint(segment.a, segment.b, m);
    Vec3 shown_a = segment.a;
    Vec3 shown_b = segment.b;
    segment_translate(shown_a, shown_b, -m[0], -m[1], -m[2]);
    segment_scale(shown_a, shown_b, s, s, s);
    segment_translate(shown_a, shown_b, m[0], m[1], m[2]);
    a = shown_a;
    b = shown_b;
}

void pathset_weights(const PathSet* paths, int32_t i, float& wa, float& wb) {
    if (!holds(paths, i)) return;
    const PathSegment& segment = paths->segments[static_cast<size_t>(i)];
    wa = segment.wa;
    wb = segment.wb;
}

void segment_translate(Vec3& a, Vec3& b, float dx, float dy, float dz) {
    const Vec3 offset{dx, dy, dz};
    vec3_add(a, offset);
    vec3_add(b, offset);
}

void segment_scale(Vec3& a, Vec3& b, float sx, float sy, float sz) {
    const Vec3 factors{sx, sy, sz};
    vec3_mul(a, factors);
    vec3_mul(b, factors);
}

void segment_rotate_z(Vec3& a, Vec3& b, float degrees) {
    Vec3 m;
    segment_midpoint(a, b, m);
    const ZRotation rotation = z_rotation(degrees);
    for (Vec3* end : {&a, &b}) {
        vec3_rotate_z(*end, rotation, m[0], m[1]);
        (*end)[2] = m[2];
    }
}

void segment_midpoint(const Vec3& a, const Vec3& b, Vec3& m) {
    const Vec3 mid{(a[0] + b[0]) * 0.5f, (a[1] + b[1]) * 0.5f, (a[2] + b[2]) * 0.5f};
    m = mid;
}
