// Real input through XTest reaching the slots of a GLUT window's table.
#include <GL/freeglut.h>
#include <gtest/gtest.h>

#include <vector>

#include "app/window.h"
#include "tests/support/glut_test.h"
#include "tests/support/x11.h"
#include "tests/support/x_client.h"

namespace {
using std::chrono::milliseconds;

// A GLUT child whose slots record every event, with a test client on the
// same display. The window is focused and the pointer rests at window
// pixel (100, 50) before the scenario runs.
struct InputChild : GlutChild {
    std::vector<InputEvent> events;

    InputChild() {
        record_input(hooks, events);
        when_viewable()
            .then("focus and point", [this] {
                x.focus(current_glx_window());
                x.move_pointer(480 + 100, 270 + 50);
                return true;
            })
            .wait_passes(5);
    }

    // Waits until `count` events have arrived.
    Script& expect_events(size_t count) {
        return script.then("events arrived", [this, count] { return events.size() >= count; });
    }
};

ChildResult run_input_child(const std::function<void(InputChild&)>& scenario) {
    return run_on_private_screen(scenario);
}
}  // namespace

TEST(GlutInput, CharacterKeysReachKeyDownAndKeyUpWithThePointerPosition) {
    const ChildResult result = run_input_child([](InputChild& child) {
        child.script.then("type a", [&] {
            child.x.press_key(XK_a);
            child.x.release_key(XK_a);
            return true;
        });
        child.expect_events(2).then("check", [&] {
            EXPECT_EQ(child.events[0].kind, 'd');
            EXPECT_EQ(child.events[0].code, 'a');
            EXPECT_EQ(child.events[0].x, 100);
            EXPECT_EQ(child.events[0].y, 50);
            EXPECT_EQ(child.events[1].kind, 'u');
            EXPECT_EQ(child.events[1].code, 'a');
            return true;
        });
    });
    EXPECT_CHILD_PASSED(result);
}

TEST(GlutInput, LeftShiftHeldSetsTheModifierWordAndRightShiftDoesNot) {
    const ChildResult result = run_input_child([](InputChild& child) {
        child.script.then("left shift", [&] {
            child.x.press_key(XK_Shift_L);
            return true;
        });
        child.expect_events(1).then("held", [&] {
            EXPECT_EQ(child.events[0].kind, 's');
            EXPECT_EQ(child.events[0].code, 112);
            EXPECT_EQ(child.events[0].modifiers, 1);  // set before the slot ran
            EXPECT_EQ(modifiers(), 1);
            child.x.release_key(XK_Shift_L);
            return true;
        });
        child.expect_events(2).then("released, then right shift", [&] {
            EXPECT_EQ(child.events[1].kind, 'S');
            EXPECT_EQ(child.events[1].modifiers, 0);
            EXPECT_EQ(modifiers(), 0);
            child.x.press_key(XK_Shift_R);
            return true;
        });
        child.expect_events(3).then("right shift held", [&] {
            EXPECT_EQ(child.events[2].kind, 's');
            EXPECT_EQ(child.events[2].code, 113);
            EXPECT_EQ(modifiers(), 0);
            child.x.release_key(XK_Shift_R);
            return true;
        });
        child.expect_events(4);
    });
    EXPECT_CHILD_PASSED(result);
}

TEST(GlutInput, AHeldKeyGivesOnePressAndOneRelease) {
    const ChildResult result = run_input_child([](InputChild& child) {
        child.script.then("hold b", [&] {
            // Without repeats from the server the test could not fail. freeglut
            // tells a repeat from a real release by asking, when it handles a
            // release, whether the key is still down; a repeat still queued
            // when the key really goes up would pass for a real release. A slow
            // repeat (after 0.5 s, then every 2 s) gives one repeat, long
            // handled when the key goes up after 1.2 s, however busy the
            // machine is.
            EXPECT_TRUE(child.x.keyboard_auto_repeat_on());
            child.x.set_auto_repeat_rate(500, 2000);
            child.x.press_key(XK_b);
            return true;
        });
        child.script.wait_for(milliseconds(1200)).then("release", [&] {
            child.x.release_key(XK_b);
            return true;
        });
        child.expect_events(2).wait_for(milliseconds(300)).then("check", [&] {
            std::string seen;
            for (const auto& e : child.events) seen += std::string(1, e.kind) + std::to_string(e.code) + " ";
            EXPECT_EQ(child.events.size(), 2u) << seen;
            EXPECT_EQ(child.events[0].kind, 'd');
            EXPECT_EQ(child.events[1].kind, 'u');
            return true;
        });
    });
    EXPECT_CHILD_PASSED(result);
}

TEST(GlutInput, ButtonsReachTheMouseSlotAndWheelTurnsDoNot) {
    // The table's wheel slot is empty: turns of the wheel are dropped while
    // the other slots keep working.
    const ChildResult result = run_input_child([](InputChild& child) {
        child.script.then("click and turn the wheel", [&] {
            child.x.press_button(1);
            child.x.release_button(1);
            child.x.press_button(4);
            child.x.release_button(4);
            child.x.press_button(3);
            child.x.release_button(3);
            return true;
        });
        child.expect_events(4).wait_for(milliseconds(300)).then("check", [&] {
            EXPECT_EQ(child.events.size(), 4u);
            const int32_t left = key_codes().BUTTON_LEFT, right = key_codes().BUTTON_RIGHT;
            const int32_t down = key_codes().BUTTON_DOWN, up = key_codes().BUTTON_UP;
            EXPECT_EQ(child.events[0].code, left);
            EXPECT_EQ(child.events[0].state, down);
            EXPECT_EQ(child.events[0].x, 100);
            EXPECT_EQ(child.events[0].y, 50);
            EXPECT_EQ(child.events[1].state, up);
            EXPECT_EQ(child.events[2].code, right);
            EXPECT_EQ(child.events[3].state, up);
            return true;
        });
    });
    EXPECT_CHILD_PASSED(result);
}

TEST(GlutInput, WheelAndPointerMotionReachTheirSlots) {
    const ChildResult result = run_input_child([](InputChild& child) {
        struct Seen {
            int wheel_turns = 0;
            int32_t direction = 0;
            int motions = 0;
            int passive_motions = 0;
        };
        auto seen = std::make_shared<Seen>();
        child.hooks.wheel = [seen](Window*, int32_t, int32_t direction, int32_t, int32_t) {
            ++seen->wheel_turns;
            seen->direction = direction;
        };
        child.hooks.motion = [seen](Window*, int32_t, int32_t) { ++seen->motions; };
        child.hooks.passive_motion = [seen](Window*, int32_t, int32_t) { ++seen->passive_motions; };
        child.script.then("turn, move, drag", [&] {
            child.x.press_button(4);
            child.x.release_button(4);
            child.x.move_pointer(480 + 200, 270 + 60);
            child.x.press_button(1);
            child.x.move_pointer(480 + 220, 270 + 80);
            child.x.release_button(1);
            return true;
        });
        child.script.then("all arrived", [seen] { return seen->motions > 0 && seen->wheel_turns > 0; })
            .then("check", [seen] {
                EXPECT_EQ(seen->wheel_turns, 1);
                EXPECT_EQ(seen->direction, 1);
                EXPECT_GT(seen->passive_motions, 0);
                return true;
            });
    });
    EXPECT_CHILD_PASSED(result);
}
