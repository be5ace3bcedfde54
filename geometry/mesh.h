#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "geometry/rgb.h"
#include "geometry/vec3.h"

using Triangle = std::array<int32_t, 3>;  // three vertex indices

// An indexed triangle set with optional per-vertex RGBA colours. The mesh
// owns its three arrays; an empty array stands for "none". Each count is the
// size of its array. Indices lie in [0, vertex_count). Colours count only
// when there is one for every vertex: a caller that adds vertices to a
// coloured mesh refills the colours (mesh_fill_color) before drawing or
// deforming it, and until then the mesh draws in the current colour.
struct Mesh {
    int32_t vertex_count = 0;
    std::vector<Vec3> positions;
    int32_t color_count = 0;
    std::vector<Rgba> colors;
    int32_t triangle_count = 0;
    std::vector<Triangle> triangles;
    // Whether every index lies in [0, vertex_count). Worked out whenever the
    // triangles or the vertex count change, and copied with the mesh, so
    // that drawing a mesh every frame never scans its indices again. Code
    // that writes indices itself keeps it true (as welding does) or sets it.
    bool indices_valid = true;
};

Mesh* mesh_new();
void mesh_destroy(Mesh* mesh);

// The setters copy n entries from packed runs (three floats per position,
// three indices per triangle, four floats per colour); the caller keeps its
// buffer. With the same n as before the existing array is overwritten, so
// replacing a mesh's contents every frame costs no allocation. A negative n
// or a missing source leaves the array empty.
void mesh_set_positions(Mesh* mesh, const float* src, int32_t n);
void mesh_set_triangles(Mesh* mesh, const int32_t* src, int32_t n);
void mesh_set_colors(Mesh* mesh, const float* src, int32_t n);
// Gives every vertex the colour; afterwards there is one colour per vertex.
void mesh_fill_color(Mesh* mesh, const Rgba& rgba);

// The transforms act only on a mesh with positions and triangles: a mesh
// that has positions but no triangles is left as it is.
void mesh_translate(Mesh* mesh, float dx, float dy, float dz);
void mesh_scale(Mesh* mesh, float sx, float sy, float sz);
// Turns the mesh about the Z axis through the centre of its box;
// counter-clockwise seen from +Z for a positive angle.
void mesh_rotate_z(Mesh* mesh, float degrees);
// Scales each axis to an extent of 2 (by 2 / extent); an axis whose extent
// is not above EPSILON is scaled by 2 * extent instead.
void mesh_fit_unit(Mesh* mesh);

// The box of all positions; the empty box for a mesh without vertices.
void mesh_bounds(const Mesh* mesh, BoundingBox& out);
// A new mesh with copies of all three arrays.
Mesh* mesh_clone(const Mesh* mesh);

// True when every triangle index names a vertex of the mesh; reads the
// verdict the setters keep, without scanning.
bool mesh_indices_valid(const Mesh* mesh);

int32_t mesh_vertex_count(const Mesh* mesh);
Vec3* mesh_positions(Mesh* mesh);  // none when there are no positions
int32_t mesh_color_count(const Mesh* mesh);
Rgba* mesh_colors(Mesh* mesh);
int32_t mesh_triangle_count(const Mesh* mesh);
Triangle* mesh_triangles(Mesh* mesh);
