// Meshes: copying setters and array reuse, colour fills, the guarded
// transforms, bounds, rotation, cloning and the builders.
#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <utility>
#include <vector>

#include "geometry/mesh.h"
#include "geometry/mesh_builders.h"
#include "tests/geometry/geometry_test_support.h"

namespace {
constexpr float UNIT_SQUARE[] = {0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0};
constexpr int32_t TWO_TRIANGLES[] = {0, 1, 2, 0, 2, 3};

std::vector<Triangle> triangles_of(const Mesh* mesh) { return mesh->triangles; }

// The unit square as a mesh of two triangles, without colours.
Mesh* square() {
    Mesh* mesh = mesh_new();
    mesh_set_positions(mesh, UNIT_SQUARE, 4);
    mesh_set_triangles(mesh, TWO_TRIANGLES, 2);
    return mesh;
}

// The expected triangles of a cube built from face lists.
std::vector<Triangle> faces(std::initializer_list<std::vector<Triangle>> lists) {
    std::vector<Triangle> all;
    for (const auto& list : lists) all.insert(all.end(), list.begin(), list.end());
    return all;
}
const std::vector<Triangle> Z0 = {{0, 2, 1}, {0, 3, 2}};
const std::vector<Triangle> Z1 = {{4, 5, 6}, {4, 6, 7}};
const std::vector<Triangle> X1 = {{1, 6, 5}, {1, 2, 6}};
const std::vector<Triangle> X0 = {{0, 4, 7}, {0, 7, 3}};
const std::vector<Triangle> Y0 = {{0, 1, 5}, {0, 5, 4}};
const std::vector<Triangle> Y1 = {{2, 7, 6}, {2, 3, 7}};
}  // namespace

TEST(Mesh, NewMeshIsEmpty) {
    MeshPtr mesh(mesh_new());
    EXPECT_EQ(mesh_vertex_count(mesh.get()), 0);
    EXPECT_EQ(mesh_color_count(mesh.get()), 0);
    EXPECT_EQ(mesh_triangle_count(mesh.get()), 0);
    EXPECT_EQ(mesh_positions(mesh.get()), nullptr);
    EXPECT_EQ(mesh_colors(mesh.get()), nullptr);
    EXPECT_EQ(mesh_triangles(mesh.get()), nullptr);
}

TEST(Mesh, SettersCopyAndKeepTheArrayWhenTheSizeIsUnchanged) {
    MeshPtr mesh(mesh_new());
    float positions[] = {1, 2, 3, 4, 5, 6};
    mesh_set_positions(mesh.get(), positions, 2);
    positions[0] = 99;  // the caller's buffer stays the caller's
    EXPECT_EQ(mesh_positions(mesh.get())[0], (Vec3{1, 2, 3}));
    const Vec3* array = mesh_positions(mesh.get());

    const float replacement[] = {7, 8, 9, 10, 11, 12};
    mesh_set_positions(mesh.get(), replacement, 2);
    EXPECT_EQ(mesh_positions(mesh.get()), array);
    EXPECT_EQ(mesh_positions(mesh.get())[1], (Vec3{10, 11, 12}));

    mesh_set_positions(mesh.get(), replacement, 1);
    EXPECT_EQ(mesh_vertex_count(mesh.get()), 1);
    EXPECT_EQ(mesh->positions.size(), 1u);
    EXPECT_EQ(mesh_positions(mesh.get())[0], (Vec3{7, 8, 9}));

    const float colors[] = {0.1f, 0.2f, 0.3f, 0.4f, 0.5f, 0.6f, 0.7f, 0.8f};
    mesh_set_colors(mesh.get(), colors, 2);
    mesh_set_colors(mesh.get(), colors + 4, 1);
    EXPECT_EQ(mesh_color_count(mesh.get()), 1);
    EXPECT_EQ(mesh_colors(mesh.get())[0], (Rgba{0.5f, 0.6f, 0.7f, 0.8f}));
    mesh_set_colors(mesh.get(), colors, 1);
    EXPECT_EQ(mesh_colors(mesh.get())[0], (Rgba{0.1f, 0.2f, 0.3f, 0.4f}));

    const int32_t triangles[] = {0, 0, 0, 0, 0, 0};
    mesh_set_triangles(mesh.get(), triangles, 2);
    const Triangle* triangle_array = mesh_triangles(mesh.get());
    mesh_set_triangles(mesh.get(), TWO_TRIANGLES, 2);
    EXPECT_EQ(mesh_triangles(mesh.get()), triangle_array);
    EXPECT_EQ(mesh_triangles(mesh.get())[1], (Triangle{0, 2, 3}));
}

TEST(Mesh, SettersAcceptTheirOwnArrayAsSource) {
    MeshPtr mesh(square());
    // Shrinking from its own array: the new array is filled before the old goes.
    mesh_set_positions(mesh.get(), reinterpret_cast<const float*>(mesh_positions(mesh.get())) + 3, 3);
    EXPECT_EQ(mesh_vertex_count(mesh.get()), 3);
    EXPECT_EQ(mesh_positions(mesh.get())[0], (Vec3{1, 0, 0}));
    EXPECT_EQ(mesh_positions(mesh.get())[2], (Vec3{0, 1, 0}));
    mesh_set_positions(mesh.get(), reinterpret_cast<const float*>(mesh_positions(mesh.get())), 3);
    EXPECT_EQ(mesh_positions(mesh.get())[1], (Vec3{1, 1, 0}));
}

TEST(Mesh, SettersTurnANegativeCountOrMissingSourceIntoAnEmptyArray) {
    MeshPtr mesh(square());
    mesh_set_positions(mesh.get(), UNIT_SQUARE, -3);
    EXPECT_EQ(mesh_vertex_count(mesh.get()), 0);
    EXPECT_EQ(mesh_positions(mesh.get()), nullptr);
    mesh_set_triangles(mesh.get(), nullptr, 5);
    EXPECT_EQ(mesh_triangle_count(mesh.get()), 0);
    EXPECT_EQ(mesh_triangles(mesh.get()), nullptr);
}

TEST(Mesh, FillColorGivesEveryVertexTheColourAndFollowsTheVertexCount) {
    MeshPtr cube(mesh_new_cube(31));
    mesh_fill_color(cube.get(), {1, 0.5f, 0.25f, 1});
    ASSERT_EQ(mesh_color_count(cube.get()), 8);
    for (int32_t k = 0; k < 8; ++k) EXPECT_EQ(mesh_colors(cube.get())[k], (Rgba{1, 0.5f, 0.25f, 1}));

    // More vertices leave the colours as they were until the next fill.
    std::vector<float> ten(30, 0.0f);
    mesh_set_positions(cube.get(), ten.data(), 10);
    EXPECT_EQ(mesh_color_count(cube.get()), 8);
    mesh_fill_color(cube.get(), {0, 0, 1, 0.5f});
    EXPECT_EQ(mesh_color_count(cube.get()), 10);
    EXPECT_EQ(mesh_colors(cube.get())[9], (Rgba{0, 0, 1, 0.5f}));

    MeshPtr empty(mesh_new());
    mesh_fill_color(empty.get(), {1, 1, 1, 1});
    EXPECT_EQ(mesh_color_count(empty.get()), 0);
}

TEST(Mesh, TransformsLeaveAMeshWithoutTrianglesAlone) {
    MeshPtr points(mesh_new());
    mesh_set_positions(points.get(), UNIT_SQUARE, 4);
    mesh_translate(points.get(), 5, 5, 5);
    mesh_scale(points.get(), 2, 2, 2);
    mesh_rotate_z(points.get(), 90);
    for (int32_t k = 0; k < 4; ++k) {
        const Vec3 original{UNIT_SQUARE[3 * k], UNIT_SQUARE[3 * k + 1], UNIT_SQUARE[3 * k + 2]};
        EXPECT_EQ(mesh_positions(points.get())[k], original);
    }
}

TEST(Mesh, TranslateAndScaleMoveEveryPosition) {
    MeshPtr mesh(square());
    mesh_scale(mesh.get(), 2, 3, 4);
    mesh_translate(mesh.get(), 1, -1, 0.5f);
    EXPECT_EQ(mesh_positions(mesh.get())[0], (Vec3{1, -1, 0.5f}));
    EXPECT_EQ(mesh_positions(mesh.get())[2], (Vec3{3, 2, 0.5f}));
}

TEST(Mesh, BoundsOfAnEmptyMeshAreTheEmptyBox) {
    MeshPtr mesh(mesh_new());
    BoundingBox box;
    box.min = {0, 0, 0};
    mesh_bounds(mesh.get(), box);
    EXPECT_EQ(box.min, (Vec3{1e15f, 1e15f, 1e15f}));
    EXPECT_EQ(box.max, (Vec3{-1e15f, -1e15f, -1e15f}));
}

TEST(Mesh, RotateZTurnsAboutTheCentreOfTheBox) {
    MeshPtr box(mesh_new_box());
    mesh_rotate_z(box.get(), 90);
    // Corner 1, (1, 0, 0) before centring, is (0.5, -0.5, -0.5); it turns to (0.5, 0.5, -0.5).
    const Vec3 turned = mesh_positions(box.get())[1];
    EXPECT_FLOAT_EQ(turned[0], 0.5f);
    EXPECT_FLOAT_EQ(turned[1], 0.5f);
    EXPECT_EQ(turned[2], -0.5f);

    // Away from the origin the box turns in place.
    MeshPtr moved(square());
    mesh_translate(moved.get(), 10, 20, 0);
    mesh_rotate_z(moved.get(), 180);
    const Vec3 first = mesh_positions(moved.get())[0];  // was (10, 20): now the opposite corner
    EXPECT_NEAR(first[0], 11, 1e-5);
    EXPECT_NEAR(first[1], 21, 1e-5);
    BoundingBox bounds;
    mesh_bounds(moved.get(), bounds);
    EXPECT_NEAR(bounds.min[0], 10, 1e-5);
    EXPECT_NEAR(bounds.max[1], 21, 1e-5);
}

TEST(Mesh, CloneCopiesAllThreeArrays) {
    MeshPtr mesh(square());
    mesh_fill_color(mesh.get(), {0.2f, 0.4f, 0.6f, 0.8f});
    MeshPtr copy(mesh_clone(mesh.get()));
    EXPECT_EQ(copy->positions, mesh->positions);
    EXPECT_EQ(copy->colors, mesh->colors);
    EXPECT_EQ(copy->triangles, mesh->triangles);
    EXPECT_NE(mesh_positions(copy.get()), mesh_positions(mesh.get()));
    mesh_translate(copy.get(), 1, 1, 1);
    EXPECT_EQ(mesh_positions(mesh.get())[0], (Vec3{0, 0, 0}));

    MeshPtr empty(mesh_new());
    MeshPtr empty_copy(mesh_clone(empty.get()));
    EXPECT_EQ(mesh_vertex_count(empty_copy.get()), 0);
    EXPECT_EQ(mesh_positions(empty_copy.get()), nullptr);
}

TEST(Mesh, FitUnitScalesEachAxisToExtentTwo) {
    MeshPtr box(mesh_new_cube(31));
    mesh_scale(box.get(), 1, 4, 0.5f);
    mesh_fit_unit(box.get());
    BoundingBox bounds;
    mesh_bounds(box.get(), bounds);
    Vec3 extent;
    box_extent(bounds, extent);
    EXPECT_EQ(extent, (Vec3{2, 2, 2}));

    // A flat axis is scaled by twice its (zero) extent: it stays flat, with no NaN.
    MeshPtr flat(square());
    mesh_fit_unit(flat.get());
    for (int32_t k = 0; k < 4; ++k) {
        for (float c : mesh_positions(flat.get())[k]) EXPECT_FALSE(std::isnan(c));
        EXPECT_EQ(mesh_positions(flat.get())[k][2], 0.0f);
    }
    mesh_bounds(flat.get(), bounds);
    EXPECT_EQ(bounds.max[0] - bounds.min[0], 2.0f);
}

TEST(MeshBuilders, BoxHasEightCornersAndThreeFaces) {
    MeshPtr box(mesh_new_box());
    EXPECT_EQ(mesh_vertex_count(box.get()), 8);
    EXPECT_EQ(mesh_triangle_count(box.get()), 6);
    EXPECT_EQ(mesh_color_count(box.get()), 0);
    EXPECT_EQ(triangles_of(box.get()), faces({Z0, Z1, X1}));
    for (const Vec3& p : box->positions) {
        for (float c : p) EXPECT_TRUE(c == -0.5f || c == 0.5f) << c;
    }
    EXPECT_EQ(mesh_positions(box.get())[6], (Vec3{0.5f, 0.5f, 0.5f}));
}

TEST(MeshBuilders, CubeAppendsTheSelectedFacesInItsOrder) {
    const std::vector<std::pair<uint32_t, std::vector<Triangle>>> cases = {
        {1, faces({X1, Y0})},
        {2, faces({X0, Y0})},
        {4, faces({Z0, Y0})},
        {8, faces({Z1, Y0})},
        {16, faces({Y1})},
        {15, faces({X1, X0, Z0, Z1, Y0})},
        {31, faces({X1, X0, Z0, Z1, Y0, Y1})},
        {255, faces({X1, X0, Z0, Z1, Y0, Y1})},
        {0xFFFFFFE0u, {}},
    };
    for (const auto& [mask, expected] : cases) {
        MeshPtr cube(mesh_new_cube(mask));
        EXPECT_EQ(mesh_vertex_count(cube.get()), 8) << mask;
        EXPECT_EQ(mesh_triangle_count(cube.get()), static_cast<int32_t>(expected.size())) << mask;
        EXPECT_EQ(triangles_of(cube.get()), expected) << "mask " << mask;
        EXPECT_EQ(mesh_color_count(cube.get()), 0);
    }
}

TEST(MeshBuilders, CubeWithFacesIsCentredButWithoutFacesIsNot) {
    MeshPtr cube(mesh_new_cube(31));
    BoundingBox bounds;
    mesh_bounds(cube.get(), bounds);
    EXPECT_EQ(bounds.min, (Vec3{-0.5f, -0.5f, -0.5f}));
    EXPECT_EQ(bounds.max, (Vec3{0.5f, 0.5f, 0.5f}));
    // No triangles, so the centring translation does nothing.
    MeshPtr bare(mesh_new_cube(0));
    EXPECT_EQ(mesh_triangle_count(bare.get()), 0);
    mesh_bounds(bare.get(), bounds);
    EXPECT_EQ(bounds.min, (Vec3{0, 0, 0}));
    EXPECT_EQ(bounds.max, (Vec3{1, 1, 1}));
}

TEST(MeshBuilders, ClosedCubesAndTheIcosahedronAreWoundOutwards) {
    // Closed and counter-clockwise seen from outside, so that culling back
    // faces hides nothing that would show. A cube open at y = 1 is open
    // along that face's four edges only.
    const struct {
        const char* name;
        Mesh* mesh;
        size_t open_edges;
    } cases[] = {
        {"cube 31", mesh_new_cube(31), 0},
        {"cube 255", mesh_new_cube(255), 0},
        {"cube 15", mesh_new_cube(15), 4},
        {"icosahedron", mesh_new_icosahedron(), 0},
        {"sphere", mesh_new_sphere(2), 0},
    };
    for (const auto& c : cases) {
        const SurfaceFaults faults = surface_faults(c.mesh, Vec3{0, 0, 0});
        EXPECT_EQ(faults.inward, 0) << c.name;
        EXPECT_EQ(faults.repeated, 0) << c.name;
        EXPECT_EQ(faults.unpaired.size(), c.open_edges) << c.name;
        for (const auto& [from, to] : faults.unpaired) {
            EXPECT_EQ(c.mesh->positions[static_cast<size_t>(from)][1], 0.5f) << c.name;
            EXPECT_EQ(c.mesh->positions[static_cast<size_t>(to)][1], 0.5f) << c.name;
        }
        mesh_destroy(c.mesh);
    }
}

TEST(MeshBuilders, IcosahedronIsRegularAndCentred) {
    MeshPtr ico(mesh_new_icosahedron());
    ASSERT_EQ(mesh_vertex_count(ico.get()), 12);
    ASSERT_EQ(mesh_triangle_count(ico.get()), 20);
    for (const Vec3& p : ico->positions) EXPECT_NEAR(vec3_length(p), 1.0f, 1e-6f);
    BoundingBox bounds;
    mesh_bounds(ico.get(), bounds);
    Vec3 center;
    box_center(bounds, center);
    EXPECT_EQ(center, (Vec3{0, 0, 0}));
    std::set<float> edge_lengths;
    for (const Triangle& t : ico->triangles)
        for (size_t k = 0; k < 3; ++k)
            edge_lengths.insert(std::round(vec3_distance(ico->positions[static_cast<size_t>(t[k])],
                                                         ico->positions[static_cast<size_t>(t[(k + 1) % 3])]) * 1e4f));
    EXPECT_EQ(edge_lengths.size(), 1u) << "edges of different lengths";
}

TEST(MeshBuilders, SphereSubdividesTheIcosahedronOntoTheUnitSphere) {
    const std::vector<std::pair<int32_t, int32_t>> counts = {{12, 20}, {42, 80}, {162, 320}};
    for (int32_t level = 0; level < 3; ++level) {
        MeshPtr sphere(mesh_new_sphere(level));
        EXPECT_EQ(mesh_vertex_count(sphere.get()), counts[static_cast<size_t>(level)].first);
        EXPECT_EQ(mesh_triangle_count(sphere.get()), counts[static_cast<size_t>(level)].second);
        for (const Vec3& p : sphere->positions) EXPECT_NEAR(vec3_length(p), 1.0f, 1e-6f);
    }
}
