#include "geometry/point_list.h"

#include "geometry/packed_copy.h"

PointList* point_list_new() { return new PointList{}; }

void point_list_destroy(PointList* list) { delete list; }

void point_list_set_points(PointList* list, const float* src, int32_t n) {
    copy_packed(list->points, list->count, src, n);
}

void point_list_translate(PointList* list, float dx, float dy, float dz) {
    const Vec3 offset{dx, dy, dz};
    for (Vec3& point : list->points) vec3_add(point, offset);
}

void point_list_scale(PointList* list, float sx, float sy, float sz) {
    const Vec3 factors{sx, sy, sz};
    for (Vec3& point : list->points) vec3_mul(point, factors);
}

void point_list_bounds(const PointList* list, BoundingBox& out) {
    BoundingBox box;
    for (const Vec3& point : list->points) box_include(box, point);
    out = box;
}

void point_list_rotate_z(PointList* list, float degrees) {
    if (list->count == 0) return;
    BoundingBox box;
    point_list_bounds(list, box);
    Vec3 center;
    box_center(box, center);
    const ZRotation rotation = z_rotation(degrees);
    for (Vec3& point : list->points) vec3_rotate_z(point, rotation, center[0], center[1]);
}

void point_list_center(PointList* list) {
    if (list->count == 0) return;
    BoundingBox box;
    point_list_bounds(list, box);
    Vec3 center;
    box_center(box, center);
    point_list_translate(list, -center[0], -center[1], -center[2]);
}
