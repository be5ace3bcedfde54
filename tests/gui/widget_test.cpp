// Widgets, knobs and viewports without a display: placement in window
// fractions, hit tests, the pressed state, drag steps and style lookups.
#include "gui/widget.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/application.h"
#include "app/style.h"
#include "app/window.h"
#include "gui/knob.h"
#include "gui/parameter.h"
#include "gui/viewport.h"

namespace {
constexpr int32_t NO_BACKEND = 7;

struct ButtonEvent {
    int32_t button;
    int32_t state;
    double u;
    double v;
};

struct DragStep {
    double u, v, du, dv;
};

// What the recording behavior saw, found through the widget's type data.
struct Seen {
    std::vector<ButtonEvent> buttons;
    std::vector<DragStep> drags;
    int draws = 0;
    static Seen& of(Widget* widget) { return *static_cast<Seen*>(widget->behavior->type_data); }
};

void record_button(Widget* w, int32_t button, int32_t state, double u, double v) {
    Seen::of(w).buttons.push_back({button, state, u, v});
}
void record_drag(Widget* w, double u, double v, double du, double dv) {
    Seen::of(w).drags.push_back({u, v, du, dv});
}
void record_draw(Widget* w) { ++Seen::of(w).draws; }
void release_seen(void* data) { delete static_cast<Seen*>(data); }

// A 960 x 540 window (half of a 1920 x 1080 screen) with the default style
// and GLUT's key codes, without any backend.
struct WidgetTest : testing::Test {
    Application* application = Application::create();
    Window* window = Window::create(application, NO_BACKEND, 0, 0.5, 0.5);
    std::vector<Widget*> widgets;
    std::vector<Parameter*> parameters;

    void SetUp() override {
        window->geometry->set_screen_size(1920, 1080);
        window->set_style(create_default_style());
        set_key_codes(GLUT_KEY_CODES);
    }
    void TearDown() override {
        for (Widget* widget : widgets) Widget::destroy(widget);
        for (Parameter* parameter : parameters) Parameter::destroy(parameter);
        Window::destroy(window);
        Application::destroy(application);
        clear_modifier(~0);
    }

    Widget* widget(double x, double y, double w, double h, const char* title = "") {
        Widget* created = Widget::create(application, window->geometry, title, 1, 1, x, y, w, h);
        created->attach_behavior(new Seen{}, record_draw, record_button, record_drag, release_seen);
        widgets.push_back(created);
        return created;
    }

    Widget* knob_with_parameter(double x, double y, double w, double h) {
        Widget* knob = create_knob(application, window->geometry, "turn", 1, 1, x, y, w, h);
        widgets.push_back(knob);
        Parameter* parameter = Parameter::create(window, 1, 0.0);
        parameters.push_back(parameter);
        knob->set_parameter(parameter);
        return knob;
    }

    // Window pixels from the top-left for a point in window fractions.
    static double px(double u) { return u * 960.0; }
    static double py(double v) { return (1.0 - v) * 540.0; }
    void press(Widget* w, double u, double v) {
        w->handle_mouse(key_codes().BUTTON_LEFT, key_codes().BUTTON_DOWN, px(u), py(v));
    }
    void release(Widget* w, double u, double v) {
        w->handle_mouse(key_codes().BUTTON_LEFT, key_codes().BUTTON_UP, px(u), py(v));
    }
};
}  // namespace

TEST_F(WidgetTest, ANewWidgetTakesThePointerWhereItsArgumentsPutIt) {
    Widget* w = widget(0.1, 0.2, 0.3, 0.4, "title");
    EXPECT_STREQ(w->title.data(), "title");
    EXPECT_EQ(w->parameter(), nullptr);
    // Shown and idle: a drag before any press is nobody's.
    w->handle_motion(px(0.2), py(0.3));
    EXPECT_TRUE(Seen::of(w).drags.empty());
    // Outside its 0.1 .. 0.4 x 0.2 .. 0.6: not taken, not passed on.
    press(w, 0.41, 0.3);
    press(w, 0.2, 0.19);
    EXPECT_EQ(w->pressed, 0);
    EXPECT_TRUE(Seen::of(w).buttons.empty());
    // Inside: pressed, and its behaviour hears of it in widget fractions.
    press(w, 0.16, 0.25);
    EXPECT_EQ(w->pressed, 1);
    ASSERT_EQ(Seen::of(w).buttons.size(), 1u);
    EXPECT_NEAR(Seen::of(w).buttons[0].u, 0.2, 1e-9);
    EXPECT_NEAR(Seen::of(w).buttons[0].v, 0.125, 1e-9);
}

TEST_F(WidgetTest, LongTitlesAreCutTo255Characters) {
    const std::string long_title(300, 't');
    Widget* w = widget(0, 0, 1, 1, long_title.c_str());
    EXPECT_EQ(std::string(w->title.data()), std::string(255, 't'));
    Widget* untitled = Widget::create(application, window->geometry, nullptr, 0, 0, 0, 0, 1, 1);
    widgets.push_back(untitled);
    EXPECT_STREQ(untitled->title.data(), "");
}

TEST_F(WidgetTest, PixelQuadRunsAnticlockwiseFromTheBottomLeft) {
    const Quad quad = widget(0.25, 0.25, 0.5, 0.5)->pixel_quad();
    EXPECT_DOUBLE_EQ(quad.corners[0].x, 240);
    EXPECT_DOUBLE_EQ(quad.corners[0].y, 135);
    EXPECT_DOUBLE_EQ(quad.corners[1].x, 720);
    EXPECT_DOUBLE_EQ(quad.corners[1].y, 135);
    EXPECT_DOUBLE_EQ(quad.corners[2].x, 720);
    EXPECT_DOUBLE_EQ(quad.corners[2].y, 405);
    EXPECT_DOUBLE_EQ(quad.corners[3].x, 240);
    EXPECT_DOUBLE_EQ(quad.corners[3].y, 405);
}

TEST_F(WidgetTest, ContainsIncludesEveryEdgeButTheTopAndNothingWhenHidden) {
    Widget* w = widget(0.5, 0.5, 0.25, 0.25);
    EXPECT_EQ(w->contains(0.5, 0.5), 1);
    EXPECT_EQ(w->contains(0.75, 0.6), 1);
    EXPECT_EQ(w->contains(0.6, 0.75), 0);
    EXPECT_EQ(w->contains(0.49, 0.6), 0);
    w->set_visible(0);
    EXPECT_EQ(w->contains(0.6, 0.6), 0);
}

TEST_F(WidgetTest, ContentAreaLeavesRoomForTheTitle) {
    const Area titled = widget(0.1, 0.2, 0.3, 0.4, "t")->content_area();
    EXPECT_DOUBLE_EQ(titled.x, 0.1);
    EXPECT_DOUBLE_EQ(titled.y, 0.2 + 0.0434 + 0.015);
    EXPECT_DOUBLE_EQ(titled.width, 0.3);
    EXPECT_DOUBLE_EQ(titled.height, 0.4 - 0.0434 - 0.03);
    const Area plain = widget(0.1, 0.2, 0.3, 0.4)->content_area();
    EXPECT_DOUBLE_EQ(plain.y, 0.215);
    EXPECT_DOUBLE_EQ(plain.height, 0.37);
    // Too small for its title and margins: an empty area, not a negative one.
    EXPECT_EQ(widget(0.1, 0.2, 0.3, 0.05, "t")->content_area().height, 0.0);
}

TEST_F(WidgetTest, SlotsHoldSixteenObjectsAndIgnoreOtherIndices) {
    // Slot 0 is where a knob finds the parameter it turns.
    Widget* knob = knob_with_parameter(0.1, 0.1, 0.2, 0.2);
    EXPECT_EQ(knob->slot(0), static_cast<void*>(parameters.back()));
    // Indices past either end write nowhere: every slot stays as it was.
    Widget* w = widget(0, 0, 1, 1);
    int last = 0, stray = 0;
    w->set_slot(15, &last);
    w->set_slot(16, &stray);
    w->set_slot(-1, &stray);
    EXPECT_EQ(w->slot(16), nullptr);
    EXPECT_EQ(w->slot(-1), nullptr);
    for (int i = 0; i < 15; ++i) EXPECT_EQ(w->slot(i), nullptr) << i;
    EXPECT_EQ(w->slot(15), &last);
    EXPECT_EQ(w->parameter(), nullptr);
}

TEST_F(WidgetTest, PressOnTheTopEdgeIsInsideButDoesNotPress) {
    Widget* w = widget(0.5, 0.5, 0.25, 0.25);
    press(w, 0.6, 0.75);  // exactly on the top edge: pixel row 135
    EXPECT_EQ(w->pressed, 0);
    ASSERT_EQ(Seen::of(w).buttons.size(), 1u);
    EXPECT_DOUBLE_EQ(Seen::of(w).buttons[0].v, 1.0);
    EXPECT_NEAR(Seen::of(w).buttons[0].u, 0.4, 1e-12);
}

TEST_F(WidgetTest, PressOnTheOtherEdgesPresses) {
    Widget* w = widget(0.5, 0.5, 0.25, 0.25);
    for (const auto& [u, v] : std::vector<std::pair<double, double>>{{0.5, 0.6}, {0.75, 0.6}, {0.6, 0.5}}) {
        press(w, u, v);
        EXPECT_EQ(w->pressed, 1) << u << ", " << v;
        EXPECT_DOUBLE_EQ(w->last_x, u);
        EXPECT_DOUBLE_EQ(w->last_y, v);
        release(w, u, v);
        EXPECT_EQ(w->pressed, 0);
    }
    press(w, 0.76, 0.6);
    EXPECT_EQ(w->pressed, 0);
    EXPECT_EQ(Seen::of(w).buttons.size(), 6u);  // the outside press is not passed on
}

TEST_F(WidgetTest, ReleaseAnywhereEndsTheDragAndOtherButtonsDoNotPress) {
    Widget* w = widget(0.1, 0.1, 0.2, 0.2);
    w->handle_mouse(key_codes().BUTTON_RIGHT, key_codes().BUTTON_DOWN, px(0.2), py(0.2));
    EXPECT_EQ(w->pressed, 0);
    press(w, 0.2, 0.2);
    EXPECT_EQ(w->pressed, 1);
    w->handle_mouse(key_codes().BUTTON_RIGHT, key_codes().BUTTON_UP, px(0.9), py(0.9));
    EXPECT_EQ(w->pressed, 1);
    release(w, 0.9, 0.9);
    EXPECT_EQ(w->pressed, 0);
}

TEST_F(WidgetTest, DragStepsFollowThePointerAndShiftMakesThemAFifth) {
    Widget* w = widget(0.1, 0.1, 0.2, 0.2);
    w->handle_motion(px(0.5), py(0.5));
    EXPECT_TRUE(Seen::of(w).drags.empty());  // not pressed: no drag
    press(w, 0.2, 0.2);
    w->handle_motion(px(0.25), py(0.3));
    set_modifier(key_codes().MOD_SHIFT);
    w->handle_motion(px(0.35), py(0.2));
    clear_modifier(key_codes().MOD_SHIFT);
    w->handle_motion(px(0.9), py(0.9));  // outside the widget: the drag goes on
    const std::vector<DragStep>& drags = Seen::of(w).drags;
    ASSERT_EQ(drags.size(), 3u);
    EXPECT_NEAR(drags[0].du, 0.05, 1e-12);
    EXPECT_NEAR(drags[0].dv, 0.1, 1e-12);
    EXPECT_NEAR(drags[0].u, 0.25, 1e-12);
    EXPECT_NEAR(drags[1].du, 0.02, 1e-12);
    EXPECT_NEAR(drags[1].dv, -0.02, 1e-12);
    EXPECT_NEAR(drags[2].du, 0.55, 1e-12);  // from where the pointer was, unscaled
    EXPECT_NEAR(drags[2].dv, 0.7, 1e-12);
}

TEST_F(WidgetTest, HiddenWidgetsIgnoreThePointer) {
    Widget* w = widget(0.1, 0.1, 0.2, 0.2);
    press(w, 0.2, 0.2);
    w->set_visible(0);
    w->handle_motion(px(0.3), py(0.3));
    release(w, 0.2, 0.2);
    EXPECT_EQ(w->pressed, 1);  // a hidden widget does not even see the release
    EXPECT_TRUE(Seen::of(w).drags.empty());
    EXPECT_EQ(Seen::of(w).buttons.size(), 1u);
}

TEST_F(WidgetTest, ZeroSizedWidgetsAndWindowsGiveNoInfiniteFractions) {
    Widget* flat = widget(0.5, 0.5, 0.0, 0.0);
    press(flat, 0.5, 0.5);
    ASSERT_EQ(Seen::of(flat).buttons.size(), 1u);
    EXPECT_EQ(Seen::of(flat).buttons[0].u, 0.0);
    EXPECT_EQ(Seen::of(flat).buttons[0].v, 0.0);

    Widget* w = widget(0, 0, 1, 1);
    press(w, 0.5, 0.5);
    window->geometry->set_relative(0.0, 0.0);  // no window size to place the pointer in
    w->handle_motion(100, 100);
    w->handle_mouse(key_codes().BUTTON_LEFT, key_codes().BUTTON_DOWN, 10, 10);
    EXPECT_TRUE(Seen::of(w).drags.empty());
    EXPECT_EQ(Seen::of(w).buttons.size(), 1u);
    w->handle_mouse(key_codes().BUTTON_LEFT, key_codes().BUTTON_UP, 10, 10);
    EXPECT_EQ(w->pressed, 0);  // a release still ends the drag
}

TEST_F(WidgetTest, StyleKeysMissingFromTheWindowLeaveTheDrawStateAlone) {
    // A widget without title, frame or drawing behavior draws nothing, so
    // this needs no display: only the contents style is looked up.
    Style* sparse = Style::create();
    sparse->add_number("contents-line-width", 7.0);
    window->set_style(sparse);
    DrawState& state = *application->draw_state;
    state.set_color({0.1, 0.2, 0.3, 0.4});
    state.set_fill_color({0.5, 0.6, 0.7, 0.8});
    Widget* plain = Widget::create(application, window->geometry, "", 0, 0, 0, 0, 1, 1);
    widgets.push_back(plain);
    plain->draw();
    EXPECT_EQ(state.color.blue, 0.3);
    EXPECT_EQ(state.fill_color.alpha, 0.8);
    EXPECT_EQ(state.line_width, 7.0);

    window->set_style(nullptr);
    plain->use_style_line_width("contents-line-width");
    EXPECT_EQ(state.line_width, 7.0);
}

TEST_F(WidgetTest, DrawCallsTheBehaviorWithTheContentsStyleOnlyWhenVisible) {
    Widget* w = Widget::create(application, window->geometry, "", 0, 0, 0, 0, 1, 1);
    widgets.push_back(w);
    w->attach_behavior(new Seen{}, record_draw, nullptr, nullptr, release_seen);
    application->draw_state->set_line_width(1.5);
    w->draw();
    EXPECT_EQ(Seen::of(w).draws, 1);
    EXPECT_EQ(application->draw_state->line_width, 3.0);  // "contents-line-width"
    w->set_visible(0);
    w->draw();
    EXPECT_EQ(Seen::of(w).draws, 1);
}

TEST_F(WidgetTest, KnobDragUpByATenthOfTheWindowRaisesTheValueByAFifth) {
    Widget* knob = knob_with_parameter(0.1, 0.1, 0.2, 0.2);
    press(knob, 0.2, 0.2);
    knob->handle_motion(px(0.2), py(0.3));
    EXPECT_NEAR(knob->parameter()->value, 0.2, 1e-9);
    set_modifier(key_codes().MOD_SHIFT);
    knob->handle_motion(px(0.2), py(0.4));
    EXPECT_NEAR(knob->parameter()->value, 0.24, 1e-9);
    clear_modifier(key_codes().MOD_SHIFT);
    knob->handle_motion(px(0.2), py(0.1));  // down by 0.3: clamped at 0
    EXPECT_EQ(knob->parameter()->value, 0.0);
}

TEST_F(WidgetTest, KnobUsesTheHorizontalMovementOnlyWhenItIsTheLarger) {
    Widget* knob = knob_with_parameter(0.1, 0.1, 0.2, 0.2);
    // Right by 0.05 of the width (48 pixels) and up by 0.02 of the height:
    // 48 pixels are 48 / 540 of the height, doubled.
    knob_drag(knob, 0, 0, 0.05, 0.02);
    EXPECT_NEAR(knob->parameter()->value, 2 * (960.0 / 540.0) * 0.05, 1e-9);
    knob->parameter()->set_value(0.5);
    knob_drag(knob, 0, 0, -0.02, 0.05);  // the vertical one is larger
    EXPECT_NEAR(knob->parameter()->value, 0.6, 1e-9);
    knob_drag(knob, 0, 0, 0.03, -0.03);  // a tie goes to the vertical one
    EXPECT_NEAR(knob->parameter()->value, 0.54, 1e-9);
}

TEST_F(WidgetTest, KnobWithoutParameterIgnoresDrags) {
    Widget* knob = create_knob(application, window->geometry, "turn", 1, 1, 0.1, 0.1, 0.2, 0.2);
    widgets.push_back(knob);
    press(knob, 0.2, 0.2);
    knob->handle_motion(px(0.2), py(0.5));
    EXPECT_EQ(knob->parameter(), nullptr);
    EXPECT_EQ(knob->pressed, 1);
}

TEST_F(WidgetTest, ViewportAspectIsTakenFromWholePixels) {
    Widget* full = create_viewport(application, window->geometry, "", 0, 0, nullptr, 0, 0, 1, 1, 0);
    widgets.push_back(full);
    EXPECT_FLOAT_EQ(aspect(full), 960.0f / 540.0f);
    EXPECT_NEAR(aspect(full), 1.7778f, 1e-4);
    // 0.3 x 960 = 288 and 0.33 x 540 = 178.2, truncated to 178.
    Widget* part = create_viewport(application, window->geometry, "", 0, 0, nullptr, 0, 0, 0.3, 0.33, 0);
    widgets.push_back(part);
    EXPECT_FLOAT_EQ(aspect(part), 288.0f / 178.0f);
    Widget* flat = create_viewport(application, window->geometry, "", 0, 0, nullptr, 0, 0, 1, 0.001, 0);
    widgets.push_back(flat);
    EXPECT_EQ(aspect(flat), 1.0f);  // no pixel rows: no ratio to give
}

TEST_F(WidgetTest, SetBackgroundChangesTheColourButNotItsAlphaOnViewportsOnly) {
    Widget* viewport = create_viewport(application, window->geometry, "", 0, 0, nullptr, 0, 0, 1, 1, 1);
    widgets.push_back(viewport);
    ViewportData* data = viewport_data(viewport);
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(data->outline, 1);
    EXPECT_EQ(data->demo_angle, 0.0f);
    EXPECT_EQ(data->background.alpha, 1.0);
    data->background.alpha = 0.5;
    set_background(viewport, 0.2, 0.4, 0.6);
    EXPECT_EQ(data->background.red, 0.2);
    EXPECT_EQ(data->background.green, 0.4);
    EXPECT_EQ(data->background.blue, 0.6);
    EXPECT_EQ(data->background.alpha, 0.5);

    Widget* knob = knob_with_parameter(0.1, 0.1, 0.2, 0.2);
    EXPECT_EQ(viewport_data(knob), nullptr);
    set_background(knob, 1, 1, 1);  // not a viewport: nothing happens
}
