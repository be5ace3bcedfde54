#pragma once

#include <cstdint>

#include "geometry/vec3.h"

struct Mesh;
struct PathSet;

// Creation flag bits of deformer_new. Flags 0 mean DEFORM_PUSH.
inline constexpr uint16_t DEFORM_FLAG_PUSH = 1u << 0;
inline constexpr uint16_t DEFORM_FLAG_WEIGHTED = 1u << 1;
inline constexpr uint16_t DEFORM_FLAG_GRADIENT = 1u << 2;
inline constexpr uint16_t DEFORM_FLAG_BLEND = 1u << 3;

// Wraps a base mesh around the segments of a path set: every vertex is put
// at a chosen distance from a point on the paths, in the direction in which
// it already lay from that point. Each apply starts again from the untouched
// base copy, so deformations never accumulate.
//
// The first set mode, in field order, decides each vertex's rule:
//   DEFORM_PUSH      radius from the nearest segment point;
//   DEFORM_WEIGHTED  radius x gain(weight at that point, bias), and that
//                    shaped weight written as the vertex colour's alpha;
//   DEFORM_GRADIENT  the same distance, along the falling gradient of the
//                    field of all segments near the nearest point;
//   DEFORM_BLEND     radius from the blend of every segment's nearest point,
//                    weighted by gain(exp(-distance x sharpness), bias).
// With no mode set, vertices stay where they are.
struct Deformer {
    Mesh* output = nullptr;   // owned: the last apply's result, or none
    PathSet* paths = nullptr;  // borrowed; read afresh, display scale included, at every apply
    Mesh* base = nullptr;     // owned copy of the mesh given at creation
    int32_t DEFORM_PUSH = 0;
    int32_t DEFORM_WEIGHTED = 0;
    int32_t DEFORM_GRADIENT = 0;
    int32_t DEFORM_BLEND = 0;
};

// A missing mesh counts as an empty one, a missing path set as one without
// segments.
Deformer* deformer_new(const Mesh* mesh, PathSet* paths, uint16_t flags);
// Releases the record, its base copy and its last output.
void deformer_destroy(Deformer* deformer);

// Releases the previous output and returns a new one: a fresh copy of the
// base with every vertex moved by its rule. The deformer owns every output:
// a caller never releases one, and drops every reference to it before the
// next apply or deformer_destroy. Vertices stay where they are under
// DEFORM_WEIGHTED and DEFORM_GRADIENT while the path set is empty. Alphas
// are written only to colour entries the mesh has.
Mesh* deformer_apply(Deformer* deformer, float radius, float sharpness, float bias);

// The point of the nearest displayed segment closest to point, and the end
// weights interpolated there; on equal distances the earlier segment wins.
// A segment of no length (display scale 0 makes every segment one) is its
// single point, with its start weight.
// Both outputs keep what the caller put there when no segment is nearer
// than 1e15 (an empty path set, for one).
void deformer_nearest(const Deformer* deformer, const Vec3& point, Vec3& closest, float& weight);
// The sum over the segments of 1 / (distance + 1e-15); 0 with no segments.
float deformer_field(const Deformer* deformer, const Vec3& point);
