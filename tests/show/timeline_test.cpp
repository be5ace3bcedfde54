// The timeline: patterns from the play position, and the cues they cross;
// the show opened and closed in one place. A failed opening leaves nothing
// open and a close leaves nothing behind: the leak checker of the
// sanitizer build sees that at the end of this program, after every
// ShowScene case has closed a whole show.
#include <gtest/gtest.h>

#include <cstring>

#include "geometry/mesh.h"
#include "geometry/mesh_instance.h"
#include "show/text_line.h"
#include "tests/show/show_fixture.h"
#include "tests/support/sound_files.h"

namespace {
std::string text_of(ShowState& state) { return state.text->chars.data(); }
}  // namespace

TEST(TimelineReport, DividesA200SecondTrackIntoPhasesAndPatterns) {
    std::string report;
    ShowSession* show = open_in_memory(samples_in_memory(200 * 44100), &report);
    const ShowState* state = show->scene->state;
    EXPECT_EQ(lines_of(report), (std::vector<std::string>{"----------audio---------", "total   : 200 s",
                                                           "phases  :  13 | 15.38 s",
                                                           "patterns: 104 | 1.92 s",
                                                           "------------------------"}));
    EXPECT_DOUBLE_EQ(state->timeline.pattern_length, 200.0 / 104.0);
    EXPECT_DOUBLE_EQ(state->timeline.phase_length, 200.0 / 13.0);
    EXPECT_EQ(state->act, 0);
    EXPECT_EQ(state->blink, 1);
    show_session_close(show);
}

TEST(SceneRecord, TicksUpdateFromTheSecondTickWhileInsideTheWindow) {
    int updates = 0, draws = 0;
    static int* update_count;
    static int* draw_count;
    update_count = &updates;
    draw_count = &draws;
    Scene* scene = scene_new(nullptr, [](Scene*) { ++*draw_count; }, [](Scene*) { ++*update_count; });
    AudioTrack* track = track_in_memory(44100);
    scene_set_track(scene, track);
    scene_set_window(scene, 0.0, 1.0);
    scene_draw(scene);
    scene_tick(scene);  // notes the position is inside; no update yet
    EXPECT_EQ(updates, 0);
    EXPECT_EQ(scene_is_active(scene), 1);
    scene_tick(scene);
    scene_draw(scene);
    EXPECT_EQ(updates, 1);
    EXPECT_EQ(draws, 1);
    scene_set_window(scene, 0.5, 1.0);  // the position now lies before the window
    scene_tick(scene);
    EXPECT_EQ(updates, 2);  // the update of the tick that finds it outside still runs
    scene_tick(scene);
    scene_draw(scene);
    EXPECT_EQ(updates, 2);
    EXPECT_EQ(draws, 1);
    scene_seek(scene, 0.5);
    EXPECT_DOUBLE_EQ(scene_time(scene), 0.5);
    delete scene;
    AudioTrack::destroy(track);
}

TEST_F(ShowScene, NoCueFiresAtTheStart) {
    update_at(0.0);
    EXPECT_EQ(state().act, 0);
    EXPECT_EQ(text_of(state()), "");
    update_at(1.9);
    EXPECT_EQ(state().act, 0);
    update_at(2.0);
    EXPECT_EQ(state().act, 1);
}

TEST_F(ShowScene, ABoundaryReachedTwiceFiresTwice) {
    update_at(27.0);
    update_at(28.0);
    EXPECT_EQ(text_of(state()), SHOW_CREDITS);
    EXPECT_EQ(state().text->x, 1.0f);
    update_at(28.0);  // equal on both sides again: the line starts over
    EXPECT_EQ(state().text->x, 1.0f);
    update_at(28.5);  // the previous position still lies on the boundary
    EXPECT_EQ(state().text->x, 1.0f);
    update_at(28.6);
    EXPECT_FLOAT_EQ(state().text->x, 0.99f);
}

TEST_F(ShowScene, AStallThatSkipsAct3LeavesTheFigureHiddenUntilAct7) {
    update_at(5.0);
    EXPECT_EQ(state().act, 2);
    update_at(9.0);  // crosses 6 and 8: act 5, and act 3's entry never runs
    EXPECT_EQ(state().act, 5);
    EXPECT_EQ(instance_is_visible(state().figure), 0);
    EXPECT_EQ(instance_is_visible(state().path_figure), 0);
    update_at(15.0);
    EXPECT_EQ(state().act, 6);
    EXPECT_EQ(instance_is_visible(state().figure), 0);
    update_at(16.0);  // act 7 deforms the figure anew: a new, visible instance
    EXPECT_EQ(state().act, 7);
    EXPECT_EQ(instance_is_visible(state().figure), 1);
}

TEST_F(ShowScene, SeveralTextCuesInOneUpdateKeepTheLastLine) {
    update_at(27.0);
    update_at(61.0);
    EXPECT_EQ(text_of(state()), SHOW_THANKS_3);
    EXPECT_EQ(state().text->x, 1.0f);
    EXPECT_EQ(state().act, 9);
}

TEST_F(ShowScene, TheLastActBeginsOnlyAtTheEndOfTheTrack) {
    update_at(90.0);
    update_at(103.999);
    EXPECT_EQ(state().act, 9);
    update_at(104.0);
    EXPECT_EQ(state().act, 10);
    EXPECT_EQ(state().background, (Vec3{1.0f, 1.0f, 1.0f}));
    for (MeshInstance* copy : state().cubes) ASSERT_EQ(instance_is_visible(copy), 0);
    EXPECT_EQ(state().figure->rotation_angle, 0.0f);
    for (const Rgba& color : state().figure_mesh->colors) {
        ASSERT_EQ(color[0], 1.0f);
        ASSERT_EQ(color[1], 0.0f);
        ASSERT_EQ(color[2], 0.0f);
    }
}

TEST_F(ShowScene, BackwardsJumpsFireNothing) {
    update_at(30.0);
    const int32_t act = state().act;
    const std::string text = text_of(state());
    update_at(3.0);
    EXPECT_EQ(state().act, act);
    EXPECT_EQ(text_of(state()), text);
}

TEST(ShowSceneWithoutLength, ATrackOfNoLengthStaysInAct0) {
    std::string said;
    ShowSession* show = open_in_memory(samples_in_memory(0), &said);
    const std::vector<std::string> report = lines_of(said);
    ASSERT_EQ(report.size(), 5u);
    EXPECT_EQ(report[1], "total   : 0 s");
    EXPECT_EQ(report[3], "patterns: 104 | 0.00 s");
    Scene* scene = show->scene;
    for (int i = 0; i < 5; ++i) show_update(scene);
    EXPECT_EQ(scene->state->act, 0);
    EXPECT_EQ(scene->state->previous_time, 0.0);
    EXPECT_EQ(scene->state->text->chars[0], '\0');
    show_session_close(show);
}

TEST(ShowSession, AFontThatCannotBeReadFailsTheOpeningAlone) {
    const std::vector<std::string> font_failed{"error loading font: /nonexistent/font.ttf"};
    std::string said;
    // The music is not read once the font has failed.
    const ShowFiles files = show_files("/nonexistent/font.ttf", "/nonexistent/music.ogg");
    EXPECT_EQ(open_quietly([&] { return show_session_open(files, 1920, 1080); }, &said), nullptr);
    EXPECT_EQ(lines_of(said), font_failed);
    // Samples handed over are the session's, opened or not.
    const auto open_samples = [] {
        return show_session_open_samples(samples_in_memory(44100), "/nonexistent/font.ttf", 1920, 1080);
    };
    EXPECT_EQ(open_quietly(open_samples, &said), nullptr);
    EXPECT_EQ(lines_of(said), font_failed);
}
