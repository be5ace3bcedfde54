#include "geometry/segment_list.h"

#include "geometry/packed_copy.h"

SegmentList* segment_list_new() { return new SegmentList{}; }

void segment_list_destroy(SegmentList* list) { delete list; }

void segment_list_set_segments(SegmentList* list, const float* src, int32_t n) {
    copy_packed(list->segments, list->count, src, n);
}

void segment_list_translate(SegmentList* list, float dx, float dy, float dz) {
    const Vec3 offset{dx, dy, dz};
    for (SegmentEnds& ends : list->segments) {
        for (Vec3& end : ends) vec3_add(end, offset);
    }
}

void segment_list_scale(SegmentList* list, float sx, float sy, float sz) {
    const Vec3 factors{sx, sy, sz};
    for (SegmentEnds& ends : list->segments) {
        for (Vec3& end : ends) vec3_mul(end, factors);
    }
}

void segment_list_rotate_z(SegmentList* list, float degrees) {
    const ZRotation rotation = z_rotation(degrees);
    for (SegmentEnds& ends : list->segments) {
        for (Vec3& end : ends) vec3_rotate_z(end, rotation, 0.0f, 0.0f);
    }
}

void segment_list_bounds(const SegmentList* list, BoundingBox& out) {
    BoundingBox box;
    for (const SegmentEnds& ends : list->segments) {
        for (const Vec3& end : ends) box_include(box, end);
    }
    out = box;
}

void segment_list_center(SegmentList* list) {
    if (list->count == 0) return;
    BoundingBox box;
    segment_list_bounds(list, box);
    Vec3 center;
    box_center(box, center);
    segment_list_translate(list, -center[0], -center[1], -center[2]);
}
