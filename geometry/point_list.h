#pragma once

#include <cstdint>
#include <vector>

#include "geometry/vec3.h"

// A list of points, such as the places of a figure's cells.
struct PointList {
    int32_t count = 0;
    std::vector<Vec3> points;
};

PointList* point_list_new();
void point_list_destroy(PointList* list);
// Copies n packed float triples; a negative n or a missing source empties
// the list.
void point_list_set_points(PointList* list, const float* src, int32_t n);
void point_list_translate(PointList* list, float dx, float dy, float dz);
void point_list_scale(PointList* list, float sx, float sy, float sz);
// The box of all points; the empty box for an empty list.
void point_list_bounds(const PointList* list, BoundingBox& out);
// Turns the points about the Z axis through the centre of their box.
void point_list_rotate_z(PointList* list, float degrees);
// Moves the points so that the centre of their box is the origin.
void point_list_center(PointList* list);
