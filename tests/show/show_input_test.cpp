// The show's input as its window hands it on: which events turn a knob and
// so reach the scene, and which change nothing at all. The show's window,
// panel and scene are real (over a silent track in memory); the window's
// event entry points are the ones the backends call. Nothing is drawn, so
// no display is needed.
#include <gtest/gtest.h>

#include <functional>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include "app/application.h"
#include "app/window.h"
#include "gui/parameter.h"
#include "show/scene.h"
#include "show/show_app.h"
#include "show/show_clock.h"
#include "show/show_seek.h"
#include "tests/show/show_fixture.h"

namespace {
// On a 1920 x 1080 screen the show's window is 960 x 540; the knobs are
// 87 pixels square, their centres 98 pixels above the bottom edge.
constexpr int KNOB_A_X = 125;
constexpr int KNOB_B_X = 835;
constexpr int KNOBS_Y = 442;

// Button presses, drags and key presses as the backends hand them on, in
// window pixels from the top-left.
void drag(Window* window, int32_t button, int x, int y, int up_by) {
    window->on_mouse(button, key_codes().BUTTON_DOWN, x, y);
    window->on_motion(x, y - up_by / 2);
    window->on_motion(x, y - up_by);
    window->on_mouse(button, key_codes().BUTTON_UP, x, y - up_by);
}
void left_drag(Window* window, int x, int y, int up_by) { drag(window, key_codes().BUTTON_LEFT, x, y, up_by); }

void glide_over_both_knobs(Window* window) {
    for (int x = KNOB_A_X - 40; x <= KNOB_B_X + 40; x += 20) window->on_passive_motion(x, KNOBS_Y - x / 20);
}
void turn_the_wheel_on_both_knobs(Window* window) {
    for (int x : {KNOB_A_X, KNOB_B_X})
        for (int direction : {1, 1, 1, -1}) window->on_wheel(0, direction, x, KNOBS_Y);
}
void press_other_keys(Window* window) {
    for (int key : {int{'a'}, int{'q'}, int{'Z'}, int{'0'}, 13, 8, 127, 9}) {
        window->on_key_down(key, KNOB_A_X, KNOBS_Y);
        window->on_key_up(key, KNOB_A_X, KNOBS_Y);
    }
    // The releases of the keys that do something do nothing themselves.
    for (int key : {int{' '}, 27, int{'p'}, int{'l'}}) window->on_key_up(key, 0, 0);
}
void press_special_keys(Window* window) {
    // F1, F12, up, down, end, insert, and Shift as freeglut reports it.
    for (int key : {1, 12, 101, 103, 107, 108, 112}) {
        window->on_special_down(key, KNOB_B_X, KNOBS_Y);
        window->on_special_up(key, KNOB_B_X, KNOBS_Y);
    }
}

struct InputCase {
    const char* name;
    int32_t panel_visible;  // the state the show is in when the input comes
    std::function<void(Window*)> input;
    float knob_a;  // the values the scene holds afterwards
    float knob_b;
};

// A tenth of the window's height up turns a knob by a fifth of its range.
const std::vector<InputCase> INPUT_CASES = {
    {"DraggingKnobAUpTurnsItForTheScene", 1, [](Window* w) { left_drag(w, KNOB_A_X, KNOBS_Y, 54); }, 0.2f, 0.0f},
    {"DraggingKnobBUpTwiceAsFar", 1, [](Window* w) { left_drag(w, KNOB_B_X, KNOBS_Y, 108); }, 0.0f, 0.4f},
    {"HiddenKnobsStillTurn", 0, [](Window* w) { left_drag(w, KNOB_A_X, KNOBS_Y, 54); }, 0.2f, 0.0f},
    {"DraggingDownBelowTheLeastStopsAtIt", 1, [](Window* w) { left_drag(w, KNOB_A_X, KNOBS_Y, -54); }, 0.0f, 0.0f},
    {"DraggingTheViewTurnsNoKnob", 1, [](Window* w) { left_drag(w, 480, 270, 108); }, 0.0f, 0.0f},
    {"TheRightButtonTurnsNoKnob", 1,
     [](Window* w) { drag(w, key_codes().BUTTON_RIGHT, KNOB_A_X, KNOBS_Y, 54); }, 0.0f, 0.0f},
    {"PassiveMotionChangesNothing", 1, glide_over_both_knobs, 0.0f, 0.0f},
    {"TheWheelChangesNothing", 1, turn_the_wheel_on_both_knobs, 0.0f, 0.0f},
    {"OtherKeysChangeNothing", 1, press_other_keys, 0.0f, 0.0f},
    {"SpecialKeysChangeNothing", 0, press_special_keys, 0.0f, 0.0f},
};

void PrintTo(const InputCase& c, std::ostream* os) { *os << c.name; }

class ShowInput : public testing::TestWithParam<InputCase> {};

// The show's window on a 1920 x 1080 screen with its panel and a show over
// a silent track of 26 s (104 patterns of a quarter second) in memory.
struct ShowWindow {
    Application* application = Application::create();
    Window* window = show_window_create(application, 0.5, 0.5);
    ShowContext& show = *show_context();
    ShowWindow() {
        window->geometry->set_screen_size(1920, 1080);
        show_create_panel(window, show);
        show.session = open_in_memory(samples_in_memory(104 * ShowScene::FRAMES_PER_PATTERN));
    }
    ~ShowWindow() {
        show_teardown(window);
        Window::destroy(window);
        Application::destroy(application);
    }
};
}  // namespace

TEST_P(ShowInput, ReachesTheSceneOnlyThroughAKnob) {
    const InputCase& c = GetParam();
    ShowWindow live;
    Window* window = live.window;
    ShowContext& show = live.show;
    Scene* scene = show.session->scene;
    show.panel_visible = c.panel_visible;

    testing::internal::CaptureStderr();
    testing::internal::CaptureStdout();
    c.input(window);
    const std::string said = testing::internal::GetCapturedStdout() + testing::internal::GetCapturedStderr();

    EXPECT_NEAR(scene_knob_a(scene), c.knob_a, 1e-6f);
    EXPECT_NEAR(scene_knob_b(scene), c.knob_b, 1e-6f);
    // The scene holds what the knobs show.
    EXPECT_EQ(scene_knob_a(scene), static_cast<float>(show.parameters[1]->normalized()));
    EXPECT_EQ(scene_knob_b(scene), static_cast<float>(show.parameters[2]->normalized()));
    EXPECT_EQ(show.panel_visible, c.panel_visible);
    EXPECT_EQ(window->backend()->fullscreen, 0) << "only Space changes the window";
    EXPECT_EQ(said, "");
}

INSTANTIATE_TEST_SUITE_P(Cases, ShowInput, testing::ValuesIn(INPUT_CASES),
                         [](const testing::TestParamInfo<InputCase>& info) { return std::string(info.param.name); });

namespace {
// Keys that move the show, pressed in order from a pattern, and where the
// show is afterwards. On this track a pattern lasts a quarter of a second.
struct MoveCase {
    const char* name;
    int32_t from_pattern;
    std::vector<int> keys;  // characters; the special keys as GLUT codes below
    int32_t pattern;        // the pattern playing afterwards
    ShowTransport transport;
    const char* status = "";  // the panel's line, when given
};
constexpr int LEFT = 1000 + 100, RIGHT = 1000 + 102, PAGE_UP = 1000 + 104, PAGE_DOWN = 1000 + 105, HOME = 1000 + 106;

const std::vector<MoveCase> MOVE_CASES = {
    {"RightAndLeftStepAPattern", 10, {RIGHT, RIGHT, LEFT}, 11, {}},
    {"PagesStepEightPatterns", 10, {PAGE_DOWN, PAGE_DOWN, PAGE_UP}, 18, {}},
    {"HomeGoesBackToTheStart", 30, {HOME}, 0, {}},
    {"StepsBeforeTheStartStopAtIt", 2, {PAGE_UP, LEFT}, 0, {}},
    {"StepsPastTheEndStopAtTheLastPattern", 100, {PAGE_DOWN, RIGHT}, 103, {}},
    {"PPausesAndStepsHoldWhilePaused", 10, {'p', RIGHT}, 11, {1, -1, -1}, "pattern 11  act 5  paused"},
    {"PResumes", 10, {'p', 'P'}, 10, {0, -1, -1}},
    {"LMarksALoopsStart", 10, {'l'}, 10, {0, 10, -1}, "pattern 10  act 5  mark 10"},
    {"LOnALaterPatternLoopsFromTheMark", 10, {'l', RIGHT, RIGHT, 'L'}, 12, {0, 10, 12},
     "pattern 12  act 5  loop 10-12"},
    {"LOnTheMarkOrBeforeMovesTheMark", 10, {'l', LEFT, 'l'}, 9, {0, 9, -1}},
    {"LWhileLoopingEndsTheLoop", 10, {'l', RIGHT, 'l', 'l'}, 11, {0, -1, -1}},
};

void PrintTo(const MoveCase& c, std::ostream* os) { *os << c.name; }

class ShowMoves : public testing::TestWithParam<MoveCase> {};
}  // namespace

// Idle passes between the keys, as the live loop runs them: a paused show
// holds, and no loop turns before its end.
TEST_P(ShowMoves, LandOnTheirPattern) {
    const MoveCase& c = GetParam();
    ShowWindow live;
    Window* window = live.window;
    ShowContext& show = live.show;
    show_session_seek(show.session, show_session_pattern_frame(show.session, c.from_pattern));
    for (int key : c.keys) {
        if (key >= 1000) window->on_special_down(key - 1000, 0, 0);
        else window->on_key_down(key, 0, 0);
        for (int pass = 0; pass < 3; ++pass) window->on_idle();
    }
    EXPECT_EQ(transport_pattern(*show.session), c.pattern);
    EXPECT_EQ(show.transport.paused, c.transport.paused);
    EXPECT_EQ(show.transport.loop_mark, c.transport.loop_mark);
    EXPECT_EQ(show.transport.loop_last, c.transport.loop_last);
    EXPECT_EQ(show.session->track->paused(), c.transport.paused == 1);
    if (*c.status != '\0') {
        EXPECT_EQ(transport_status(*show.session, show.transport), c.status);
    }
}

INSTANTIATE_TEST_SUITE_P(Keys, ShowMoves, testing::ValuesIn(MOVE_CASES),
                         [](const testing::TestParamInfo<MoveCase>& info) { return std::string(info.param.name); });

// A loop that has played its last pattern comes back to its mark with the
// state the mark has in a straight run, the analysis included.
TEST(ShowLoop, ComesBackToItsMarkAsAStraightRunHasIt) {
    ShowWindow live;
    ShowSession& session = *live.show.session;
    show_session_seek(&session, show_session_pattern_frame(&session, 10));
    live.window->on_key_down('l', 0, 0);
    live.window->on_special_down(102, 0, 0);  // Right
    live.window->on_key_down('l', 0, 0);
    play_until(*session.track, 12 * ShowScene::FRAMES_PER_PATTERN, nullptr);
    live.window->on_idle();
    while (session.moments->taken.load() <= 10) std::this_thread::yield();  // the pass keeps the mark's moment
    const ShowMoment& mark = session.moments->moments[10];
    const ShowState& state = *session.scene->state;
    EXPECT_EQ(session.track->position.load(), mark.position);
    EXPECT_EQ(state.previous_time, mark.values.previous_time);
    EXPECT_EQ(state.text->x, mark.text.x);
    AnalysisSnapshot now;
    analysis_snapshot_take(*session.track, now);
    EXPECT_EQ(now.levels, mark.analysis.levels);
    EXPECT_EQ(live.show.transport.loop_last, 11) << "the loop goes on";
}
