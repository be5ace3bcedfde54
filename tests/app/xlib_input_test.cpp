// Real input through XTest reaching the slots of an Xlib window's table.
#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "app/window.h"
#include "tests/support/x11.h"
#include "tests/support/xlib_test.h"

namespace {
// A top-level Xlib child (960 x 540 at the screen's origin, no window
// manager) whose slots record every event and every motion. The window has
// the keyboard focus before the scenario runs; the pointer rests where the
// server put it, outside the window, and has not moved.
struct InputChild : XlibChild {
    std::vector<InputEvent> events;
    std::vector<std::array<int32_t, 2>> motions;

    InputChild() {
        record_input(hooks, events);
        hooks.motion = [this](Window*, int32_t px, int32_t py) { motions.push_back({px, py}); };
        when_viewable()
            .then("focus", [this] {
                x.focus(handle());
                return true;
            })
            .wait_passes(5);
    }

    // Waits until `count` events have arrived.
    Script& expect_events(size_t count) {
        return script.then("events arrived", [this, count] { return events.size() >= count; });
    }

    void tap_key(unsigned long keysym) {
        x.press_key(keysym);
        x.release_key(keysym);
    }
};

ChildResult run_input_child(const std::function<void(InputChild&)>& scenario) {
    return run_on_private_screen(scenario);
}

void expect_key(const InputEvent& event, char kind, int32_t code, int32_t x, int32_t y) {
    EXPECT_EQ(event.kind, kind);
    EXPECT_EQ(event.code, code);
    EXPECT_EQ(event.x, x);
    EXPECT_EQ(event.y, y);
}
}  // namespace

TEST(XlibInput, KeysArriveAsTheLowByteOfTheUnshiftedSymbol) {
    const ChildResult result = run_input_child([](InputChild& child) {
        child.script.then("type", [&] {
            child.tap_key(XK_a);
            child.tap_key(XK_Escape);
            child.tap_key(XK_F1);
            child.x.press_key(XK_Shift_L);
            child.tap_key(XK_a);
            child.x.release_key(XK_Shift_L);
            return true;
        });
        child.expect_events(10).then("check", [&] {
            EXPECT_EQ(child.events.size(), 10u);
            const std::vector<InputEvent>& e = child.events;
            // No motion yet: keys report the pointer at (0, 0).
            EXPECT_TRUE(child.motions.empty());
            expect_key(e[0], 'd', 'a', 0, 0);
            expect_key(e[1], 'u', 'a', 0, 0);
            expect_key(e[2], 'd', 27, 0, 0);  // Escape, 0xFF1B
            expect_key(e[3], 'u', 27, 0, 0);
            expect_key(e[4], 'd', 0xBE, 0, 0);  // F1, 0xFFBE: not KEY_F1
            EXPECT_NE(e[4].code, key_codes().KEY_F1);
            // Modifier keys are keys like any other here, and Shift does not
            // change the symbol; the modifier word stays 0 under Xlib.
            expect_key(e[6], 'd', 0xE1, 0, 0);  // Shift_L, 0xFFE1
            expect_key(e[7], 'd', 'a', 0, 0);
            expect_key(e[8], 'u', 'a', 0, 0);
            expect_key(e[9], 'u', 0xE1, 0, 0);
            for (const InputEvent& event : e) EXPECT_EQ(event.modifiers, 0);
            return true;
        });
    });
    EXPECT_CHILD_PASSED(result);
}

TEST(XlibInput, ButtonsGivePressOneAndReleaseZeroAtTheLastMotion) {
    const ChildResult result = run_input_child([](InputChild& child) {
        child.script.then("point", [&] {
            child.x.move_pointer(100, 50);
            return true;
        });
        child.script.then("motion arrived", [&] { return !child.motions.empty(); })
            .then("click, then type", [&] {
                EXPECT_EQ(child.motions.back(), (std::array<int32_t, 2>{100, 50}));
                child.x.press_button(1);
                child.x.release_button(1);
                child.x.press_button(3);
                child.x.release_button(3);
                child.tap_key(XK_q);
                return true;
            });
        child.expect_events(6).then("check", [&] {
            const std::vector<InputEvent>& e = child.events;
            const int32_t down = key_codes().BUTTON_DOWN, up = key_codes().BUTTON_UP;
            EXPECT_EQ(down, 1);
            EXPECT_EQ(up, 0);
            EXPECT_EQ(e[0].kind, 'm');
            EXPECT_EQ(e[0].code, key_codes().BUTTON_LEFT);
            EXPECT_EQ(e[0].state, down);
            EXPECT_EQ(e[1].state, up);
            EXPECT_EQ(e[2].code, key_codes().BUTTON_RIGHT);
            EXPECT_EQ(e[2].state, down);
            EXPECT_EQ(e[3].state, up);
            for (int i = 0; i < 4; ++i) {
                EXPECT_EQ(e[i].x, 100) << i;
                EXPECT_EQ(e[i].y, 50) << i;
            }
            expect_key(e[4], 'd', 'q', 100, 50);
            return true;
        });
    });
    EXPECT_CHILD_PASSED(result);
}
