#include "geometry/mesh_instance.h"

MeshInstance* instance_new(void* target, DrawFn draw) {
    MeshInstance* instance = new MeshInstance{};
    instance->target = target;
    instance->draw = draw;
    return instance;
}

void instance_destroy(MeshInstance* instance) { delete instance; }

void instance_set_target(MeshInstance* instance, Mesh* mesh) { instance->target = mesh; }

void instance_set_visible(MeshInstance* instance, int32_t visible) { instance->visible = visible; }

int32_t instance_is_visible(const MeshInstance* instance) { return instance->visible; }

void instance_set_position(MeshInstance* instance, float x, float y, float z) {
    instance->position = {x, y, z};
}

void instance_set_rotation(MeshInstance* instance, const Vec3& axis, float degrees) {
    instance->rotation_axis = axis;
    instance->rotation_angle = degrees;
}

void instance_set_scale(MeshInstance* instance, float x, float y, float z) { instance->scale = {x, y, z}; }

void instance_set_ambient(MeshInstance* instance, const Rgb& rgb) { instance->ambient = rgb; }

void instance_set_cull_back_faces(MeshInstance* instance, int32_t cull) { instance->cull_back_faces = cull; }
