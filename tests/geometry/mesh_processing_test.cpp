// Merging, welding and subdivision, with the stencil that subdivision
// rules receive.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "geometry/mesh_builders.h"
#include "geometry/mesh_processing.h"
#include "tests/geometry/geometry_test_support.h"

namespace {
int32_t slots_equal_to(const Mesh* mesh, int32_t vertex) {
    int32_t count = 0;
    for (const Triangle& t : mesh->triangles) count += static_cast<int32_t>(std::count(t.begin(), t.end(), vertex));
    return count;
}

// Two closed unit cubes side by side along X, sharing the four corners of
// the face between them: first cube's 1, 2, 5, 6 on the second's 8, 11, 12, 15.
Mesh* two_touching_cubes() {
    MeshPtr left(mesh_new_cube(31));
    MeshPtr right(mesh_new_cube(31));
    mesh_translate(right.get(), 1, 0, 0);
    Mesh* parts[] = {left.get(), right.get()};
    return mesh_merge(parts, 2);
}

// Every call of the recording rule, in order.
std::vector<EdgeStencil> recorded_stencils;
std::vector<Vec3> recorded_midpoints;
void record_rule(Vec3& point, const EdgeStencil& stencil) {
    recorded_midpoints.push_back(point);
    recorded_stencils.push_back(stencil);
}

// Vertex i of the fan sits at height i + 1, so stencil entries say which
// vertex they came from and none is mistaken for a missing one.
//
//        5 ---- 2 ---- 4          F  = (0, 1, 2), its edge 0 -> 1 is the one looked at
//          \ H2 | F  /  \         G  = (1, 0, 3), across 0-1, wound the usual way
//            \  |  / H1  \        H1 = (2, 1, 4), H2 = (0, 2, 5): across F's other edges
//              0 ---- 1           G1 = (3, 0, 6), G2 = (1, 3, 7): across G's other edges
//            / G1 \ G  / G2
//          6 ----- 3 ---- 7
Mesh* butterfly_fan() {
    const std::vector<float> positions = {
        0.0f, 0.0f, 1,  1.0f, 0.0f, 2,  0.5f, 1.0f, 3,   0.5f, -1.0f, 4,
        1.5f, 1.0f, 5,  -0.5f, 1.0f, 6, -0.5f, -1.0f, 7, 1.5f, -1.0f, 8,
    };
    return mesh_of(positions, {0, 1, 2, 1, 0, 3, 2, 1, 4, 0, 2, 5, 3, 0, 6, 1, 3, 7});
}

// Which fan vertex a stencil entry holds, or -1 for an entry left at the origin.
int32_t fan_vertex(const Vec3& p) { return p == Vec3{0, 0, 0} ? -1 : static_cast<int32_t>(p[2]) - 1; }
}  // namespace

TEST(MeshMerge, OfNothingIsAnEmptyMesh) {
    MeshPtr merged(mesh_merge(nullptr, 0));
    EXPECT_EQ(mesh_vertex_count(merged.get()), 0);
    EXPECT_EQ(mesh_triangle_count(merged.get()), 0);
    MeshPtr negative(mesh_merge(nullptr, -2));
    EXPECT_EQ(mesh_vertex_count(negative.get()), 0);
}

TEST(MeshMerge, ConcatenatesWithOffsetIndicesAndDropsColours) {
    MeshPtr first(mesh_new_box());
    MeshPtr second(mesh_new_box());
    mesh_translate(second.get(), 3, 0, 0);
    mesh_fill_color(first.get(), {1, 0, 0, 1});
    Mesh* parts[] = {first.get(), nullptr, second.get()};
    MeshPtr merged(mesh_merge(parts, 3));
    ASSERT_EQ(mesh_vertex_count(merged.get()), 16);
    ASSERT_EQ(mesh_triangle_count(merged.get()), 12);
    EXPECT_EQ(mesh_color_count(merged.get()), 0);
    for (size_t k = 0; k < 8; ++k) {
        EXPECT_EQ(merged->positions[k], first->positions[k]);
        EXPECT_EQ(merged->positions[k + 8], second->positions[k]);
    }
    for (size_t t = 0; t < 6; ++t) {
        EXPECT_EQ(merged->triangles[t], first->triangles[t]);
        const Triangle& s = second->triangles[t];
        EXPECT_EQ(merged->triangles[t + 6], (Triangle{s[0] + 8, s[1] + 8, s[2] + 8}));
    }
    // The inputs are as they were.
    EXPECT_EQ(mesh_color_count(first.get()), 8);
    EXPECT_EQ(mesh_positions(second.get())[0], (Vec3{2.5f, -0.5f, -0.5f}));
}

TEST(MeshWeld, ToleranceZeroRewritesNothingEvenForIdenticalPoints) {
    MeshPtr cubes(two_touching_cubes());
    const std::vector<Triangle> before = cubes->triangles;
    EXPECT_EQ(mesh_weld(cubes.get(), 0.0f), 0);
    EXPECT_EQ(cubes->triangles, before);
}

TEST(MeshWeld, RedirectsCoincidentCornersToTheFirstCube) {
    MeshPtr cubes(two_touching_cubes());
    const std::vector<Vec3> positions = cubes->positions;
    const std::vector<std::pair<int32_t, int32_t>> pairs = {{1, 8}, {2, 11}, {5, 12}, {6, 15}};
    std::vector<int32_t> expected_after(16);
    int32_t expected = 0;
    for (int32_t v = 0; v < 16; ++v) expected_after[static_cast<size_t>(v)] = slots_equal_to(cubes.get(), v);
    for (const auto& [kept, dropped] : pairs) {
        ASSERT_EQ(cubes->positions[static_cast<size_t>(kept)], cubes->positions[static_cast<size_t>(dropped)]);
        expected += slots_equal_to(cubes.get(), dropped);
        expected_after[static_cast<size_t>(kept)] += expected_after[static_cast<size_t>(dropped)];
        expected_after[static_cast<size_t>(dropped)] = 0;
    }
    ASSERT_GT(expected, 0);

    EXPECT_EQ(mesh_weld(cubes.get(), 0.0855555534f), expected);
    for (int32_t v = 0; v < 16; ++v) EXPECT_EQ(slots_equal_to(cubes.get(), v), expected_after[static_cast<size_t>(v)]) << v;
    // Nothing moves and nothing is removed.
    EXPECT_EQ(cubes->positions, positions);
    EXPECT_EQ(mesh_vertex_count(cubes.get()), 16);
}

TEST(MeshWeld, UsesAStrictTestAndTheFirstNearVertex) {
    // 0 and 1 are exactly one apart; 2 is near both 0 and 1; 3 is near 2 only.
    MeshPtr mesh(mesh_of({0, 0, 0, 1, 0, 0, 0.5f, 0, 0, 1.4f, 0, 0}, {0, 1, 2, 1, 2, 3, 3, 2, 1}));
    EXPECT_EQ(mesh_weld(mesh.get(), 1.0f), 3 + 2);
    // 1 is not closer than 1 to 0, so it stays; 2 goes to 0, the first near
    // vertex; 3 goes to 1 (0.4 away), 2 having been tested before it was moved.
    EXPECT_EQ(mesh->triangles, (std::vector<Triangle>{{0, 1, 0}, {1, 0, 1}, {1, 0, 1}}));
}

TEST(MeshWeld, AChainLeavesTheThirdVertexOnTheSecond) {
    // First near second, second near third, first not near third.
    MeshPtr mesh(mesh_of({0, 0, 0, 0.6f, 0, 0, 1.2f, 0, 0, 9, 9, 9}, {0, 3, 3, 1, 3, 3, 2, 3, 3}));
    EXPECT_EQ(mesh_weld(mesh.get(), 1.0f), 2);
    EXPECT_EQ(mesh->triangles, (std::vector<Triangle>{{0, 3, 3}, {0, 3, 3}, {1, 3, 3}}));
    EXPECT_EQ(slots_equal_to(mesh.get(), 1), 1);  // only the third's corner, moved there
}

TEST(MeshSubdivide, OneTriangleGetsThreeMidpointsAndFourTriangles) {
    MeshPtr mesh(mesh_of({0, 0, 0, 2, 0, 0, 0, 2, 0}, {0, 1, 2}));
    mesh_subdivide(mesh.get(), nullptr);
    ASSERT_EQ(mesh_vertex_count(mesh.get()), 6);
    EXPECT_EQ(mesh->positions[3], (Vec3{1, 0, 0}));
    EXPECT_EQ(mesh->positions[4], (Vec3{1, 1, 0}));
    EXPECT_EQ(mesh->positions[5], (Vec3{0, 1, 0}));
    EXPECT_EQ(mesh->triangles, (std::vector<Triangle>{{0, 3, 5}, {3, 1, 4}, {5, 4, 2}, {3, 4, 5}}));
}

TEST(MeshSubdivide, AnEdgeSharedByTwoTrianglesGetsOnePoint) {
    // The shared edge runs 1 -> 2 in the first triangle and 2 -> 1 in the second.
    MeshPtr mesh(mesh_of({0, 0, 0, 1, 0, 0, 0, 1, 0, 1, 1, 0}, {0, 1, 2, 2, 1, 3}));
    mesh_subdivide(mesh.get(), nullptr);
    ASSERT_EQ(mesh_vertex_count(mesh.get()), 9);
    ASSERT_EQ(mesh_triangle_count(mesh.get()), 8);
    EXPECT_EQ(mesh->positions[5], (Vec3{0.5f, 0.5f, 0}));
    EXPECT_EQ(mesh->triangles[1], (Triangle{4, 1, 5}));
    // Second triangle: edges 2->1 (the shared point 5), 1->3 (7), 3->2 (8).
    EXPECT_EQ(mesh->triangles[4], (Triangle{2, 5, 8}));
    EXPECT_EQ(mesh->triangles[7], (Triangle{5, 7, 8}));
}

TEST(MeshSubdivide, AnEdgeRunningTheSameWayInBothTrianglesIsStillShared) {
    MeshPtr mesh(mesh_of({0, 0, 0, 1, 0, 0, 0, 1, 0, 1, 1, 0}, {0, 1, 2, 1, 2, 3}));
    mesh_subdivide(mesh.get(), nullptr);
    EXPECT_EQ(mesh_vertex_count(mesh.get()), 9);
    // The second triangle's first edge, 1 -> 2, reuses point 5.
    EXPECT_EQ(mesh->triangles[4], (Triangle{1, 5, 8}));
    EXPECT_EQ(mesh->triangles[7], (Triangle{5, 7, 8}));
}

TEST(MeshSubdivide, AMeshWithoutTrianglesKeepsItsPositions) {
    MeshPtr mesh(mesh_of({1, 2, 3, 4, 5, 6}, {}));
    mesh_subdivide(mesh.get(), rule_butterfly);
    EXPECT_EQ(mesh_vertex_count(mesh.get()), 2);
    EXPECT_EQ(mesh->positions[1], (Vec3{4, 5, 6}));
    EXPECT_EQ(mesh_triangle_count(mesh.get()), 0);
    MeshPtr empty(mesh_new());
    mesh_subdivide(empty.get(), nullptr);
    EXPECT_EQ(mesh_vertex_count(empty.get()), 0);
}

TEST(MeshSubdivide, TwiceMultipliesTrianglesBySixteenAndLeavesColoursAlone) {
    MeshPtr cube(mesh_new_cube(31));
    mesh_fill_color(cube.get(), {1, 1, 1, 1});
    mesh_subdivide(cube.get(), nullptr);
    // A closed cube: 8 corners, 18 edges, each edge one point.
    EXPECT_EQ(mesh_vertex_count(cube.get()), 8 + 18);
    mesh_subdivide(cube.get(), nullptr);
    EXPECT_EQ(mesh_triangle_count(cube.get()), 12 * 16);
    EXPECT_EQ(mesh_color_count(cube.get()), 8);
    EXPECT_TRUE(mesh_indices_valid(cube.get()));
    // Plain midpoints never leave the cube's surface box.
    BoundingBox bounds;
    mesh_bounds(cube.get(), bounds);
    EXPECT_EQ(bounds.min, (Vec3{-0.5f, -0.5f, -0.5f}));
    EXPECT_EQ(bounds.max, (Vec3{0.5f, 0.5f, 0.5f}));
}

TEST(MeshSubdivide, LeavesAMeshWithAnIndexOutsideItsVerticesUnchanged) {
    MeshPtr mesh(mesh_of({0, 0, 0, 1, 0, 0, 0, 1, 0}, {0, 1, 2}));
    const float two[] = {0, 0, 0, 1, 0, 0};
    mesh_set_positions(mesh.get(), two, 2);  // triangle 0 now names a missing vertex
    mesh_subdivide(mesh.get(), nullptr);
    EXPECT_EQ(mesh_vertex_count(mesh.get()), 2);
    EXPECT_EQ(mesh->triangles, (std::vector<Triangle>{{0, 1, 2}}));
}

TEST(MeshSubdivide, RulesSeeTheMidpointAndTheEightPointStencil) {
    MeshPtr fan(butterfly_fan());
    recorded_stencils.clear();
    recorded_midpoints.clear();
    mesh_subdivide(fan.get(), record_rule);
    // One call per new point: 6 triangles with 13 distinct edges.
    ASSERT_EQ(recorded_stencils.size(), 13u);
    EXPECT_EQ(mesh_vertex_count(fan.get()), 8 + 13);
    EXPECT_EQ(recorded_midpoints[0], (Vec3{0.5f, 0.0f, 1.5f}));

    // The first call is for F's edge 0 -> 1.
    std::vector<int32_t> entries;
    for (const Vec3& p : recorded_stencils[0]) entries.push_back(fan_vertex(p));
    EXPECT_EQ(entries, (std::vector<int32_t>{0, 1, 2, 3, 4, 5, 6, 7}));

    // The second, F's edge 1 -> 2 (shared with H1): a = 1, b = 2, third
    // vertex 0, across it 4; across F's edges 2 -> 0 and 0 -> 1: 5 and 3;
    // H1 has no other neighbours.
    entries.clear();
    for (const Vec3& p : recorded_stencils[1]) entries.push_back(fan_vertex(p));
    EXPECT_EQ(entries, (std::vector<int32_t>{1, 2, 0, 4, 5, 3, -1, -1}));

    // A boundary edge, G1's 0 -> 6: nothing across it, no wings.
    const auto boundary = std::find_if(recorded_stencils.begin(), recorded_stencils.end(), [](const EdgeStencil& s) {
        return fan_vertex(s[0]) == 0 && fan_vertex(s[1]) == 6;
    });
    ASSERT_NE(boundary, recorded_stencils.end());
    entries.clear();
    for (const Vec3& p : *boundary) entries.push_back(fan_vertex(p));
    // Across G1's other edges: 6 -> 3 has nothing, 3 -> 0 has G's far vertex 1.
    EXPECT_EQ(entries, (std::vector<int32_t>{0, 6, 3, -1, -1, 1, -1, -1}));
}

TEST(MeshSubdivide, ButterflyWeighsTheStencil) {
    MeshPtr fan(butterfly_fan());
    mesh_subdivide(fan.get(), rule_butterfly);
    // Edge 0-1: 1/2 (P0 + P1) + 1/8 (P2 + P3) - 1/16 (P4 + P5 + P6 + P7).
    const Vec3& point = fan->positions[8];
    EXPECT_FLOAT_EQ(point[0], 0.5f);
    EXPECT_FLOAT_EQ(point[1], 0.0f);
    EXPECT_FLOAT_EQ(point[2], 0.5f * (1 + 2) + 0.125f * (3 + 4) - 0.0625f * (5 + 6 + 7 + 8));
    // The twin of edge 0-1 in G uses the same point.
    EXPECT_EQ(fan->triangles[4], (Triangle{1, 8, 12}));

    Vec3 direct{9, 9, 9};
    EdgeStencil stencil{};
    for (size_t k = 0; k < 8; ++k) stencil[k] = {static_cast<float>(k + 1), 0, static_cast<float>(16 * k)};
    rule_butterfly(direct, stencil);
    EXPECT_FLOAT_EQ(direct[0], 1.5f + 0.875f - 1.625f);
    EXPECT_FLOAT_EQ(direct[2], 8.0f + 10.0f - 22.0f);
}

TEST(MeshSubdivide, ProjectUnitPutsNewPointsOnTheSphere) {
    Vec3 point{0, 3, 4};
    rule_project_unit(point, EdgeStencil{});
    EXPECT_NEAR(point[1], 0.6f, 1e-7f);
    EXPECT_NEAR(point[2], 0.8f, 1e-7f);
}
