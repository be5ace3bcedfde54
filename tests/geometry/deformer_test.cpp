// The deformer: its four rules and their priority, fresh outputs from the
// base copy, the display scale, and degenerate skeletons and meshes.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

#include "geometry/deformer.h"
#include "geometry/mesh_builders.h"
#include "geometry/mesh_processing.h"
#include "tests/geometry/geometry_test_support.h"

namespace {
// A mesh of loose vertices (the deformer never looks at triangles).
Mesh* points_mesh(const std::vector<Vec3>& points) {
    Mesh* mesh = mesh_new();
    mesh_set_positions(mesh, points.empty() ? nullptr : points.front().data(), static_cast<int32_t>(points.size()));
    const int32_t one[] = {0, 0, 0};
    mesh_set_triangles(mesh, one, 1);
    return mesh;
}

// One segment from (0,0,0) to (2,0,0) with the given end weights.
PathSet* one_segment(float wa = 1.0f, float wb = 1.0f) {
    PathSet* paths = pathset_new();
    pathset_append(paths, Vec3{0, 0, 0}, Vec3{2, 0, 0});
    pathset_set_last_weights(paths, wa, wb);
    return paths;
}

void expect_finite(const Mesh* mesh) {
    for (const Vec3& p : mesh->positions) {
        for (float c : p) ASSERT_TRUE(std::isfinite(c));
    }
}

// The figure-like mesh: two touching cubes, welded and subdivided once.
Mesh* welded_cubes() {
    MeshPtr left(mesh_new_cube(31));
    MeshPtr right(mesh_new_cube(15));
    mesh_translate(right.get(), 1, 0, 0);
    Mesh* parts[] = {left.get(), right.get()};
    Mesh* merged = mesh_merge(parts, 2);
    mesh_weld(merged, 0.0855555534f);
    mesh_subdivide(merged, nullptr);
    mesh_fill_color(merged, {1, 1, 1, 1});
    return merged;
}
}  // namespace

TEST(Deformer, FlagsChooseOneRulePushFirstThenWeightedGradientBlend) {
    // Two segments, so that blending their nearest points is no push.
    MeshPtr mesh(points_mesh({{1, 2, 0}}));
    PathSetPtr paths(one_segment(0, 1));
    pathset_append(paths.get(), Vec3{0, 5, 0}, Vec3{2, 5, 0});
    auto moved = [&](uint16_t flags) {
        DeformerPtr deformer(deformer_new(mesh.get(), paths.get(), flags));
        return deformer_apply(deformer.get(), 0.5f, 1, 0.5f)->positions[0];
    };
    const Vec3 push = moved(DEFORM_FLAG_PUSH), weighted = moved(DEFORM_FLAG_WEIGHTED);
    const Vec3 gradient = moved(DEFORM_FLAG_GRADIENT), blend = moved(DEFORM_FLAG_BLEND);
    const std::vector<Vec3> rules = {push, weighted, gradient, blend, mesh->positions[0]};
    for (size_t i = 0; i < rules.size(); ++i)  // each rule moves the vertex its own way
        for (size_t j = i + 1; j < rules.size(); ++j) EXPECT_NE(rules[i], rules[j]) << i << " " << j;
    struct Case {
        uint16_t flags;
        Vec3 position;
    };
    for (const Case& c : {Case{0, push}, Case{3, push}, Case{15, push}, Case{6, weighted}, Case{14, weighted},
                          Case{12, gradient}, Case{16, mesh->positions[0]}})
        EXPECT_EQ(moved(c.flags), c.position) << "flags " << c.flags;
}

TEST(Deformer, WeightedPlacesVerticesOnATubeAndWritesTheWeightAsAlpha) {
    MeshPtr mesh(points_mesh({{1, 3, 0}, {3, 0, 0}}));
    mesh_fill_color(mesh.get(), {1, 1, 1, 0.25f});
    PathSetPtr paths(one_segment(1, 1));
    DeformerPtr deformer(deformer_new(mesh.get(), paths.get(), DEFORM_FLAG_WEIGHTED));
    Mesh* out = deformer_apply(deformer.get(), 0.5f, 5.05f, 0.5f);
    EXPECT_EQ(out->positions[0], (Vec3{1, 0.5f, 0}));
    EXPECT_EQ(out->positions[1], (Vec3{2.5f, 0, 0}));
    EXPECT_EQ(out->colors[0], (Rgba{1, 1, 1, 1}));
}

TEST(Deformer, WeightsAreInterpolatedAlongTheSegment) {
    MeshPtr mesh(points_mesh({{1, 3, 0}}));
    mesh_fill_color(mesh.get(), {1, 1, 1, 1});
    PathSetPtr paths(one_segment(0, 1));
    DeformerPtr weighted(deformer_new(mesh.get(), paths.get(), 2));
    const Mesh* out = deformer_apply(weighted.get(), 0.5f, 1, 0.5f);
    EXPECT_EQ(out->positions[0], (Vec3{1, 0.25f, 0}));
    EXPECT_EQ(out->colors[0][3], 0.5f);
    // The bias shapes the weight: gain(0.5, g) is 0.5 for any g, so move the vertex.
    MeshPtr quarter(points_mesh({{0.5f, 3, 0}}));
    DeformerPtr shaped(deformer_new(quarter.get(), paths.get(), 2));
    const Mesh* bent = deformer_apply(shaped.get(), 1.0f, 1, 0.25f);
    EXPECT_FLOAT_EQ(bent->positions[0][1], static_cast<float>(gain(0.25, 0.25)));
}

TEST(Deformer, PushWinsOverWeightedWhenBothAreSet) {
    MeshPtr mesh(points_mesh({{1, 3, 0}}));
    PathSetPtr paths(one_segment(0, 1));
    for (uint16_t flags : {0, 1, 3}) {
        DeformerPtr deformer(deformer_new(mesh.get(), paths.get(), flags));
        Mesh* out = deformer_apply(deformer.get(), 0.5f, 1, 0.5f);
        EXPECT_EQ(out->positions[0], (Vec3{1, 0.5f, 0})) << "flags " << flags;  // weights play no part
    }
}

TEST(Deformer, WithoutAModeVerticesStay) {
    MeshPtr mesh(points_mesh({{1, 3, 0}, {-4, 2, 7}}));
    PathSetPtr paths(one_segment());
    DeformerPtr deformer(deformer_new(mesh.get(), paths.get(), 1u << 4));
    Mesh* out = deformer_apply(deformer.get(), 0.5f, 1, 0.5f);
    EXPECT_EQ(out->positions, mesh->positions);
}

TEST(Deformer, EachApplyStartsFromTheBaseAndReleasesThePreviousOutput) {
    MeshPtr mesh(welded_cubes());
    PathSetPtr paths(one_segment());
    DeformerPtr deformer(deformer_new(mesh.get(), paths.get(), DEFORM_FLAG_WEIGHTED));
    // Later changes to the caller's mesh do not reach the deformer's copy.
    mesh_translate(mesh.get(), 100, 0, 0);
    Mesh* first = deformer_apply(deformer.get(), 0.5f, 5.05f, 0.5f);
    const std::vector<Vec3> first_positions = first->positions;
    Mesh* second = deformer_apply(deformer.get(), 0.5f, 5.05f, 0.5f);  // first is gone now
    EXPECT_EQ(deformer->output, second);
    EXPECT_EQ(second->positions, first_positions);
    Mesh* wider = deformer_apply(deformer.get(), 0.9f, 5.05f, 0.5f);
    EXPECT_NE(wider->positions, first_positions);
    EXPECT_NE(deformer->base->positions, wider->positions);
    EXPECT_EQ(mesh_vertex_count(wider), mesh_vertex_count(mesh.get()));
}

TEST(Deformer, OnEqualDistancesTheEarlierSegmentWins) {
    MeshPtr mesh(points_mesh({{1, 1, 0}}));
    PathSetPtr paths(pathset_new());
    pathset_append(paths.get(), Vec3{0, 0, 0}, Vec3{2, 0, 0});
    pathset_set_last_weights(paths.get(), 1, 1);
    pathset_append(paths.get(), Vec3{0, 2, 0}, Vec3{2, 2, 0});
    pathset_set_last_weights(paths.get(), 0.5f, 0.5f);
    DeformerPtr deformer(deformer_new(mesh.get(), paths.get(), DEFORM_FLAG_WEIGHTED));
    Vec3 closest{};
    float weight = 0;
    deformer_nearest(deformer.get(), Vec3{1, 1, 0}, closest, weight);
    EXPECT_EQ(closest, (Vec3{1, 0, 0}));
    EXPECT_EQ(weight, 1.0f);
    const Mesh* out = deformer_apply(deformer.get(), 0.5f, 1, 0.5f);
    EXPECT_EQ(out->positions[0], (Vec3{1, 0.5f, 0}));

    DeformerPtr pushed(deformer_new(mesh.get(), paths.get(), DEFORM_FLAG_PUSH));
    out = deformer_apply(pushed.get(), 0.25f, 1, 0.5f);
    EXPECT_EQ(out->positions[0], (Vec3{1, 0.25f, 0}));
}

TEST(Deformer, AVertexOnASegmentStaysThere) {
    MeshPtr mesh(points_mesh({{0.5f, 0, 0}, {2, 0, 0}}));
    mesh_fill_color(mesh.get(), {1, 1, 1, 1});
    PathSetPtr paths(one_segment(0.5f, 1));
    for (uint16_t flags : {DEFORM_FLAG_PUSH, DEFORM_FLAG_WEIGHTED}) {
        DeformerPtr deformer(deformer_new(mesh.get(), paths.get(), flags));
        Mesh* out = deformer_apply(deformer.get(), 0.5f, 1, 0.5f);
        EXPECT_EQ(out->positions, mesh->positions) << "flags " << flags;
    }
}

TEST(Deformer, SeesSegmentsAtTheirDisplayScale) {
    MeshPtr mesh(points_mesh({{0, 1, 0}, {1, 3, 0}}));
    PathSetPtr paths(one_segment());
    pathset_set_scale(paths.get(), 0.5f);  // shown as (0.5,0,0)-(1.5,0,0)
    DeformerPtr deformer(deformer_new(mesh.get(), paths.get(), DEFORM_FLAG_PUSH));
    Mesh* out = deformer_apply(deformer.get(), 1.0f, 1, 0.5f);
    const float r = 1.0f / std::sqrt(1.25f);
    expect_vec3_near(out->positions[0], Vec3{0.5f - 0.5f * r, r, 0});
    EXPECT_EQ(out->positions[1], (Vec3{1, 1, 0}));
    // A scale set after creation counts at the next apply.
    pathset_set_scale(paths.get(), 1.0f);
    out = deformer_apply(deformer.get(), 1.0f, 1, 0.5f);
    expect_vec3_near(out->positions[0], Vec3{0, 1, 0});
}

TEST(Deformer, WithNoSegmentsWeightedAndGradientLeaveVerticesAlone) {
    MeshPtr mesh(points_mesh({{1, 3, 0}, {-2, 0.5f, 4}}));
    mesh_fill_color(mesh.get(), {1, 1, 1, 0.75f});
    PathSetPtr empty(pathset_new());
    for (uint16_t flags : {DEFORM_FLAG_WEIGHTED, DEFORM_FLAG_GRADIENT}) {
        DeformerPtr deformer(deformer_new(mesh.get(), empty.get(), flags));
        Mesh* out = deformer_apply(deformer.get(), 0.5f, 1, 0.5f);
        EXPECT_EQ(out->positions, mesh->positions) << "flags " << flags;
        EXPECT_EQ(out->colors, mesh->colors) << "flags " << flags;
    }
    // Push and blend anchor at the origin: every vertex on the sphere of the radius.
    for (uint16_t flags : {DEFORM_FLAG_PUSH, DEFORM_FLAG_BLEND}) {
        DeformerPtr deformer(deformer_new(mesh.get(), empty.get(), flags));
        Mesh* out = deformer_apply(deformer.get(), 0.5f, 1, 0.5f);
        for (const Vec3& p : out->positions) EXPECT_FLOAT_EQ(vec3_length(p), 0.5f);
    }
    // A missing path set counts as an empty one.
    DeformerPtr none(deformer_new(mesh.get(), nullptr, DEFORM_FLAG_WEIGHTED));
    Mesh* out = deformer_apply(none.get(), 0.5f, 1, 0.5f);
    EXPECT_EQ(out->positions, mesh->positions);
}

TEST(Deformer, NeverWritesPastAShortColourArray) {
    // Three vertices but colours for two: the subdivided mesh a caller forgot to refill.
    MeshPtr mesh(points_mesh({{1, 3, 0}, {1, -3, 0}, {1, 0, 3}}));
    const float two_colors[] = {1, 1, 1, 0.1f, 1, 1, 1, 0.2f};
    mesh_set_colors(mesh.get(), two_colors, 2);
    PathSetPtr paths(one_segment(1, 1));
    DeformerPtr deformer(deformer_new(mesh.get(), paths.get(), DEFORM_FLAG_WEIGHTED));
    Mesh* out = deformer_apply(deformer.get(), 0.5f, 1, 0.5f);
    ASSERT_EQ(mesh_color_count(out), 2);
    EXPECT_EQ(out->colors[0][3], 1.0f);
    EXPECT_EQ(out->colors[1][3], 1.0f);
    EXPECT_EQ(out->positions[2], (Vec3{1, 0, 0.5f}));  // moved all the same
}

TEST(Deformer, AnEmptyBaseGivesAnEmptyOutput) {
    MeshPtr empty(mesh_new());
    PathSetPtr paths(one_segment());
    DeformerPtr deformer(deformer_new(empty.get(), paths.get(), DEFORM_FLAG_WEIGHTED));
    Mesh* out = deformer_apply(deformer.get(), 0.5f, 1, 0.5f);
    ASSERT_NE(out, nullptr);
    EXPECT_EQ(mesh_vertex_count(out), 0);
    // A missing mesh counts as an empty one.
    DeformerPtr without_mesh(deformer_new(nullptr, paths.get(), DEFORM_FLAG_WEIGHTED));
    out = deformer_apply(without_mesh.get(), 0.5f, 1, 0.5f);
    EXPECT_EQ(mesh_vertex_count(out), 0);
}

TEST(Deformer, FieldSumsInverseDistances) {
    MeshPtr mesh(points_mesh({{0, 0, 0}}));
    PathSetPtr paths(one_segment());
    DeformerPtr deformer(deformer_new(mesh.get(), paths.get(), DEFORM_FLAG_GRADIENT));
    EXPECT_FLOAT_EQ(deformer_field(deformer.get(), Vec3{1, 2, 0}), 0.5f);
    EXPECT_FLOAT_EQ(deformer_field(deformer.get(), Vec3{1, 0, 0}), 1e15f);
    pathset_append(paths.get(), Vec3{0, 4, 0}, Vec3{2, 4, 0});
    EXPECT_FLOAT_EQ(deformer_field(deformer.get(), Vec3{1, 2, 0}), 1.0f);
    PathSetPtr empty(pathset_new());
    DeformerPtr nothing(deformer_new(mesh.get(), empty.get(), DEFORM_FLAG_GRADIENT));
    EXPECT_EQ(deformer_field(nothing.get(), Vec3{1, 2, 0}), 0.0f);
    // Without segments nearest keeps what the caller put there.
    Vec3 closest{7, 8, 9};
    float weight = 0.3f;
    deformer_nearest(nothing.get(), Vec3{1, 2, 0}, closest, weight);
    EXPECT_EQ(closest, (Vec3{7, 8, 9}));
    EXPECT_EQ(weight, 0.3f);
}

TEST(Deformer, GradientPlacesVerticesAgainstTheFieldGradient) {
    MeshPtr mesh(points_mesh({{1, 3, 0}, {1, 0, -2}}));
    PathSetPtr paths(one_segment(1, 1));
    DeformerPtr deformer(deformer_new(mesh.get(), paths.get(), DEFORM_FLAG_GRADIENT));
    Mesh* out = deformer_apply(deformer.get(), 0.5f, 1, 0.5f);
    // The anchor is (1, 0, 0); the field is probed 0.01 out towards the
    // vertex and again 0.001 further along each axis. Those forward steps
    // tilt the way out a little towards each axis's positive side.
    expect_vec3_near(out->positions[0], Vec3{1.0f, 0.499257f, 0.027255f}, 1e-4f);
    expect_vec3_near(out->positions[1], Vec3{1.0f, 0.022310f, -0.499502f}, 1e-4f);
    for (const Vec3& p : out->positions) EXPECT_NEAR(vec3_distance(p, Vec3{1, 0, 0}), 0.5f, 1e-6f);
    EXPECT_GT(out->positions[0][1], 0.49f);
    EXPECT_LT(out->positions[1][2], -0.49f);
}

TEST(Deformer, BlendAnchorsAtTheWeightedMeanOfTheNearestPoints) {
    MeshPtr mesh(points_mesh({{1, 1.5f, 0}}));
    PathSetPtr paths(pathset_new());
    pathset_append(paths.get(), Vec3{0, 0, 0}, Vec3{2, 0, 0});
    pathset_append(paths.get(), Vec3{0, 2, 0}, Vec3{2, 2, 0});
    DeformerPtr deformer(deformer_new(mesh.get(), paths.get(), DEFORM_FLAG_BLEND));
    const float sharpness = 2.0f;
    Mesh* out = deformer_apply(deformer.get(), 0.1f, sharpness, 0.5f);
    const double w0 = std::exp(-1.5 * sharpness), w1 = std::exp(-0.5 * sharpness);
    const double anchor_y = 2.0 * w1 / (w0 + w1);  // about 1.76: above the vertex
    ASSERT_GT(anchor_y, 1.5);
    expect_vec3_near(out->positions[0], Vec3{1, static_cast<float>(anchor_y - 0.1), 0}, 1e-5f);

    // Weights that all vanish leave the anchor at the (zero) sum, not NaN.
    out = deformer_apply(deformer.get(), 0.1f, 1e30f, 0.5f);
    expect_finite(out);
    EXPECT_FLOAT_EQ(vec3_length(out->positions[0]), 0.1f);
}

// Skeletons with segments of no length: each such segment is its single
// point, so it anchors only the vertices nearest to that point.
namespace {
struct PointSegmentCase {
    const char* name;
    std::vector<std::array<Vec3, 2>> segments;
    float display_scale;
    std::vector<Vec3> vertices;
    std::vector<Vec3> anchors;  // the expected anchor of each vertex
};

const PointSegmentCase POINT_SEGMENT_CASES[] = {
    {"PointBesideALine", {{Vec3{5, 5, 5}, Vec3{5, 5, 5}}, {Vec3{0, 0, 0}, Vec3{2, 0, 0}}}, 1.0f,
     {{1, 3, 0}, {5, 5, 7}, {3, 0, 0}}, {{1, 0, 0}, {5, 5, 5}, {2, 0, 0}}},
    {"ShorterThanEpsilon", {{Vec3{0, 0, 0}, Vec3{5e-16f, 0, 0}}, {Vec3{0, 4, 0}, Vec3{2, 4, 0}}}, 1.0f,
     {{1, 3, 0}, {0, -2, 0}}, {{1, 4, 0}, {0, 0, 0}}},
    {"DisplayScaleZero", {{Vec3{0, 0, 0}, Vec3{2, 0, 0}}, {Vec3{0, 4, 0}, Vec3{2, 4, 0}}}, 0.0f,
     {{1, 3, 0}, {3, 1, 0}, {1, -2, 0}}, {{1, 4, 0}, {1, 0, 0}, {1, 0, 0}}},
};

void PrintTo(const PointSegmentCase& c, std::ostream* out) { *out << c.name; }

struct PointSegments : testing::TestWithParam<PointSegmentCase> {};
}  // namespace

TEST_P(PointSegments, AnchorOnlyTheVerticesNearestThem) {
    const PointSegmentCase& c = GetParam();
    MeshPtr mesh(points_mesh(c.vertices));
    PathSetPtr paths(pathset_new());
    for (const auto& [a, b] : c.segments) pathset_append(paths.get(), a, b);
    pathset_set_scale(paths.get(), c.display_scale);

    DeformerPtr nearest(deformer_new(mesh.get(), paths.get(), DEFORM_FLAG_WEIGHTED));
    for (size_t k = 0; k < c.vertices.size(); ++k) {
        Vec3 closest{};
        float weight = 0.0f;
        deformer_nearest(nearest.get(), c.vertices[k], closest, weight);
        expect_vec3_near(closest, c.anchors[k]);
    }
    // Push, weighted and gradient put each vertex at the radius from its
    // anchor (weights 1, bias 0.5); blend has no single anchor.
    for (uint16_t flags : {DEFORM_FLAG_PUSH, DEFORM_FLAG_WEIGHTED, DEFORM_FLAG_GRADIENT, DEFORM_FLAG_BLEND}) {
        DeformerPtr deformer(deformer_new(mesh.get(), paths.get(), flags));
        const Mesh* out = deformer_apply(deformer.get(), 0.5f, 19.9f, 0.5f);
        expect_finite(out);
        if (flags == DEFORM_FLAG_BLEND) continue;
        for (size_t k = 0; k < c.vertices.size(); ++k)
            EXPECT_NEAR(vec3_distance(out->positions[k], c.anchors[k]), 0.5f, 1e-5f)
                << "flags " << flags << ", vertex " << k;
    }
}

INSTANTIATE_TEST_SUITE_P(Deformer, PointSegments, testing::ValuesIn(POINT_SEGMENT_CASES),
                         [](const testing::TestParamInfo<PointSegmentCase>& info) { return info.param.name; });

TEST(Deformer, PointSegmentsKeepEveryRuleFinite) {
    MeshPtr mesh(welded_cubes());
    PathSetPtr paths(pathset_new());
    pathset_append(paths.get(), Vec3{5, 5, 5}, Vec3{5, 5, 5});
    pathset_append(paths.get(), Vec3{0, 0, 0}, Vec3{2, 0, 0});
    pathset_set_scale(paths.get(), 0.0f);
    for (uint16_t flags : {DEFORM_FLAG_PUSH, DEFORM_FLAG_WEIGHTED, DEFORM_FLAG_GRADIENT, DEFORM_FLAG_BLEND}) {
        DeformerPtr deformer(deformer_new(mesh.get(), paths.get(), flags));
        expect_finite(deformer_apply(deformer.get(), 0.5f, 19.9f, 0.35f));
    }
}
