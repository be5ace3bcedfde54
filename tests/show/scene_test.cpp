// The acts: what each does to the figure, the lattice, the background and
// the credit line, with the analysis fed real signals through the callback.
#include <gtest/gtest.h>

#include "geometry/mesh.h"
#include "geometry/mesh_instance.h"
#include "geometry/paths.h"
#include "show/color_ramp.h"
#include "show/text_line.h"
#include "tests/show/show_fixture.h"

namespace {
constexpr float E5 = 659.26f;

// The show over silence: the listened level stays 0.
struct QuietShow : ShowScene {};

// The show over a steady loud E5: the listened level settles near 0.9.
struct LoudShow : ShowScene {
    LoudShow() : ShowScene(E5, 0.5f) {}
};

// The ramp colour at x.
Rgb ramp_at(const ShowState& state, float x) {
    Rgb color{};
    color_ramp_sample(state.ramp, color, x);
    return color;
}
}  // namespace

TEST_F(QuietShow, SetUpLeavesOnlyTheSkeletonAtSixtyPercent) {
    const ShowState& s = state();
    EXPECT_EQ(pathset_count(s.paths), 21);
    EXPECT_FLOAT_EQ(s.paths->display_scale, 0.6f);
    EXPECT_EQ(instance_is_visible(s.figure), 0);
    EXPECT_EQ(instance_is_visible(s.path_figure), 1);
    for (MeshInstance* copy : s.cubes) {
        ASSERT_NE(copy, nullptr);
        ASSERT_EQ(instance_is_visible(copy), 0);
        ASSERT_EQ(copy->target, nullptr);
    }
    EXPECT_FLOAT_EQ(s.radius, 0.5125f);
    EXPECT_FLOAT_EQ(s.sharpness, 5.05f);
    EXPECT_FLOAT_EQ(s.bias, 0.5f);
    EXPECT_GT(mesh_vertex_count(s.figure_mesh), 1000);
    EXPECT_EQ(s.figure->target, s.figure_mesh);
    // The lattice: 1.6 apart in X and Y, 0.8 in Z, lattice order o, m, n.
    EXPECT_EQ(s.cubes[0]->position, (Vec3{-3.2f, -3.2f, -1.6f}));
    EXPECT_EQ(s.cubes[1]->position, (Vec3{-3.2f, -3.2f, -0.8f}));
    EXPECT_EQ(s.cubes[124]->position, (Vec3{3.2f, 3.2f, 1.6f}));
    EXPECT_FLOAT_EQ(s.cubes[62]->scale[0], 0.08f);
}

TEST_F(QuietShow, TheSkeletonGrowsThenTheFigureSwells) {
    update_at(2.0);
    update_at(3.0);
    EXPECT_FLOAT_EQ(state().paths->display_scale, 0.8f);  // halfway from 0.6 to 1.0
    update_at(6.0);
    EXPECT_EQ(state().act, 3);
    EXPECT_FLOAT_EQ(state().paths->display_scale, 0.8f);
    EXPECT_EQ(instance_is_visible(state().figure), 1);
    EXPECT_FLOAT_EQ(state().radius, 0.025f);
    EXPECT_FLOAT_EQ(state().sharpness, 19.9f);
    EXPECT_FLOAT_EQ(state().bias, 0.35f);
    update_at(7.0);
    EXPECT_FLOAT_EQ(state().radius, 0.26875f);
    update_at(7.9999);
    EXPECT_NEAR(state().radius, 0.5125f, 1e-4);
    update_at(8.0);
    EXPECT_EQ(state().act, 5);
    EXPECT_EQ(instance_is_visible(state().path_figure), 0);
}

TEST_F(QuietShow, TheFigureTurnsTwiceBetweenPatterns8And14) {
    update_at(8.0);
    update_at(11.0);
    EXPECT_FLOAT_EQ(state().figure->rotation_angle, 360.0f);
    EXPECT_EQ(state().figure->rotation_axis, (Vec3{0.0f, 1.0f, 0.0f}));
}

TEST_F(QuietShow, QuietMusicKeepsTheFigureThinAndItsContrastLow) {
    update_at(20.5);
    EXPECT_EQ(state().act, 8);
    EXPECT_FLOAT_EQ(state().radius, 0.5125f);
    EXPECT_FLOAT_EQ(state().contrast, 0.1f);
    EXPECT_NEAR(state().figure->rotation_angle, 90.0f, 0.01f);  // (20.5 - 20) x 0.25 x 720
}

TEST_F(LoudShow, LoudMusicSwellsTheFigureAndRaisesItsContrast) {
    listen_for_blocks(400);  // two seconds of the tone
    EXPECT_GE(track->level_at(647.0f), 0.70f);
    update_at(20.5);
    EXPECT_EQ(state().act, 8);
    EXPECT_FLOAT_EQ(state().radius, 0.75625f);
    EXPECT_FLOAT_EQ(state().contrast, 0.8f);
    // Recoloured by weight: every colour is a ramp colour, its alpha kept.
    bool coloured = false;
    for (const Rgba& color : state().figure_mesh->colors) coloured = coloured || color[0] != color[1];
    EXPECT_TRUE(coloured);
}

TEST_F(QuietShow, TheCreditLineBlinksFromTheFirstUpdate) {
    update_at(0.0);
    EXPECT_EQ(state().text->color, (std::array<float, 3>{1.0f, 1.0f, 1.0f}));
    update_at(0.1);
    EXPECT_EQ(state().text->color, (std::array<float, 3>{0.0f, 0.0f, 0.0f}));
    update_at(0.2);
    EXPECT_EQ(state().text->color, (std::array<float, 3>{1.0f, 1.0f, 1.0f}));
    update_at(24.0);
    EXPECT_EQ(state().text->chars.data(), std::string(SHOW_TITLE));
    EXPECT_EQ(state().text->x, 1.0f);
    update_at(24.1);  // from exactly 24: the title starts over once more
    update_at(24.2);
    EXPECT_FLOAT_EQ(state().text->x, 0.99f);  // 1 % of the width an update
}

TEST_F(LoudShow, FromPattern40TheBackgroundAndTextTakeRampColours) {
    listen_for_blocks(400);
    update_at(24.0);
    EXPECT_EQ(state().act, 9);
    update_at(39.0);
    EXPECT_EQ(state().background, (Vec3{0.0f, 0.0f, 0.0f}));  // black until pattern 40
    update_at(40.0);
    const float hue = state().hue;
    EXPECT_GT(hue, 0.0f);
    EXPECT_EQ(state().background, ramp_at(state(), hue));
    // The text follows from the next update (its test reads the previous
    // update's position), on the ramp's other side from the background.
    const int32_t blink = state().blink;
    update_at(40.5);
    EXPECT_EQ(state().text->color, ramp_at(state(), static_cast<float>(std::fmod(hue + 0.5, 1.0))));
    EXPECT_EQ(state().blink, blink);  // no blinking meanwhile
    // A steady level keeps pulling the smoothed level up towards it.
    const float before = state().level;
    for (int i = 0; i < 20; ++i) update_at(41.0 + 0.1 * i);
    EXPECT_GT(state().level, before);
    EXPECT_LE(state().level, 1.0f);
}

TEST_F(QuietShow, TheLatticeDancesInAct9) {
    update_at(24.0);
    for (MeshInstance* copy : state().cubes) {
        ASSERT_EQ(instance_is_visible(copy), 1);
        ASSERT_EQ(copy->target, state().copy_mesh);
    }
    EXPECT_EQ(state().cubes[0]->ambient, (Rgb{0.0f, 0.0f, 0.0f}));  // rising from 0
    update_at(25.0);
    EXPECT_EQ(state().cubes[0]->ambient, (Rgb{0.5f, 0.5f, 0.5f}));
    // Pattern 40, x = 16: two seconds after pattern 32 the wobble has gone
    // 0.4 of a turn (2 x 0.4 turns across, a whole 2 turns in depth); the
    // copies have turned three quarters and grown by 4/92.
    update_at(40.0);
    MeshInstance* centre = state().cubes[62];
    EXPECT_NEAR(centre->position[0], 0.293893f, 1e-5);
    EXPECT_NEAR(centre->position[2], 0.0f, 1e-5);
    EXPECT_FLOAT_EQ(centre->rotation_angle, 270.0f);
    EXPECT_EQ(centre->rotation_axis, (Vec3{0.0f, 0.0f, 1.0f}));
    EXPECT_NEAR(centre->scale[0], 0.0834783f, 1e-6f);
    EXPECT_FLOAT_EQ(state().figure->rotation_angle, 2304.0f);  // a fifth of 32 turns
    // Every copy shows the newest coarse figure: deformed alike, a quarter
    // of the triangles.
    for (MeshInstance* copy : state().cubes) ASSERT_EQ(copy->target, state().copy_mesh);
    EXPECT_EQ(4 * mesh_triangle_count(state().copy_mesh), mesh_triangle_count(state().figure_mesh));
    bool coloured = false;
    for (const Rgba& color : state().copy_mesh->colors) coloured = coloured || color != state().copy_mesh->colors[0];
    EXPECT_TRUE(coloured);
}
