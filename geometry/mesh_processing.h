#pragma once

#include <array>
#include <cstdint>

#include "geometry/vec3.h"

struct Mesh;

// The eight points around an edge a-b of triangle F that a subdivision rule
// may weigh. Entries for which nothing is found stay at the origin.
//   0, 1  a and b
//   2     the third vertex of F
//   3     the far vertex of the triangle across a-b
//   4, 5  the far vertices of the triangles across F's two other edges
//   6, 7  the far vertices of the triangles across the two other edges of
//         the triangle across a-b
using EdgeStencil = std::array<Vec3, 8>;

// Moves a new edge point; point holds the edge's midpoint on entry. Without
// a rule, subdivision is plain midpoint subdivision.
using EdgePointRule = void (*)(Vec3& point, const EdgeStencil& stencil);

// The working record of mesh_subdivide: one per triangle edge, three per
// triangle in triangle order. For (i0, i1, i2) edge 0 runs i0 -> i1, edge 1
// i1 -> i2 and edge 2 i2 -> i0. References are indices into the half-edge
// array, -1 for none.
struct HalfEdge {
    int32_t from = 0;
    int32_t to = 0;
    int32_t face = 0;         // the first half-edge of its own triangle
    int32_t twin = -1;        // the matching half-edge of another triangle
    int32_t edge_point = -1;  // the new vertex on this edge
};

// One new mesh holding the inputs one after another, indices offset to
// match; no colours. The inputs are left as they are; absent entries and a
// count of 0 or less contribute nothing.
Mesh* mesh_merge(Mesh* const* meshes, int32_t n);

// Redirects the triangle corners on every vertex that lies closer than
// tolerance (strictly) to an earlier vertex onto the first such earlier
// vertex, and returns how many corners were rewritten. Positions stay;
// vertices left without corners stay in the array.
int32_t mesh_weld(Mesh* mesh, float tolerance);

// Splits every triangle into four through one new point per edge; an edge
// shared by two triangles, whatever their windings, gets one point used by
// both. The rule, if any, moves each new point. Colours are left as they
// were. A mesh with an index outside its vertices is left unchanged.
void mesh_subdivide(Mesh* mesh, EdgePointRule rule);

// Puts the point on the unit sphere (vec3_normalize).
void rule_project_unit(Vec3& point, const EdgeStencil& stencil);
// The eight-point butterfly: 1/2 (S0 + S1) + 1/8 (S2 + S3) - 1/16 (S4 + S5 + S6 + S7).
void rule_butterfly(Vec3& point, const EdgeStencil& stencil);
