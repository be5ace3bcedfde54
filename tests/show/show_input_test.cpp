// The show's input as its window hands it on: which events turn a knob and
// so reach the scene, and which change nothing at all. The show's window,
// panel and scene are real (over a silent track in memory); the window's
// event entry points are the ones the backends call. Nothing is drawn, so
// no display is needed.
#include <gtest/gtest.h>

#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "app/application.h"
#include "app/window.h"
#include "gui/parameter.h"
#include "show/scene.h"
#include "show/show_app.h"
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
    // The releases of the two keys that do something do nothing themselves.
    window->on_key_up(' ', 0, 0);
    window->on_key_up(27, 0, 0);
}
void press_special_keys(Window* window) {
    // F1, F12, the arrows, page up, home, insert, and Shift as freeglut reports it.
    for (int key : {1, 12, 100, 101, 102, 103, 104, 106, 108, 112}) {
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
}  // namespace

TEST_P(ShowInput, ReachesTheSceneOnlyThroughAKnob) {
    const InputCase& c = GetParam();
    Application* application = Application::create();
    Window* window = show_window_create(application, 0.5, 0.5);
    window->geometry->set_screen_size(1920, 1080);
    ShowContext& show = *show_context();
    show_create_panel(window, show);
    show.session = open_in_memory(samples_in_memory(44100));
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
    show_teardown(window);
    Window::destroy(window);
    Application::destroy(application);
}

INSTANTIATE_TEST_SUITE_P(Cases, ShowInput, testing::ValuesIn(INPUT_CASES),
                         [](const testing::TestParamInfo<InputCase>& info) { return std::string(info.param.name); });
