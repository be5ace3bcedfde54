#include "geometry/mesh_builders.h"

#include <array>
#include <cmath>
#include <vector>

#include "geometry/mesh.h"
#include "geometry/mesh_processing.h"

namespace {
// The corners of the unit cube, numbered 0-3 around z = 0 and 4-7 above them.
constexpr std::array<float, 24> CUBE_CORNERS = {
    0, 0, 0,  1, 0, 0,  1, 1, 0,  0, 1, 0,  //
    0, 0, 1,  1, 0, 1,  1, 1, 1,  0, 1, 1,
};

// Two triangles per face, each counter-clockwise seen from outside the
// cube, so that a closed shape built from cubes can have its back faces
// culled. No normals are sent, so the winding changes nothing else.
using Face = std::array<int32_t, 6>;
constexpr Face FACE_Z0 = {0, 2, 1, 0, 3, 2};
constexpr Face FACE_Z1 = {4, 5, 6, 4, 6, 7};
constexpr Face FACE_X1 = {1, 6, 5, 1, 2, 6};
constexpr Face FACE_X0 = {0, 4, 7, 0, 7, 3};
constexpr Face FACE_Y0 = {0, 1, 5, 0, 5, 4};
constexpr Face FACE_Y1 = {2, 7, 6, 2, 3, 7};

Mesh* unit_cube_with_faces(const std::vector<int32_t>& indices) {
    Mesh* mesh = mesh_new();
    mesh_set_positions(mesh, CUBE_CORNERS.data(), 8);
    mesh_set_triangles(mesh, indices.data(), static_cast<int32_t>(indices.size() / 3));
    mesh_translate(mesh, -0.5f, -0.5f, -0.5f);
    return mesh;
}

void append_face(std::vector<int32_t>& indices, const Face& face) {
    indices.insert(indices.end(), face.begin(), face.end());
}
}  // namespace

Mesh* mesh_new_box() {
    std::vector<int32_t> indices;
    for (const Face& face : {FACE_Z0, FACE_Z1, FACE_X1}) append_face(indices, face);
    return unit_cube_with_faces(indices);
}

Mesh* mesh_new_cube(uint32_t mask) {
    std::vector<int32_t> indices;
    if (mask & CUBE_FACE_X1) append_face(indices, FACE_X1);
    if (mask & CUBE_FACE_X0) append_face(indices, FACE_X0);
    if (mask & CUBE_FACE_Z0) append_face(indices, FACE_Z0);
    if (mask & CUBE_FACE_Z1) append_face(indices, FACE_Z1);
    if (mask & (CUBE_FACE_X1 | CUBE_FACE_X0 | CUBE_FACE_Z0 | CUBE_FACE_Z1)) append_face(indices, FACE_Y0);
    if (mask & CUBE_FACE_Y1) append_face(indices, FACE_Y1);
    return unit_cube_with_faces(indices);
}

Mesh* mesh_new_icosahedron() {
    // Three golden rectangles (1 by phi) in the three coordinate planes,
    // scaled so that their corners lie on the unit sphere.
    const float phi = static_cast<float>((1.0 + std::sqrt(5.0)) / 2.0);
    const float s = static_cast<float>(1.0 / std::sqrt(1.0 + phi * phi));
    const float a = s;
    const float b = phi * s;
    const std::array<float, 36> corners = {
        -a, b,  0,  a,  b,  0,  -a, -b, 0,  a,  -b, 0,   //
        0,  -a, b,  0,  a,  b,  0,  -a, -b, 0,  a,  -b,  //
        b,  0,  -a, b,  0,  a,  -b, 0,  -a, -b, 0,  a,
    };
    static constexpr std::array<int32_t, 60> TRIANGLES = {
        0, 11, 5,  0, 5, 1,  0, 1, 7,   0, 7, 10, 0, 10, 11,  //
        1, 5,  9,  5, 11, 4, 11, 10, 2, 10, 7, 6, 7, 1,  8,   //
        3, 9,  4,  3, 4, 2,  3, 2, 6,   3, 6, 8,  3, 8,  9,   //
        4, 9,  5,  2, 4, 11, 6, 2, 10,  8, 6, 7,  9, 8,  1,
    };
    Mesh* mesh = mesh_new();
    mesh_set_positions(mesh, corners.data(), 12);
    mesh_set_triangles(mesh, TRIANGLES.data(), 20);
    BoundingBox box;
    mesh_bounds(mesh, box);
    Vec3 center;
    box_center(box, center);
    mesh_translate(mesh, -center[0], -center[1], -center[2]);
    return mesh;
}

Mesh* mesh_new_sphere(int32_t levels) {
    Mesh* mesh = mesh_new_icosahedron();
    for (int32_t level = 0; level < levels; ++level) mesh_subdivide(mesh, rule_project_unit);
    return mesh;
}
