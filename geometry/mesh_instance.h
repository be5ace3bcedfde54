#pragma once

#include <array>
#include <cstdint>

#include "geometry/rgb.h"
#include "geometry/vec3.h"

struct Mesh;

// Draws one target (a Mesh, a PathSet, ...) in the current GL state.
using DrawFn = void (*)(void* target);

// One drawable placement of a shape: a borrowed target with the function
// that draws it, a visibility flag, a transform and an ambient light
// colour. A vertex is scaled first, then rotated, then translated. The
// target must outlive every draw; the instance never releases it.
struct MeshInstance {
    void* target = nullptr;  // none draws nothing
    DrawFn draw = nullptr;
    int32_t visible = 1;
    Vec3 position{0.0f, 0.0f, 0.0f};
    Vec3 rotation_axis{0.0f, 1.0f, 0.0f};
    float rotation_angle = 0.0f;  // degrees
    Vec3 scale{1.0f, 1.0f, 1.0f};
    Rgb ambient{1.0f, 1.0f, 1.0f};
    // 1: triangles that face away from the viewer are not drawn. Only for
    // a target that is a closed surface wound counter-clockwise seen from
    // outside: then its far side is hidden anyway and need not be filled.
    int32_t cull_back_faces = 0;
};

MeshInstance* instance_new(void* target, DrawFn draw);
// Releases the record alone.
void instance_destroy(MeshInstance* instance);
// Replaces the target; the draw function stays.
void instance_set_target(MeshInstance* instance, Mesh* mesh);
void instance_set_visible(MeshInstance* instance, int32_t visible);
int32_t instance_is_visible(const MeshInstance* instance);
void instance_set_position(MeshInstance* instance, float x, float y, float z);
void instance_set_rotation(MeshInstance* instance, const Vec3& axis, float degrees);
void instance_set_scale(MeshInstance* instance, float x, float y, float z);
void instance_set_ambient(MeshInstance* instance, const Rgb& rgb);
void instance_set_cull_back_faces(MeshInstance* instance, int32_t cull);
