// Widgets and knobs drawn with real OpenGL, and knobs turned by real
// pointer input through XTest.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "app/application.h"
#include "app/style.h"
#include "app/window.h"
#include "gui/draw.h"
#include "gui/knob.h"
#include "gui/parameter.h"
#include "gui/widget.h"
#include "tests/support/gl_capture.h"
#include "tests/support/x11.h"

namespace {
double radius_of(const FeedbackVertex& v, double cx, double cy) { return std::hypot(v.x - cx, v.y - cy); }

// The parts of a drawn knob whose dial has centre (cx, cy) and radius r.
struct KnobParts {
    std::vector<std::array<FeedbackVertex, 2>> rim, pointer, label;
};

KnobParts split_knob(const Feedback& feedback, double cx, double cy, double r) {
    KnobParts parts;
    for (const auto& line : feedback.lines) {
        const double r0 = radius_of(line[0], cx, cy), r1 = radius_of(line[1], cx, cy);
        if (std::fabs(r0 - r) < 0.01 && std::fabs(r1 - r) < 0.01)
            parts.rim.push_back(line);
        else if (std::fabs(r0 - 0.25 * r) < 0.01 && std::fabs(r1 - r) < 0.01)
            parts.pointer.push_back(line);
        else
            parts.label.push_back(line);
    }
    return parts;
}

// A style in which every part of a widget has a colour of its own.
Style* telling_style() {
    Style* style = create_default_style();
    style->add_color("title-color", {1, 0, 0, 1});
    style->add_color("contents-color", {0, 1, 0, 1});
    style->add_color("border-color", {0, 0, 1, 1});
    style->add_color("param-text-color", {1, 1, 0, 1});
    return style;
}

const std::array<float, 4> TITLE_RED{1, 0, 0, 1};
const std::array<float, 4> CONTENTS_GREEN{0, 1, 0, 1};
const std::array<float, 4> BORDER_BLUE{0, 0, 1, 1};
const std::array<float, 4> LABEL_YELLOW{1, 1, 0, 1};
}  // namespace

TEST(WidgetGl, TitlesSitAboveOrBelowCentredOrAtTheLeft) {
    const ChildResult result = run_gl_check([](GlWindow& gl) {
        gl.window->set_style(telling_style());
        Application* app = gl.application;
        const DrawState& state = *app->draw_state;
        // 960 x 540 on a 1920 x 1080 screen: text size 2 x 0.5 = 1.
        Widget* above = Widget::create(app, gl.window->geometry, "turn", 1, 1, 0.1, 0.1, 0.2, 0.2);
        Feedback feedback = capture_feedback([&] { above->draw(); });
        ASSERT_FALSE(feedback.lines.empty());
        Extent extent = extent_of(feedback.lines);
        EXPECT_NEAR(extent.min_y, 0.1 * 540 + 0.2 * 540 + 0.025 * 540, 1e-3);  // 175.5
        const double width = stroke_text_width(state, "turn", 1.0);
        const double centred_pen = 96 + (192 - width) / 2;
        EXPECT_GE(extent.min_x, centred_pen);
        EXPECT_LE(extent.max_x, centred_pen + width);
        EXPECT_NEAR((extent.min_x + extent.max_x) / 2, 96 + 192 / 2.0, 5.0);
        for (const auto& line : feedback.lines) EXPECT_EQ(line[0].color, TITLE_RED);

        Widget* below = Widget::create(app, gl.window->geometry, "turn", 0, 0, 0.1, 0.1, 0.2, 0.2);
        feedback = capture_feedback([&] { below->draw(); });
        extent = extent_of(feedback.lines);
        EXPECT_NEAR(extent.min_y, 54 - 0.04 * 540, 1e-3);
        EXPECT_GE(extent.min_x, 96 + 0.0086 * 1080);
        EXPECT_LE(extent.max_x, 96 + 0.0086 * 1080 + width);

        Widget* untitled = Widget::create(app, gl.window->geometry, "", 1, 1, 0.1, 0.1, 0.2, 0.2);
        feedback = capture_feedback([&] { untitled->draw(); });
        EXPECT_TRUE(feedback.lines.empty());
        EXPECT_TRUE(feedback.polygons.empty());
        for (Widget* w : {above, below, untitled}) Widget::destroy(w);
    });
    EXPECT_CHILD_PASSED(result);
}

TEST(WidgetGl, FramedWidgetsAreOutlinedInTheBorderColourAndHiddenOnesDrawNothing) {
    const ChildResult result = run_gl_check([](GlWindow& gl) {
        gl.window->set_style(telling_style());
        Widget* w = Widget::create(gl.application, gl.window->geometry, "", 0, 0, 0.25, 0.25, 0.5, 0.5);
        w->framed = 1;
        Feedback feedback = capture_feedback([&] { w->draw(); });
        // The default contents fill is transparent: an outline only.
        expect_outline_only(feedback, 240, 135, 720, 405);
        for (const auto& line : feedback.lines) EXPECT_EQ(line[0].color, BORDER_BLUE);
        EXPECT_EQ(gl.application->draw_state->line_width, 1.0);  // "border-line-width"

        w->set_visible(0);
        feedback = capture_feedback([&] { w->draw(); });
        EXPECT_TRUE(feedback.lines.empty());
        Widget::destroy(w);
    });
    EXPECT_CHILD_PASSED(result);
}

TEST(KnobGl, PointerTurnsFrom210DegreesAt0To90AtHalfAndMinus30AtFull) {
    const ChildResult result = run_gl_check([](GlWindow& gl) {
        gl.window->set_style(telling_style());
        Widget* knob = create_knob(gl.application, gl.window->geometry, "", 1, 1, 0.4, 0.4, 0.1, 0.1);
        Parameter* parameter = Parameter::create(gl.window, 1, 0.0);
        knob->set_parameter(parameter);
        // Diameter 0.1 x 960 = 96 pixels, resting on the corner (384, 216).
        const double r = 48, cx = 384 + 48, cy = 216 + 48;
        for (const auto& [value, degrees] :
             std::vector<std::pair<double, double>>{{0.0, 210.0}, {0.5, 90.0}, {1.0, -30.0}, {0.25, 150.0}}) {
            parameter->set_value(value);
            const KnobParts parts = split_knob(capture_feedback([&] { knob->draw(); }), cx, cy, r);
            EXPECT_EQ(parts.rim.size(), 64u);
            ASSERT_EQ(parts.pointer.size(), 1u) << value;
            const FeedbackVertex& tip = parts.pointer[0][1];
            const double angle = std::atan2(tip.y - cy, tip.x - cx) * 180.0 / M_PI;
            const double expected = degrees > 180 ? degrees - 360 : degrees;
            EXPECT_NEAR(angle, expected, 1e-3) << value;
            EXPECT_EQ(tip.color, CONTENTS_GREEN);
            EXPECT_EQ(parts.rim[0][0].color, CONTENTS_GREEN);
        }
        EXPECT_FLOAT_EQ(static_cast<float>(gl.application->draw_state->line_width), 2.0f);
        Widget::destroy(knob);
        Parameter::destroy(parameter);
    });
    EXPECT_CHILD_PASSED(result);
}

TEST(KnobGl, LabelShowsTheValueCentredBelowTheDial) {
    const ChildResult result = run_gl_check([](GlWindow& gl) {
        gl.window->set_style(telling_style());
        Widget* knob = create_knob(gl.application, gl.window->geometry, "", 1, 1, 0.4, 0.4, 0.1, 0.1);
        Parameter* parameter = Parameter::create(gl.window, 1, 0.5);
        knob->set_parameter(parameter);
        const KnobParts parts =
            split_knob(capture_feedback([&] { knob->draw(); }), 432, 264, 48);
        EXPECT_STREQ(parameter->text.data(), "0.50 ");
        ASSERT_FALSE(parts.label.empty());
        for (const auto& line : parts.label) EXPECT_EQ(line[0].color, LABEL_YELLOW);
        // Size 0.5 / 0.6; the pen at 0.4 x 540 - min(960, 540) x 0.1 x 0.5 - 0.0125 x 540.
        const double size = 0.5 / 0.6;
        const double width = stroke_text_width(*gl.application->draw_state, "0.50 ", size);
        const double pen_x = 384 + (96 - width) / 2;
        const Extent extent = extent_of(parts.label);
        EXPECT_NEAR(extent.min_y, 216 - 27 - 6.75, 1e-3);
        EXPECT_GE(extent.min_x, pen_x);
        // The number's four characters fill four fifths of the text's width.
        EXPECT_LE(extent.max_x, pen_x + width * 4 / 5);
        EXPECT_GT(extent.max_x, pen_x + width * 3 / 5);
        EXPECT_LT(extent.max_y, 216);  // below the dial
        Widget::destroy(knob);
        Parameter::destroy(parameter);
    });
    EXPECT_CHILD_PASSED(result);
}

TEST(KnobGl, KnobWithoutParameterDrawsAnEmptyDial) {
    const ChildResult result = run_gl_check([](GlWindow& gl) {
        Widget* knob = create_knob(gl.application, gl.window->geometry, "", 1, 1, 0.4, 0.4, 0.1, 0.1);
        const Feedback feedback = capture_feedback([&] { knob->draw(); });
        const KnobParts parts = split_knob(feedback, 432, 264, 48);
        EXPECT_EQ(parts.rim.size(), 64u);
        EXPECT_TRUE(parts.pointer.empty());
        EXPECT_TRUE(parts.label.empty());
        Widget::destroy(knob);
    });
    EXPECT_CHILD_PASSED(result);
}

TEST(KnobGl, RealDragsTurnTheKnobAndShiftMakesThemFine) {
    // Each check waits for an event the window receives after the input it
    // checks (X delivers a window's events in order): the Shift key's
    // press or release, or the button's release.
    const std::function<void(GlutChild&)> scenario = [](GlutChild& child) {
        child.window->set_style(create_default_style());
        // The window sits at (480, 270); the knob covers window pixels
        // x 96 to 288 and, from the top, 486 down to 378.
        Widget* knob = create_knob(child.application, child.window->geometry, "turn", 1, 1, 0.1, 0.1,
                                   0.2, 0.2);
        Parameter* parameter = Parameter::create(child.window, 1, 0.0);
        knob->set_parameter(parameter);
        static int button_events = 0;
        child.hooks.mouse = [knob](Window*, int32_t button, int32_t state, int32_t x, int32_t y) {
            ++button_events;
            knob->handle_mouse(button, state, x, y);
        };
        child.hooks.motion = [knob](Window*, int32_t x, int32_t y) { knob->handle_motion(x, y); };
        child.hooks.display = [knob](Window*) { knob->draw(); };
        XClient& x = child.x;
        child.when_viewable()
            .then("press inside", [&x] {
                x.focus(current_glx_window());
                x.move_pointer(480 + 150, 270 + 450);
                x.press_button(1);
                return true;
            })
            .then("pressed", [knob] { return knob->pressed == 1; })
            .then("drag up by a tenth of the window, then hold shift", [&x] {
                x.move_pointer(480 + 150, 270 + 450 - 54);
                x.press_key(XK_Shift_L);
                return true;
            })
            .then("shift held", [] { return (modifiers() & key_codes().MOD_SHIFT) != 0; })
            .then("a fifth of the range; drag up again, then release shift", [&x, parameter] {
                EXPECT_NEAR(parameter->value, 0.2, 1e-9);
                x.move_pointer(480 + 150, 270 + 450 - 108);
                x.release_key(XK_Shift_L);
                return true;
            })
            .then("shift released", [] { return (modifiers() & key_codes().MOD_SHIFT) == 0; })
            .then("a fiftieth more; release outside the knob", [&x, parameter] {
                EXPECT_NEAR(parameter->value, 0.24, 1e-9);
                x.move_pointer(480 + 900, 270 + 20);
                x.release_button(1);
                return true;
            })
            .then("released", [knob] { return knob->pressed == 0; })
            .then("swept to the top; drag down, pressed outside the knob", [&x, parameter] {
                // The step out of the window was mostly to the right: the
                // horizontal movement counts, and sweeps past the maximum.
                EXPECT_EQ(parameter->value, 1.0);
                x.press_button(1);
                x.move_pointer(480 + 150, 270 + 500);
                x.release_button(1);
                return true;
            })
            .then("second release arrived", [] { return button_events == 4; })
            .then("check", [knob, parameter] {
                EXPECT_EQ(knob->pressed, 0);
                EXPECT_EQ(parameter->value, 1.0);
                return true;
            });
    };
    const ChildResult result = run_on_test_screen(ScreenUse::ALONE, scenario);
    EXPECT_CHILD_PASSED(result);
}
