#pragma once

#include <cstdint>

struct Mesh;

// Face selection bits of mesh_new_cube. Bits above bit 4 are ignored.
inline constexpr uint32_t CUBE_FACE_X1 = 1u << 0;  // x = 1, first
inline constexpr uint32_t CUBE_FACE_X0 = 1u << 1;  // x = 0
inline constexpr uint32_t CUBE_FACE_Z0 = 1u << 2;  // z = 0
inline constexpr uint32_t CUBE_FACE_Z1 = 1u << 3;  // z = 1
inline constexpr uint32_t CUBE_FACE_Y1 = 1u << 4;  // y = 1, last
// The y = 0 face comes fifth, whenever any of the four bits above y = 1's
// is set: a cube is never open at the bottom while it has a side.

// A unit box centred on the origin with only its z = 0, z = 1 and x = 1
// faces: 8 vertices, 6 triangles, no colours.
Mesh* mesh_new_box();
// A unit cube centred on the origin with the faces the mask selects, two
// triangles each, in the order x = 1, x = 0, z = 0, z = 1, y = 0, y = 1,
// every triangle wound counter-clockwise seen from outside.
// With no face selected it has no triangles, and (since the transforms
// leave such a mesh alone) its corners stay at [0, 1] on every axis.
Mesh* mesh_new_cube(uint32_t mask);
// The regular icosahedron of circumradius 1 centred on the origin: 12
// vertices, 20 triangles wound counter-clockwise seen from outside.
Mesh* mesh_new_icosahedron();
// The icosahedron subdivided `levels` times with every new point pushed out
// onto the unit sphere.
Mesh* mesh_new_sphere(int32_t levels);
