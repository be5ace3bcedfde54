// Path sets (growth, weights, the display scale), the segment operations,
// and the point and segment lists.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "geometry/paths.h"
#include "geometry/point_list.h"
#include "geometry/segment_list.h"
#include "tests/geometry/geometry_test_support.h"

namespace {
Vec3 shown_a(const PathSet* paths, int32_t i) {
    Vec3 a{}, b{};
    pathset_segment(paths, i, a, b);
    return a;
}
}  // namespace

TEST(PathSet, StartsEmptyWithRoomForAThousandAndTwentyFourSegments) {
    PathSetPtr paths(pathset_new());
    EXPECT_EQ(pathset_count(paths.get()), 0);
    EXPECT_EQ(paths->capacity, 1024);
    EXPECT_EQ(paths->segments.size(), 1024u);
    EXPECT_EQ(paths->display_scale, 1.0f);
}

TEST(PathSet, DoublesItsCapacityOnTheAppendThatFindsItFull) {
    PathSetPtr paths(pathset_new());
    for (int32_t i = 0; i < 1024; ++i) {
        pathset_append(paths.get(), Vec3{static_cast<float>(i), 0, 0}, Vec3{0, static_cast<float>(i), 0});
        pathset_set_last_weights(paths.get(), 0.5f, static_cast<float>(i));
    }
    EXPECT_EQ(paths->capacity, 1024);
    pathset_append(paths.get(), Vec3{-1, -1, -1}, Vec3{1, 1, 1});
    EXPECT_EQ(paths->capacity, 2048);
    EXPECT_EQ(pathset_count(paths.get()), 1025);
    for (int32_t i = 0; i < 1024; ++i) {
        const PathSegment& segment = paths->segments[static_cast<size_t>(i)];
        ASSERT_EQ(segment.a, (Vec3{static_cast<float>(i), 0, 0}));
        ASSERT_EQ(segment.b, (Vec3{0, static_cast<float>(i), 0}));
        ASSERT_EQ(segment.wb, static_cast<float>(i));
    }
    EXPECT_EQ(paths->segments[1024].wa, 1.0f);
}

TEST(PathSet, SetLastWeightsChangesOnlyTheLastSegment) {
    PathSetPtr paths(pathset_new());
    pathset_set_last_weights(paths.get(), 0.1f, 0.2f);  // nothing to change
    EXPECT_EQ(pathset_count(paths.get()), 0);
    pathset_append(paths.get(), Vec3{0, 0, 0}, Vec3{1, 0, 0});
    pathset_append(paths.get(), Vec3{1, 0, 0}, Vec3{2, 0, 0});
    pathset_set_last_weights(paths.get(), 0.5f, 0.25f);
    float wa = 0, wb = 0;
    pathset_weights(paths.get(), 0, wa, wb);
    EXPECT_EQ(wa, 1.0f);
    EXPECT_EQ(wb, 1.0f);
    pathset_weights(paths.get(), 1, wa, wb);
    EXPECT_EQ(wa, 0.5f);
    EXPECT_EQ(wb, 0.25f);
}

TEST(PathSet, SegmentsAreShownScaledAboutTheirMidpoints) {
    PathSetPtr paths(pathset_new());
    pathset_append(paths.get(), Vec3{0, 0, 0}, Vec3{4, 0, 0});
    pathset_append(paths.get(), Vec3{1, 1, 1}, Vec3{1, 3, 5});
    pathset_set_scale(paths.get(), 0.5f);
    Vec3 a{}, b{};
    pathset_segment(paths.get(), 0, a, b);
    EXPECT_EQ(a, (Vec3{1, 0, 0}));
    EXPECT_EQ(b, (Vec3{3, 0, 0}));
    pathset_segment(paths.get(), 1, a, b);
    EXPECT_EQ(a, (Vec3{1, 1.5f, 2}));
    EXPECT_EQ(b, (Vec3{1, 2.5f, 4}));
    pathset_set_scale(paths.get(), 0.0f);
    pathset_segment(paths.get(), 0, a, b);
    EXPECT_EQ(a, (Vec3{2, 0, 0}));
    EXPECT_EQ(b, (Vec3{2, 0, 0}));
    pathset_set_scale(paths.get(), 2.0f);
    EXPECT_EQ(shown_a(paths.get(), 0), (Vec3{-2, 0, 0}));
    // The stored segment never changes.
    EXPECT_EQ(paths->segments[0].a, (Vec3{0, 0, 0}));
    EXPECT_EQ(paths->segments[0].b, (Vec3{4, 0, 0}));
}

TEST(PathSet, AnIndexOutsideTheSegmentsLeavesTheOutputsAlone) {
    PathSetPtr paths(pathset_new());
    pathset_append(paths.get(), Vec3{0, 0, 0}, Vec3{4, 0, 0});
    for (int32_t i : {-1, 1, 1024, 5000}) {
        Vec3 a{7, 7, 7}, b{8, 8, 8};
        float wa = 0.3f, wb = 0.4f;
        pathset_segment(paths.get(), i, a, b);
        pathset_weights(paths.get(), i, wa, wb);
        EXPECT_EQ(a, (Vec3{7, 7, 7}));
        EXPECT_EQ(b, (Vec3{8, 8, 8}));
        EXPECT_EQ(wa, 0.3f);
        EXPECT_EQ(wb, 0.4f);
    }
}

TEST(Segment, RotateZTurnsAboutTheMidpointAndFlattensToItsHeight) {
    Vec3 a{0, 0, 1}, b{2, 0, 3};
    segment_rotate_z(a, b, 90);
    expect_vec3_near(a, Vec3{1, -1, 2});
    expect_vec3_near(b, Vec3{1, 1, 2});
    Vec3 c{-1, -1, 0}, d{1, 1, 0};
    segment_rotate_z(c, d, -45);
    expect_vec3_near(c, Vec3{-std::sqrt(2.0f), 0, 0});
    expect_vec3_near(d, Vec3{std::sqrt(2.0f), 0, 0});
}

TEST(Segment, TranslateScaleAndMidpoint) {
    Vec3 a{1, 2, 3}, b{-1, 4, 0};
    segment_translate(a, b, 1, -2, 0.5f);
    EXPECT_EQ(a, (Vec3{2, 0, 3.5f}));
    EXPECT_EQ(b, (Vec3{0, 2, 0.5f}));
    segment_scale(a, b, 2, 3, -1);  // about the origin
    EXPECT_EQ(a, (Vec3{4, 0, -3.5f}));
    EXPECT_EQ(b, (Vec3{0, 6, -0.5f}));
    Vec3 m{};
    segment_midpoint(a, b, m);
    EXPECT_EQ(m, (Vec3{2, 3, -2}));
}

TEST(PointList, SetsTransformsAndBoundsItsPoints) {
    PointList* list = point_list_new();
    const float points[] = {0, 0, 0, 2, 0, 0, 2, 4, 0, 0, 4, 2};
    point_list_set_points(list, points, 4);
    ASSERT_EQ(list->count, 4);
    BoundingBox box;
    point_list_bounds(list, box);
    EXPECT_EQ(box.min, (Vec3{0, 0, 0}));
    EXPECT_EQ(box.max, (Vec3{2, 4, 2}));

    // A half turn about the box centre (1, 2) swaps opposite corners.
    point_list_rotate_z(list, 180);
    expect_vec3_near(list->points[0], Vec3{2, 4, 0}, 1e-6f);
    expect_vec3_near(list->points[3], Vec3{2, 0, 2}, 1e-6f);

    point_list_center(list);
    point_list_bounds(list, box);
    expect_box_near(box, Vec3{-1, -2, -1}, Vec3{1, 2, 1});

    point_list_scale(list, 2, 1, 0);
    point_list_translate(list, 0, 0, 5);
    point_list_bounds(list, box);
    expect_box_near(box, Vec3{-2, -2, 5}, Vec3{2, 2, 5});

    point_list_set_points(list, nullptr, 3);
    EXPECT_EQ(list->count, 0);
    point_list_center(list);  // nothing to move, nothing to break
    point_list_rotate_z(list, 30);
    point_list_bounds(list, box);
    EXPECT_EQ(box.min, (Vec3{1e15f, 1e15f, 1e15f}));
    point_list_destroy(list);
}

TEST(SegmentList, RotatesAboutTheOriginAndBoundsBothEnds) {
    SegmentList* list = segment_list_new();
    const float segments[] = {1, 0, 0, 3, 0, 0, 1, 1, 1, 1, 2, -1};
    segment_list_set_segments(list, segments, 2);
    ASSERT_EQ(list->count, 2);
    BoundingBox box;
    segment_list_bounds(list, box);
    EXPECT_EQ(box.min, (Vec3{1, 0, -1}));
    EXPECT_EQ(box.max, (Vec3{3, 2, 1}));

    // Not about the box centre: about the origin.
    segment_list_rotate_z(list, 90);
    expect_vec3_near(list->segments[0][0], Vec3{0, 1, 0});
    expect_vec3_near(list->segments[0][1], Vec3{0, 3, 0});
    expect_vec3_near(list->segments[1][1], Vec3{-2, 1, -1});

    segment_list_center(list);
    segment_list_bounds(list, box);
    expect_box_near(box, Vec3{-1, -1, -1}, Vec3{1, 1, 1});

    segment_list_translate(list, 1, 1, 1);
    segment_list_scale(list, 0.5f, 0.5f, 0.5f);
    segment_list_bounds(list, box);
    expect_box_near(box, Vec3{0, 0, 0}, Vec3{1, 1, 1});
    segment_list_destroy(list);
}
