// The figure's ASCII art and the geometry built from it.
#include "show/glyph_grid.h"

#include <gtest/gtest.h>

#include <cmath>

#include "geometry/mesh.h"
#include "geometry/paths.h"
#include "geometry/point_list.h"
#include "tests/geometry/geometry_test_support.h"
#include "tests/support/sound_files.h"

namespace {
constexpr float CELL = 4.0f / 11.0f;

struct GlyphGridTest : testing::Test {
    GlyphGrid* grid = glyph_grid_new();
    ~GlyphGridTest() override { glyph_grid_destroy(grid); }
};

// The meshes of one build of the grid, destroyed with the object.
struct BuiltMeshes {
    Mesh** meshes = nullptr;
    int32_t count = 0;
    BuiltMeshes(GlyphGrid* grid, int32_t mode) { glyph_grid_build_meshes(grid, &meshes, &count, mode, 4.0f, 4.0f); }
    ~BuiltMeshes() {
        for (int s = 0; s < count; ++s) mesh_destroy(meshes[s]);
        delete[] meshes;
    }
    BoundingBox bounds(int s) const {
        BoundingBox box;
        mesh_bounds(meshes[s], box);
        return box;
    }
};

// One row of the skeleton's table: cell, endpoints in cells, end weights.
struct ExpectedSegment {
    int i, j;
    float ax, ay, bx, by;
    float wa, wb;
};

const ExpectedSegment SKELETON[] = {
    {3, 1, -2, -5, -3, -4, 0.8333f, 0.75f},    {4, 1, -2, -5, -1, -5, 0.9167f, 1.0f},
    {2, 2, -3, -4, -3, -3, 0.75f, 0.5833f},    {8, 2, 2, -3, 3, -3, 0.5833f, 0.75f},
    {3, 3, -3, -3, -2, -2, 0.5833f, 0.4167f},  {7, 3, 2, -3, 1, -2, 0.5833f, 0.4167f},
    {9, 3, 3, -3, 4, -2, 0.75f, 0.8333f},      {4, 4, -2, -2, -1, -1, 0.4167f, 0.1667f},
    {6, 4, 1, -2, 0, -1, 0.4167f, 0.1667f},    {9, 4, 4, -2, 4, -1, 0.9167f, 1.0f},
    {5, 5, -0.55f, -0.5f, -0.45f, -0.5f, 0, 0}, {1, 6, -5, 0, -5, 1, 1.0f, 0.9167f},
    {4, 6, -1, 0, -2, 1, 0.1667f, 0.4167f},    {6, 6, 0, 0, 1, 1, 0.1667f, 0.4167f},
    {1, 7, -5, 1, -4, 2, 0.8333f, 0.75f},      {3, 7, -2, 1, -3, 2, 0.4167f, 0.5833f},
    {7, 7, 1, 1, 2, 2, 0.4167f, 0.5833f},      {2, 8, -4, 2, -3, 2, 0.75f, 0.5833f},
    {8, 8, 2, 2, 2, 3, 0.5833f, 0.75f},        {6, 9, 0, 4, 1, 4, 1.0f, 0.9167f},
    {7, 9, 2, 3, 1, 4, 0.75f, 0.8333f},
};

// The faces each cell's bar keeps: 15 leaves the end towards the next row
// open where a stroke continues there.
const uint32_t FACE_MASKS[] = {15, 31, 31, 31, 15, 15, 15, 31, 31, 31, 255,
                               15, 15, 15, 15, 15, 15, 31, 31, 31, 15};
}  // namespace

TEST_F(GlyphGridTest, HoldsTheArtWithItsCounts) {
    EXPECT_EQ(glyph_grid_columns(grid), 11);
    EXPECT_EQ(glyph_grid_rows(grid), 11);
    EXPECT_EQ(glyph_grid_cell_count(grid), 21);
    EXPECT_EQ(glyph_grid_glyph(grid, 3, 1), '/');
    EXPECT_EQ(glyph_grid_glyph(grid, 5, 5), '.');
    EXPECT_EQ(glyph_grid_glyph(grid, 9, 4), '|');
    EXPECT_EQ(glyph_grid_glyph(grid, 0, 0), ' ');
}

TEST_F(GlyphGridTest, CellsOutsideTheGridReadAsBlank) {
    for (const auto& [i, j] : {std::pair{-1, 5}, {11, 5}, {5, -1}, {5, 11}, {-100, 1000}}) {
        EXPECT_EQ(glyph_grid_glyph(grid, i, j), ' ') << i << ", " << j;
        EXPECT_EQ(glyph_grid_weight(grid, i, j), 0.0f) << i << ", " << j;
    }
}

TEST_F(GlyphGridTest, WeightsAreDigitsOverTheLargestDigit) {
    EXPECT_FLOAT_EQ(glyph_grid_weight(grid, 4, 1), 1.0f);         // 6, the largest
    EXPECT_FLOAT_EQ(glyph_grid_weight(grid, 3, 1), 5.0f / 6.0f);
    EXPECT_FLOAT_EQ(glyph_grid_weight(grid, 4, 4), 2.0f / 6.0f);
    EXPECT_EQ(glyph_grid_weight(grid, 5, 5), 0.0f);  // the crossing
    EXPECT_EQ(glyph_grid_weight(grid, 0, 0), 0.0f);  // blank
}

TEST_F(GlyphGridTest, PrintsItsRowsOneALine) {
    testing::internal::CaptureStdout();
    glyph_grid_print(grid);
    const std::vector<std::string> lines = lines_of(testing::internal::GetCapturedStdout());
    ASSERT_EQ(lines.size(), 11u);
    for (size_t j = 0; j < lines.size(); ++j) EXPECT_EQ(lines[j], std::string(GLYPH_ART + 11 * j, 11));
}

TEST_F(GlyphGridTest, SkeletonHasOneWeightedSegmentPerCellInRowOrder) {
    PathSet* paths = nullptr;
    glyph_grid_build_paths(grid, &paths, 4.0f, 1.0f);
    ASSERT_NE(paths, nullptr);
    ASSERT_EQ(pathset_count(paths), 21);
    for (int s = 0; s < 21; ++s) {
        const ExpectedSegment& e = SKELETON[s];
        Vec3 a{}, b{};
        float wa = -1.0f, wb = -1.0f;
        pathset_segment(paths, s, a, b);
        pathset_weights(paths, s, wa, wb);
        SCOPED_TRACE(testing::Message() << "cell " << e.i << ", " << e.j);
        EXPECT_NEAR(a[0] / CELL, e.ax, 1e-4);
        EXPECT_NEAR(a[1] / CELL, e.ay, 1e-4);
        EXPECT_NEAR(b[0] / CELL, e.bx, 1e-4);
        EXPECT_NEAR(b[1] / CELL, e.by, 1e-4);
        EXPECT_EQ(a[2], 0.0f);
        EXPECT_EQ(b[2], 0.0f);
        EXPECT_NEAR(wa, e.wa, 1e-4);
        EXPECT_NEAR(wb, e.wb, 1e-4);
    }
    pathset_destroy(paths);
}

TEST_F(GlyphGridTest, SolidBarsHaveTheirFacesPlacesAndSizes) {
    const BuiltMeshes bars(grid, GLYPH_MESH_BARS);
    ASSERT_EQ(bars.count, 21);
    for (int s = 0; s < 21; ++s) {
        const ExpectedSegment& cell = SKELETON[s];
        SCOPED_TRACE(testing::Message() << "cell " << cell.i << ", " << cell.j);
        EXPECT_EQ(glyph_grid_face_mask(grid, cell.i, cell.j), FACE_MASKS[s]);
        // Two triangles a face; mask 15 drops the y = 1 face.
        EXPECT_EQ(mesh_triangle_count(bars.meshes[s]), FACE_MASKS[s] == 15 ? 10 : 12);
        const BoundingBox box = bars.bounds(s);
        // Each bar sits over its skeleton segment and is 0.4 cell thick.
        EXPECT_NEAR((box.min[0] + box.max[0]) / 2 / CELL, (cell.ax + cell.bx) / 2, 1e-4);
        EXPECT_NEAR((box.min[1] + box.max[1]) / 2 / CELL, (cell.ay + cell.by) / 2, 1e-4);
        EXPECT_NEAR((box.max[2] - box.min[2]) / CELL, 0.4, 1e-4);
        // Wound outwards, and closed but for the end that runs into the
        // next bar, so the figure's back faces may be culled.
        Vec3 centre;
        box_center(box, centre);
        const SurfaceFaults faults = surface_faults(bars.meshes[s], centre);
        EXPECT_EQ(faults.inward, 0);
        EXPECT_EQ(faults.repeated, 0);
        EXPECT_EQ(faults.unpaired.size(), FACE_MASKS[s] == 15 ? 4u : 0u);
    }
}

TEST_F(GlyphGridTest, BarsAreOneCellLongAndDiagonalsSpanTheirCell) {
    const BuiltMeshes bars(grid, GLYPH_MESH_BARS);
    ASSERT_EQ(bars.count, 21);
    const BoundingBox bar = bars.bounds(1);        // (4, 1) "-"
    const BoundingBox diagonal = bars.bounds(0);   // (3, 1) "/"
    const BoundingBox crossing = bars.bounds(10);  // (5, 5) "."
    EXPECT_NEAR((bar.max[0] - bar.min[0]) / CELL, 1.0, 1e-4);
    EXPECT_NEAR((bar.max[1] - bar.min[1]) / CELL, 0.4, 1e-4);
    // A bar sqrt(2) long and 0.4 wide, turned 45 degrees: (sqrt(2) + 0.4) / sqrt(2) a side.
    EXPECT_NEAR((diagonal.max[0] - diagonal.min[0]) / CELL, 1.0 + 0.4 / std::sqrt(2.0), 1e-4);
    EXPECT_NEAR((crossing.max[0] - crossing.min[0]) / CELL, 0.4, 1e-4);
    EXPECT_NEAR((crossing.max[1] - crossing.min[1]) / CELL, 0.4, 1e-4);
}

TEST_F(GlyphGridTest, OtherBuildsMakeBlocksAndFlatTiles) {
    for (int32_t mode : {GLYPH_MESH_BLOCKS, GLYPH_MESH_TILES, GLYPH_MESH_JOINED_TILES}) {
        SCOPED_TRACE(testing::Message() << "mode " << mode);
        const BuiltMeshes built(grid, mode);
        ASSERT_EQ(built.count, 21);
        const BoundingBox bar = built.bounds(1);  // (4, 1) "-"
        const double depth = (bar.max[2] - bar.min[2]) / CELL;
        const double height = (bar.max[1] - bar.min[1]) / CELL;
        const double centre_y = (bar.min[1] + bar.max[1]) / 2 / CELL;
        if (mode == GLYPH_MESH_BLOCKS) {
            EXPECT_NEAR(depth, 1.0, 1e-4);
            EXPECT_NEAR(height, 1.0, 1e-4);
        } else {
            EXPECT_NEAR(depth, 0.1, 1e-4);
            EXPECT_NEAR(height, 0.1, 1e-4);
        }
        // Only the joined tiles move onto the diagonal beside them.
        EXPECT_NEAR(centre_y, mode == GLYPH_MESH_JOINED_TILES ? -5.0 : -4.5, 1e-4);
    }
}

TEST_F(GlyphGridTest, NoKnownModeBuildsNothing) {
    Mesh** meshes = reinterpret_cast<Mesh**>(this);
    int32_t count = -7;
    glyph_grid_build_meshes(grid, &meshes, &count, 16, 4.0f, 4.0f);
    EXPECT_EQ(meshes, reinterpret_cast<Mesh**>(this));
    EXPECT_EQ(count, -7);
}

TEST_F(GlyphGridTest, PointsAreTheCellsPlaces) {
    PointList* points = nullptr;
    glyph_grid_build_points(grid, &points, 4.0f);
    ASSERT_EQ(points->count, 21);
    EXPECT_NEAR(points->points[0][0] / CELL, 3 - 5.5, 1e-4);
    EXPECT_NEAR(points->points[0][1] / CELL, 1 - 5.5, 1e-4);
    EXPECT_NEAR(points->points[10][0] / CELL, -0.5, 1e-4);  // the crossing
    point_list_destroy(points);
}

TEST_F(GlyphGridTest, StrokesOnTheOuterRingBuildWithinTheGrid) {
    // Art that reaches the border: every neighbour lookup past it reads blank.
    grid->lines[0][0] = '/';
    grid->lines[0][10] = '\\';
    grid->lines[5][0] = '-';
    grid->lines[10][10] = '|';
    grid->lines[10][0] = '_';
    grid->cell_count += 5;
    PathSet* paths = nullptr;
    glyph_grid_build_paths(grid, &paths, 4.0f, 1.0f);
    EXPECT_EQ(pathset_count(paths), 26);
    pathset_destroy(paths);
    EXPECT_EQ(BuiltMeshes(grid, GLYPH_MESH_BARS).count, 26);
    EXPECT_EQ(glyph_grid_face_mask(grid, 10, 10), 31u);  // nothing below the last row
    EXPECT_EQ(BuiltMeshes(grid, GLYPH_MESH_JOINED_TILES).count, 26);
}
