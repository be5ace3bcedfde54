#include "geometry/mesh.h"

#include "geometry/packed_copy.h"

namespace {
bool has_positions_and_triangles(const Mesh* mesh) {
    return mesh->vertex_count > 0 && !mesh->positions.empty() && !mesh->triangles.empty();
}

void check_indices(Mesh* mesh) {
    mesh->indices_valid = true;
    for (const Triangle& triangle : mesh->triangles) {
        for (int32_t index : triangle) {
            if (index < 0 || index >= mesh->vertex_count) {
                mesh->indices_valid = false;
                return;
            }
        }
    }
}
}  // namespace

Mesh* mesh_new() { return new Mesh{}; }

void mesh_destroy(Mesh* mesh) { delete mesh; }

void mesh_set_positions(Mesh* mesh, const float* src, int32_t n) {
    const int32_t before = mesh->vertex_count;
    copy_packed(mesh->positions, mesh->vertex_count, src, n);
    if (mesh->vertex_count != before) check_indices(mesh);
}

void mesh_set_triangles(Mesh* mesh, const int32_t* src, int32_t n) {
    copy_packed(mesh->triangles, mesh->triangle_count, src, n);
    check_indices(mesh);
}

void mesh_set_colors(Mesh* mesh, const float* src, int32_t n) {
    copy_packed(mesh->colors, mesh->color_count, src, n);
}

void mesh_fill_color(Mesh* mesh, const Rgba& rgba) {
    if (mesh->color_count != mesh->vertex_count) {
        std::vector<Rgba>(static_cast<size_t>(mesh->vertex_count)).swap(mesh->colors);
        mesh->color_count = mesh->vertex_count;
    }
    for (Rgba& color : mesh->colors) color = rgba;
}

void mesh_translate(Mesh* mesh, float dx, float dy, float dz) {
    if (!has_positions_and_triangles(mesh)) return;
    const Vec3 offset{dx, dy, dz};
    for (Vec3& position : mesh->positions) vec3_add(position, offset);
}

void mesh_scale(Mesh* mesh, float sx, float sy, float sz) {
    if (!has_positions_and_triangles(mesh)) return;
    const Vec3 factors{sx, sy, sz};
    for (Vec3& position : mesh->positions) vec3_mul(position, factors);
}

void mesh_rotate_z(Mesh* mesh, float degrees) {
    if (!has_positions_and_triangles(mesh)) return;
    BoundingBox box;
    mesh_bounds(mesh, box);
    const float cx = (box.min[0] + box.max[0]) * 0.5f;
    const float cy = (box.min[1] + box.max[1]) * 0.5f;
    const ZRotation rotation = z_rotation(degrees);
    for (Vec3& position : mesh->positions) vec3_rotate_z(position, rotation, cx, cy);
}

void mesh_fit_unit(Mesh* mesh) {
    BoundingBox box;
    mesh_bounds(mesh, box);
    Vec3 extent;
    box_extent(box, extent);
    Vec3 factors;
    for (size_t axis = 0; axis < 3; ++axis) {
        const float e = extent[axis];
        factors[axis] = static_cast<double>(e) > EPSILON ? 2.0f / e : 2.0f * e;
    }
    mesh_scale(mesh, factors[0], factors[1], factors[2]);
}

void mesh_bounds(const Mesh* mesh, BoundingBox& out) {
    BoundingBox box;
    for (const Vec3& position : mesh->positions) box_include(box, position);
    out = box;
}

// The copy keeps the source's verdict on its indices: the deformer clones
// its base every frame, and the base was checked once.
Mesh* mesh_clone(const Mesh* mesh) { return new Mesh(*mesh); }

bool mesh_indices_valid(const Mesh* mesh) { return mesh->indices_valid; }

int32_t mesh_vertex_count(const Mesh* mesh) { return mesh->vertex_count; }

Vec3* mesh_positions(Mesh* mesh) { return mesh->positions.empty() ? nullptr : mesh->positions.data(); }

int32_t mesh_color_count(const Mesh* mesh) { return mesh->color_count; }

Rgba* mesh_colors(Mesh* mesh) { return mesh->colors.empty() ? nullptr : mesh->colors.data(); }

int32_t mesh_triangle_count(const Mesh* mesh) { return mesh->triangle_count; }

Triangle* mesh_triangles(Mesh* mesh) { return mesh->triangles.empty() ? nullptr : mesh->triangles.data(); }
