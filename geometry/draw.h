#pragma once

// The drawing side of the geometry: fixed-function OpenGL with client-side
// vertex arrays, in the morva_geometry_draw library so that everything else in
// geometry builds and runs without a display. The draw functions leave the
// vertex and colour arrays disabled, as they find them; after a mesh drawn
// with colours the current colour is whatever OpenGL leaves it.

#include <cstdint>

struct Mesh;
struct MeshInstance;
struct PathSet;
struct PointList;

// Draws a Mesh as GL_TRIANGLES, in triangle order, with each corner's
// colour (RGB only, alpha 1) when the mesh has a colour for every vertex,
// and in the current colour otherwise. Sends no normals. Triangles with an
// index outside the vertices are skipped; the mesh's own verdict on its
// indices (mesh_indices_valid) spares a sound mesh any check.
void mesh_draw(void* target);
// Draws a PathSet as GL_LINES, each segment as displayed (pathset_segment),
// in the current colour.
void pathset_draw(void* target);
// Draws a PointList as GL_POINTS in the current colour.
void point_list_draw(void* target);

// Instances that draw with mesh_draw and pathset_draw; the target may be none.
MeshInstance* instance_new_mesh(Mesh* mesh);
MeshInstance* instance_new_paths(PathSet* paths);
// Draws a visible instance with a target: pushes the matrix, applies its
// transform, culls back faces if it asks for that, lights it with GL_LIGHT0
// and its ambient colour through colour material, draws, then disables
// light 0, lighting and colour material, leaves culling on or off as it
// found it, and pops the matrix. The light model's ambient stays as the
// instance set it.
// A hidden instance, or one without target or draw function, makes no GL
// call at all.
void instance_draw(const MeshInstance* instance);
// Draws the instances in order with the same pixels, and leaves the same
// state, as instance_draw on each, but does once what they share: the
// lighting set-up for all of them, and for a run of instances that show the
// same mesh, its arrays handed to OpenGL once. Only the matrix and the
// ambient colour change from one instance to the next. Absent and hidden
// entries draw nothing.
void instances_draw(const MeshInstance* const* instances, int32_t count);
