#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "geometry/vec3.h"

using SegmentEnds = std::array<Vec3, 2>;

// A list of bare segments: endpoint pairs without weights.
struct SegmentList {
    int32_t count = 0;
    std::vector<SegmentEnds> segments;
};

SegmentList* segment_list_new();
void segment_list_destroy(SegmentList* list);
// Copies n segments, six packed floats each (a then b); a negative n or a
// missing source empties the list.
void segment_list_set_segments(SegmentList* list, const float* src, int32_t n);
void segment_list_translate(SegmentList* list, float dx, float dy, float dz);
void segment_list_scale(SegmentList* list, float sx, float sy, float sz);
// Turns every endpoint about the Z axis through the origin.
void segment_list_rotate_z(SegmentList* list, float degrees);
// The box of both endpoints of every segment.
void segment_list_bounds(const SegmentList* list, BoundingBox& out);
// Moves the segments so that the centre of their box is the origin.
void segment_list_center(SegmentList* list);
