#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "geometry/deformer.h"
#include "geometry/mesh.h"
#include "geometry/paths.h"

// Owning handles for geometry records in tests.
struct MeshDeleter {
    void operator()(Mesh* mesh) const { mesh_destroy(mesh); }
};
struct PathSetDeleter {
    void operator()(PathSet* paths) const { pathset_destroy(paths); }
};
struct DeformerDeleter {
    void operator()(Deformer* deformer) const { deformer_destroy(deformer); }
};
using MeshPtr = std::unique_ptr<Mesh, MeshDeleter>;
using PathSetPtr = std::unique_ptr<PathSet, PathSetDeleter>;
using DeformerPtr = std::unique_ptr<Deformer, DeformerDeleter>;

// A mesh of the given flat positions (x, y, z each) and triangles (three
// indices each).
inline Mesh* mesh_of(const std::vector<float>& positions, const std::vector<int32_t>& triangles) {
    Mesh* mesh = mesh_new();
    mesh_set_positions(mesh, positions.data(), static_cast<int32_t>(positions.size() / 3));
    mesh_set_triangles(mesh, triangles.data(), static_cast<int32_t>(triangles.size() / 3));
    return mesh;
}

// Expects each component of actual within tolerance of expected's.
inline void expect_vec3_near(const Vec3& actual, const Vec3& expected, float tolerance = 1e-6f) {
    for (size_t k = 0; k < 3; ++k) EXPECT_NEAR(actual[k], expected[k], tolerance) << "component " << k;
}

// Expects a box from min to max, within the default tolerance.
inline void expect_box_near(const BoundingBox& box, const Vec3& min, const Vec3& max) {
    expect_vec3_near(box.min, min);
    expect_vec3_near(box.max, max);
}
