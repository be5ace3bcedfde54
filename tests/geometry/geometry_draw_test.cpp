// The drawing side of the geometry against real OpenGL on private Xvfb
// screens: what mesh_draw, pathset_draw and point_list_draw emit (counted
// and read back in feedback mode), and the transform, lighting and state
// handling of instance_draw (feedback, state queries and pixels).
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <ostream>
#include <utility>
#include <vector>

#include "geometry/draw.h"
#include "geometry/mesh.h"
#include "geometry/mesh_builders.h"
#include "geometry/mesh_instance.h"
#include "geometry/paths.h"
#include "geometry/point_list.h"
#include "tests/geometry/geometry_test_support.h"
#include "tests/support/gl_capture.h"
#include "tests/support/gl_checks.h"

namespace {
// Lighting, light 0 and colour material off, as instance_draw leaves them.
void expect_lighting_off() {
    for (GLenum capability : {GL_LIGHTING, GL_LIGHT0, GL_COLOR_MATERIAL})
        EXPECT_FALSE(glIsEnabled(capability)) << "capability " << capability;
}

constexpr int VIEW = 200;  // pixels on each side of the test viewport

// A VIEW x VIEW viewport in the window's corner looking at [-2, 2] on every
// axis, with nothing on the modelview matrix.
void set_view() {
    glViewport(0, 0, VIEW, VIEW);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-2, 2, -2, 2, -2, 2);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

// Where set_view puts a point: window x and y in pixels, depth in [0, 1].
Vec3 window_of(const Vec3& p) {
    return {(p[0] / 2 + 1) * VIEW / 2, (p[1] / 2 + 1) * VIEW / 2, (1 - p[2] / 2) / 2};
}

void expect_at(const FeedbackVertex& v, const Vec3& point) {
    const Vec3 expected = window_of(point);
    EXPECT_NEAR(v.x, expected[0], 1e-3f);
    EXPECT_NEAR(v.y, expected[1], 1e-3f);
    EXPECT_NEAR(v.z, expected[2], 1e-3f);
}

void expect_color(const FeedbackVertex& v, const Rgba& expected) {
    for (size_t k = 0; k < 4; ++k) EXPECT_NEAR(v.color[k], expected[k], 1e-6f) << "channel " << k;
}

std::array<float, 4> light_model_ambient() {
    std::array<float, 4> ambient{};
    glGetFloatv(GL_LIGHT_MODEL_AMBIENT, ambient.data());
    return ambient;
}

// Runs body once in a viewable GLUT window on a private screen, with
// set_view applied.
template <typename Body>
ChildResult run_with_view(Body body) {
    return run_gl_check([body](GlWindow&) {
        set_view();
        body();
    });
}

// A square across the viewport's middle, as two triangles.
Mesh* centre_square() { return mesh_of({-1, -1, 0, 1, -1, 0, 1, 1, 0, -1, 1, 0}, {0, 1, 2, 0, 2, 3}); }

// What a draw function saw of the GL state while it ran.
struct SeenInDraw {
    bool lighting = false;
    bool light0 = false;
    bool color_material = false;
    GLint color_material_face = 0;
    GLint color_material_parameter = 0;
    std::array<float, 16> modelview{};
    std::array<float, 4> ambient{};
    int calls = 0;
};
SeenInDraw seen;
void record_state(void*) {
    seen.lighting = glIsEnabled(GL_LIGHTING);
    seen.light0 = glIsEnabled(GL_LIGHT0);
    seen.color_material = glIsEnabled(GL_COLOR_MATERIAL);
    glGetIntegerv(GL_COLOR_MATERIAL_FACE, &seen.color_material_face);
    glGetIntegerv(GL_COLOR_MATERIAL_PARAMETER, &seen.color_material_parameter);
    seen.modelview = gl_matrix(GL_MODELVIEW_MATRIX);
    seen.ambient = light_model_ambient();
    ++seen.calls;
}
}  // namespace

TEST(MeshDraw, SendsEveryTriangleWithItsCornerColours) {
    const ChildResult result = run_with_view([] {
        MeshPtr box(mesh_new_box());
        std::vector<float> colors;
        for (int k = 0; k < 8; ++k) colors.insert(colors.end(), {k / 8.0f, 1 - k / 8.0f, 0.5f, 0.3f});
        mesh_set_colors(box.get(), colors.data(), 8);
        glColor4f(0.9f, 0.9f, 0.9f, 0.9f);
        const Feedback feedback = capture_feedback([&] { mesh_draw(box.get()); });
        EXPECT_TRUE(feedback.lines.empty());
        ASSERT_EQ(feedback.polygons.size(), 6u);
        for (size_t t = 0; t < 6; ++t) {
            ASSERT_EQ(feedback.polygons[t].size(), 3u);
            for (size_t c = 0; c < 3; ++c) {
                const int32_t k = box->triangles[t][c];
                const FeedbackVertex& v = feedback.polygons[t][c];
                expect_at(v, box->positions[static_cast<size_t>(k)]);
                // RGB from the mesh; alpha is not sent, so glColor3f makes it 1.
                expect_color(v, {k / 8.0f, 1 - k / 8.0f, 0.5f, 1.0f});
            }
        }
    });
    EXPECT_CHILD_PASSED(result);
}

TEST(MeshDraw, ShortColourArraysAndBadIndicesAreNeverRead) {
    const ChildResult result = run_with_view([] {
        // Colours for the first four vertices only: vertices were added
        // after the fill and the colours were not refilled.
        MeshPtr mesh(centre_square());
        mesh_fill_color(mesh.get(), {1, 0, 0, 1});
        const float six[] = {-1, -1, 0, 1, -1, 0, 1, 1, 0, -1, 1, 0, 0, 0, 0, 0, 0, 0};
        mesh_set_positions(mesh.get(), six, 6);
        ASSERT_EQ(mesh_color_count(mesh.get()), 4);
        glColor4f(0.25f, 0.5f, 0.75f, 0.8f);
        Feedback feedback = capture_feedback([&] { mesh_draw(mesh.get()); });
        ASSERT_EQ(feedback.polygons.size(), 2u);
        for (const auto& polygon : feedback.polygons) {
            for (const FeedbackVertex& v : polygon) expect_color(v, {0.25f, 0.5f, 0.75f, 0.8f});
        }

        // A triangle naming a vertex the mesh does not have is left out.
        const int32_t triangles[] = {0, 1, 2, 0, 2, 9, -1, 0, 1, 0, 2, 3};
        mesh_set_triangles(mesh.get(), triangles, 4);
        feedback = capture_feedback([&] { mesh_draw(mesh.get()); });
        ASSERT_EQ(feedback.polygons.size(), 2u);
        expect_at(feedback.polygons[1][2], Vec3{-1, 1, 0});

        // Nothing at all without triangles or without a mesh.
        mesh_set_triangles(mesh.get(), nullptr, 0);
        EXPECT_TRUE(capture_feedback([&] { mesh_draw(mesh.get()); }).polygons.empty());
        EXPECT_TRUE(capture_feedback([] { mesh_draw(nullptr); }).polygons.empty());
    });
    EXPECT_CHILD_PASSED(result);
}

TEST(PathsetDraw, SendsEachSegmentAsDisplayedInTheCurrentColour) {
    const ChildResult result = run_with_view([] {
        PathSetPtr paths(pathset_new());
        pathset_append(paths.get(), Vec3{-1, 0, 0}, Vec3{1, 0, 0});
        pathset_append(paths.get(), Vec3{0, -1, 0.5f}, Vec3{0, 1, 0.5f});
        pathset_set_scale(paths.get(), 0.5f);
        glColor3f(1, 1, 1);
        const Feedback feedback = capture_feedback([&] { pathset_draw(paths.get()); });
        EXPECT_TRUE(feedback.polygons.empty());
        ASSERT_EQ(feedback.lines.size(), 2u);
        for (const auto& line : feedback.lines) {
            for (const FeedbackVertex& v : line) expect_color(v, {1, 1, 1, 1});
        }
        expect_at(feedback.lines[0][0], Vec3{-0.5f, 0, 0});
        expect_at(feedback.lines[0][1], Vec3{0.5f, 0, 0});
        expect_at(feedback.lines[1][0], Vec3{0, -0.5f, 0.5f});
        expect_at(feedback.lines[1][1], Vec3{0, 0.5f, 0.5f});

        PointList* points = point_list_new();
        const float three[] = {0, 0, 0, 1, 1, 0, -1, 0.5f, 1};
        point_list_set_points(points, three, 3);
        const Feedback dots = capture_feedback([&] { point_list_draw(points); });
        EXPECT_EQ(dots.points, 3);
        EXPECT_TRUE(dots.lines.empty());
        point_list_destroy(points);
    });
    EXPECT_CHILD_PASSED(result);
}

TEST(InstanceDraw, AHiddenOrEmptyInstanceMakesNoGlCall) {
    const ChildResult result = run_with_view([] {
        MeshPtr square(centre_square());
        MeshInstance* hidden = instance_new_mesh(square.get());
        instance_set_visible(hidden, 0);
        MeshInstance* empty = instance_new_mesh(nullptr);
        MeshInstance* no_function = instance_new(square.get(), nullptr);

        // A state in which any call would show: a full matrix stack (one
        // more push overflows), a marked light model, lighting off.
        const GLfloat marked[4] = {0.3f, 0.2f, 0.1f, 1.0f};
        glLightModelfv(GL_LIGHT_MODEL_AMBIENT, marked);
        GLint depth = 0, max_depth = 0;
        glGetIntegerv(GL_MAX_MODELVIEW_STACK_DEPTH, &max_depth);
        glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depth);
        const GLint start_depth = depth;
        for (; depth < max_depth; ++depth) glPushMatrix();
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        while (glGetError() != GL_NO_ERROR) {
        }

        for (MeshInstance* instance : {hidden, empty, no_function}) {
            const Feedback feedback = capture_feedback([&] { instance_draw(instance); });
            EXPECT_TRUE(feedback.polygons.empty() && feedback.lines.empty() && feedback.points == 0);
            instance_draw(instance);
            EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
            EXPECT_EQ(light_model_ambient(), (std::array<float, 4>{0.3f, 0.2f, 0.1f, 1.0f}));
            expect_lighting_off();
        }
        glFinish();
        EXPECT_EQ(pixel_at(VIEW / 2, VIEW / 2), (std::array<int, 4>{0, 0, 0, 255}));
        for (; depth > start_depth; --depth) glPopMatrix();

        // Given a target, the instance made without one draws with mesh_draw.
        instance_set_target(empty, square.get());
        EXPECT_EQ(capture_feedback([&] { instance_draw(empty); }).polygons.size(), 2u);
        instance_set_visible(hidden, 1);
        EXPECT_EQ(capture_feedback([&] { instance_draw(hidden); }).polygons.size(), 2u);
        for (MeshInstance* instance : {hidden, empty, no_function}) instance_destroy(instance);
    });
    EXPECT_CHILD_PASSED(result);
}

TEST(InstanceDraw, TransformsLightsAndThenRestoresTheState) {
    const ChildResult result = run_with_view([] {
        MeshPtr square(centre_square());
        MeshInstance* instance = instance_new(square.get(), record_state);
        instance_set_position(instance, 0.5f, -0.25f, 0.125f);
        instance_set_rotation(instance, Vec3{0, 0, 1}, 90);
        instance_set_scale(instance, 2, 3, 4);
        instance_set_ambient(instance, {0.25f, 0.5f, 0.75f});

        glTranslatef(0.1f, 0, 0);
        const std::array<float, 16> before = gl_matrix(GL_MODELVIEW_MATRIX);
        GLint depth_before = 0;
        glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depth_before);
        instance_draw(instance);
        ASSERT_EQ(seen.calls, 1);

        // While drawing: lit through colour material, with the transform
        // (scale, then rotate, then translate) on top of the caller's.
        EXPECT_TRUE(seen.lighting);
        EXPECT_TRUE(seen.light0);
        EXPECT_TRUE(seen.color_material);
        EXPECT_EQ(seen.color_material_face, GL_FRONT_AND_BACK);
        EXPECT_EQ(seen.color_material_parameter, GL_AMBIENT_AND_DIFFUSE);
        EXPECT_EQ(seen.ambient, (std::array<float, 4>{0.25f, 0.5f, 0.75f, 1.0f}));
        // Column-major: x maps to (0, 2, 0), y to (-3, 0, 0), z to (0, 0, 4).
        const std::array<float, 16> expected = {0, 2, 0, 0, -3, 0, 0, 0, 0, 0, 4, 0, 0.6f, -0.25f, 0.125f, 1};
        for (size_t k = 0; k < 16; ++k) EXPECT_NEAR(seen.modelview[k], expected[k], 1e-6f) << "entry " << k;

        // Afterwards: lighting, light 0 and colour material off, the matrix
        // stack as it was, the light model left as the instance set it.
        expect_lighting_off();
        GLint depth_after = 0;
        glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depth_after);
        EXPECT_EQ(depth_after, depth_before);
        EXPECT_EQ(gl_matrix(GL_MODELVIEW_MATRIX), before);
        EXPECT_EQ(light_model_ambient(), (std::array<float, 4>{0.25f, 0.5f, 0.75f, 1.0f}));
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
        instance_destroy(instance);
    });
    EXPECT_CHILD_PASSED(result);
}

TEST(InstanceDraw, QuarterTurnAboutYTakesXOntoMinusZ) {
    const ChildResult result = run_with_view([] {
        MeshPtr triangle(mesh_of({1, 0, 0, 0, 1, 0, 0, 0, 0}, {0, 1, 2}));
        MeshInstance* instance = instance_new_mesh(triangle.get());
        instance_set_rotation(instance, Vec3{0, 1, 0}, 90);
        Feedback feedback = capture_feedback([&] { instance_draw(instance); });
        ASSERT_EQ(feedback.polygons.size(), 1u);
        expect_at(feedback.polygons[0][0], Vec3{0, 0, -1});
        expect_at(feedback.polygons[0][1], Vec3{0, 1, 0});

        // Scaled first, then turned, then moved: (1,0,0) -> (0.5,0,0) -> (0,0,-0.5) -> (0.5,0,-0.5).
        instance_set_scale(instance, 0.5f, 0.5f, 0.5f);
        instance_set_position(instance, 0.5f, 0, 0);
        feedback = capture_feedback([&] { instance_draw(instance); });
        ASSERT_EQ(feedback.polygons.size(), 1u);
        expect_at(feedback.polygons[0][0], Vec3{0.5f, 0, -0.5f});
        instance_destroy(instance);
    });
    EXPECT_CHILD_PASSED(result);
}

TEST(InstanceDraw, AmbientLightTintsTheMeshColours) {
    const ChildResult result = run_with_view([] {
        MeshPtr square(centre_square());
        mesh_fill_color(square.get(), {0.25f, 0.5f, 0.5f, 1});
        MeshInstance* instance = instance_new_mesh(square.get());
        // The default light shines along the default normal: each colour c
        // comes out as c x diffuse (1) + c x ambient.
        glNormal3f(0, 0, 1);
        const std::vector<std::pair<Rgb, std::array<int, 3>>> cases = {
            {{1, 1, 1}, {128, 255, 255}},
            {{0, 0, 0}, {64, 128, 128}},
            {{1, 0, 0.5f}, {128, 128, 191}},
        };
        for (const auto& [ambient, expected] : cases) {
            instance_set_ambient(instance, ambient);
            glClearColor(0, 0, 0, 1);
            glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
            instance_draw(instance);
            glFinish();
            const std::array<int, 4> pixel = pixel_at(VIEW / 2, VIEW / 2);
            for (size_t k = 0; k < 3; ++k) EXPECT_NEAR(pixel[k], expected[k], 1) << "channel " << k;
            // Outside the square nothing was drawn.
            EXPECT_EQ(pixel_at(5, 5), (std::array<int, 4>{0, 0, 0, 255}));
        }
        instance_destroy(instance);
    });
    EXPECT_CHILD_PASSED(result);
}

TEST(InstanceDraw, CullingLeavesOutOnlyTrianglesSeenFromBehind) {
    const ChildResult result = run_with_view([] {
        // The left triangle is counter-clockwise as seen, the right one
        // clockwise: seen from behind.
        MeshPtr pair(mesh_of({-1.5f, -1, 0, -0.5f, -1, 0, -1, 1, 0, 0.5f, -1, 0, 1, 1, 0, 1.5f, -1, 0}, {0, 1, 2, 3, 4, 5}));
        MeshInstance* instance = instance_new_mesh(pair.get());
        glColor3f(1, 1, 1);
        const struct {
            int32_t cull;
            bool right_drawn;
            bool culling_before;  // the caller's, which the draw leaves as it found it
        } cases[] = {{0, true, false}, {1, false, false}, {0, true, true}, {1, false, true}};
        for (const auto& c : cases) {
            instance_set_cull_back_faces(instance, c.cull);
            if (c.culling_before) glEnable(GL_CULL_FACE);
            else glDisable(GL_CULL_FACE);
            glClearColor(0, 0, 0, 1);
            glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
            instance_draw(instance);
            glFinish();
            const Vec3 left = window_of(Vec3{-1, -0.5f, 0});
            const Vec3 right = window_of(Vec3{1, -0.5f, 0});
            EXPECT_NE(pixel_at(static_cast<int>(left[0]), static_cast<int>(left[1]))[0], 0) << "cull " << c.cull;
            EXPECT_EQ(pixel_at(static_cast<int>(right[0]), static_cast<int>(right[1]))[0] != 0, c.right_drawn)
                << "cull " << c.cull;
            EXPECT_EQ(glIsEnabled(GL_CULL_FACE) == GL_TRUE, c.culling_before) << "cull " << c.cull;
        }
        instance_destroy(instance);
    });
    EXPECT_CHILD_PASSED(result);
}

namespace {
// The whole test viewport, read back.
std::vector<unsigned char> view_pixels() {
    glFinish();
    std::vector<unsigned char> pixels(static_cast<size_t>(VIEW * VIEW * 4));
    glReadPixels(0, 0, VIEW, VIEW, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    return pixels;
}

// What a list of instances leaves behind: pixels, light model, lighting and
// client arrays, matrix stack.
struct DrawnScene {
    std::vector<unsigned char> pixels;
    std::array<float, 4> ambient{};
    bool lit = false;
    bool culling = false;
    bool arrays = false;
    GLint stack_depth = 0;
    bool operator==(const DrawnScene&) const = default;
};

template <typename Draw>
DrawnScene draw_scene(Draw draw) {
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    draw();
    DrawnScene scene;
    scene.pixels = view_pixels();
    scene.ambient = light_model_ambient();
    for (GLenum capability : {GL_LIGHTING, GL_LIGHT0, GL_COLOR_MATERIAL})
        scene.lit = scene.lit || glIsEnabled(capability);
    scene.culling = glIsEnabled(GL_CULL_FACE);
    scene.arrays = glIsEnabled(GL_VERTEX_ARRAY) || glIsEnabled(GL_COLOR_ARRAY);
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &scene.stack_depth);
    return scene;
}

// Which of a few prepared targets each instance of a case shows.
enum class Shows { coloured_box, culled_box, grey_square, bad_indices, nothing, hidden_box };

struct InstancesCase {
    const char* name;
    std::vector<Shows> instances;
};

const InstancesCase INSTANCES_CASES[] = {
    {"ACrowdOfOneMesh", {Shows::coloured_box, Shows::coloured_box, Shows::coloured_box, Shows::coloured_box}},
    {"HiddenAndEmptyOnesInARun",
     {Shows::coloured_box, Shows::hidden_box, Shows::nothing, Shows::coloured_box, Shows::hidden_box}},
    {"MeshesTakingTurns",
     {Shows::grey_square, Shows::coloured_box, Shows::coloured_box, Shows::grey_square, Shows::coloured_box}},
    {"AMeshWithABadIndex", {Shows::bad_indices, Shows::bad_indices, Shows::coloured_box}},
    {"NothingToDraw", {Shows::nothing, Shows::hidden_box}},
    {"CulledAndWholeTakingTurns", {Shows::culled_box, Shows::coloured_box, Shows::culled_box, Shows::culled_box}},
};

void PrintTo(const InstancesCase& c, std::ostream* out) { *out << c.name; }

class InstancesDraw : public testing::TestWithParam<InstancesCase> {};

TEST_P(InstancesDraw, DrawsAndLeavesWhatEachInstanceDrawnInTurnWould) {
    const InstancesCase& c = GetParam();
    const ChildResult result = run_with_view([&c] {
        MeshPtr box(mesh_new_box());
        std::vector<float> colors;
        for (int k = 0; k < 8; ++k) colors.insert(colors.end(), {k / 8.0f, 1 - k / 8.0f, 0.5f, 1});
        mesh_set_colors(box.get(), colors.data(), 8);
        MeshPtr square(centre_square());
        MeshPtr bad(mesh_of({-1, -1, 0.5f, 1, -1, 0.5f, 0, 1, 0.5f}, {0, 1, 2, 0, 1, 7}));
        std::vector<MeshInstance*> instances;
        for (size_t i = 0; i < c.instances.size(); ++i) {
            const Shows shows = c.instances[i];
            Mesh* target = shows == Shows::grey_square   ? square.get()
                           : shows == Shows::bad_indices ? bad.get()
                           : shows == Shows::nothing     ? nullptr
                                                         : box.get();
            MeshInstance* instance = instance_new_mesh(target);
            const float f = static_cast<float>(i);
            instance_set_position(instance, -1.2f + 0.6f * f, 0.3f * f - 0.6f, 0.1f * f);
            instance_set_rotation(instance, Vec3{1, 1, 0}, 25 * f + 10);
            instance_set_scale(instance, 0.5f, 0.5f + 0.1f * f, 0.5f);
            instance_set_ambient(instance, {0.1f * f, 0.5f, 1 - 0.2f * f});
            instance_set_visible(instance, shows == Shows::hidden_box ? 0 : 1);
            instance_set_cull_back_faces(instance, shows == Shows::culled_box ? 1 : 0);
            instances.push_back(instance);
        }
        glEnable(GL_DEPTH_TEST);
        glNormal3f(0, 0, 1);
        glColor3f(0.5f, 0.5f, 0.5f);
        const DrawnScene one_by_one = draw_scene([&] {
            for (const MeshInstance* instance : instances) instance_draw(instance);
        });
        glColor3f(0.5f, 0.5f, 0.5f);
        const DrawnScene together = draw_scene([&] {
            instances_draw(instances.data(), static_cast<int32_t>(instances.size()));
        });
        EXPECT_TRUE(together == one_by_one);
        EXPECT_FALSE(together.lit);
        EXPECT_FALSE(together.culling);
        EXPECT_FALSE(together.arrays);
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
        // Something showed wherever a visible instance had a mesh.
        const bool drawn = std::ranges::any_of(together.pixels, [](unsigned char v) { return v != 0 && v != 255; });
        const bool any_visible = std::ranges::any_of(c.instances, [](Shows s) {
            return s != Shows::nothing && s != Shows::hidden_box;
        });
        EXPECT_EQ(drawn, any_visible);
        for (MeshInstance* instance : instances) instance_destroy(instance);
    });
    EXPECT_CHILD_PASSED(result);
}

INSTANTIATE_TEST_SUITE_P(Cases, InstancesDraw, testing::ValuesIn(INSTANCES_CASES),
                         [](const testing::TestParamInfo<InstancesCase>& info) { return info.param.name; });
}  // namespace
