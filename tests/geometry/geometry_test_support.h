#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <memory>
#include <utility>
#include <vector>

#include "geometry/deformer.h"
#include "geometry/mesh.h"
#include "geometry/paths.h"
#include "geometry/vec3.h"

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

// How far a mesh is from a closed surface wound outwards (counter-clockwise
// seen from outside) around a centre: triangles that face the centre, and
// edges not used exactly once each way. A closed surface has neither, and
// is what back-face culling needs.
struct SurfaceFaults {
    int32_t inward = 0;
    std::vector<std::pair<int32_t, int32_t>> unpaired;  // a -> b without b -> a: open edges
    int32_t repeated = 0;                               // a -> b more than once
};

inline SurfaceFaults surface_faults(const Mesh* mesh, const Vec3& centre) {
    SurfaceFaults faults;
    std::map<std::pair<int32_t, int32_t>, int32_t> directed;
    for (const Triangle& t : mesh->triangles) {
        const Vec3& a = mesh->positions[static_cast<size_t>(t[0])];
        const Vec3& b = mesh->positions[static_cast<size_t>(t[1])];
        const Vec3& c = mesh->positions[static_cast<size_t>(t[2])];
        Vec3 ab, ac, normal, outwards;
        vec3_sub(b, a, ab);
        vec3_sub(c, a, ac);
        vec3_cross(ab, ac, normal);
        vec3_sub(a, centre, outwards);
        if (vec3_dot(normal, outwards) <= 0.0f) ++faults.inward;
        for (size_t k = 0; k < 3; ++k) ++directed[{t[k], t[(k + 1) % 3]}];
    }
    for (const auto& [edge, uses] : directed) {
        if (uses > 1) ++faults.repeated;
        if (!directed.contains({edge.second, edge.first})) faults.unpaired.push_back(edge);
    }
    return faults;
}
