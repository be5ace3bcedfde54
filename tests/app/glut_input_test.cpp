// Real input through XTest reaching the slots only a GLUT window's table
// has: special keys and the modifier word, key repeat, the wheel and
// pointer motion (the keys and buttons both backends deliver are in
// window_backends_test.cpp).
#include <GL/freeglut.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/window.h"
#include "tests/support/window_child.h"
#include "tests/support/x11.h"
#include "tests/support/x_client.h"

namespace {
// Runs the scenario on a GLUT input child on the test screen, which the
// case has to itself (it sends input).
ChildResult run_input_child(const std::function<void(InputChild&)>& scenario) {
    return run_on_test_screen<InputChild>(ScreenUse::ALONE, scenario, BACKEND_GLUT);
}
}  // namespace

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
    // Without repeats from the server the case could not fail.
    HOLD_TEST_SCREEN(screen, ScreenUse::ALONE);
    XClient server(screen.display());
    if (!server.keyboard_auto_repeat_on()) GTEST_SKIP() << "the X server does not repeat held keys";
    // One repeat, after 0.3 s, and no second one for a minute. freeglut
    // tells a repeat from a real release by asking, when it handles a
    // release, whether the key is still down: a repeat still queued when
    // the key really goes up would pass for a real release. The test sees
    // the repeat on a connection of its own and lets the barrier show that
    // the window has handled it before the key goes up.
    const std::array<unsigned, 2> rate = server.auto_repeat_rate();
    server.set_auto_repeat_rate(300, 60000);
    const ChildResult result = run_window_child(screen.display(), [] {
        InputChild child(BACKEND_GLUT);
        child.script.then("hold b", [&] {
            child.x.watch_keys(current_glx_window());
            child.x.press_key(XK_b);
            return true;
        });
        child.script.then("the server repeated it", [&] { return child.x.presses_seen(XK_b) >= 2; });
        child.barrier().then("release", [&] {
            child.x.release_key(XK_b);
            return true;
        });
        child.barrier().then("check", [&] {
            std::string seen;
            for (const auto& e : child.events) seen += std::string(1, e.kind) + std::to_string(e.code) + " ";
            EXPECT_EQ(child.events.size(), 2u) << seen;
            if (child.events.size() != 2u) return true;
            EXPECT_EQ(child.events[0].kind, 'd');
            EXPECT_EQ(child.events[0].code, 'b');
            EXPECT_EQ(child.events[1].kind, 'u');
            return true;
        });
        child.run();
    });
    server.set_auto_repeat_rate(rate[0], rate[1]);
    EXPECT_CHILD_PASSED(result);
}

TEST(GlutInput, AnEmptyWheelSlotDropsWheelTurnsWhileTheOtherSlotsWork) {
    const ChildResult result = run_input_child([](InputChild& child) {
        CallbackTable::release(child.window->callbacks);
        attach_hooks(child.window, &child.hooks, EmptySlots{.wheel = true});
        ASSERT_EQ(child.window->callbacks->wheel, nullptr);
        child.script.then("click, turn the wheel, click", [&] {
            child.x.press_button(1);
            child.x.release_button(1);
            child.x.press_button(4);
            child.x.release_button(4);
            child.x.press_button(3);
            child.x.release_button(3);
            return true;
        });
        child.barrier().then("check", [&] {
            // The two clicks, and nothing of the wheel in the mouse slot.
            EXPECT_EQ(child.events.size(), 4u);
            if (child.events.size() != 4u) return true;
            const int32_t left = key_codes().BUTTON_LEFT, right = key_codes().BUTTON_RIGHT;
            EXPECT_EQ(child.events[0].code, left);
            EXPECT_EQ(child.events[1].code, left);
            EXPECT_EQ(child.events[2].code, right);
            EXPECT_EQ(child.events[3].code, right);
            return true;
        });
    });
    EXPECT_CHILD_PASSED(result);
}

TEST(GlutInput, WheelTurnsAndPointerMotionReachTheirSlots) {
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
            child.point_at(200, 60);
            child.x.press_button(1);
            child.point_at(220, 80);
            child.x.release_button(1);
            return true;
        });
        child.barrier().then("check", [seen] {
            EXPECT_EQ(seen->wheel_turns, 1);
            EXPECT_EQ(seen->direction, 1);
            EXPECT_GT(seen->passive_motions, 0);
            EXPECT_GT(seen->motions, 0);
            return true;
        });
    });
    EXPECT_CHILD_PASSED(result);
}
