// Real keys through XTest reaching an Xlib window's table as the backend
// reports them (the keys and buttons both backends deliver alike are in
// window_backends_test.cpp).
#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "app/window.h"
#include "tests/support/x11.h"
#include "tests/support/window_child.h"

namespace {
void expect_key(const InputEvent& event, char kind, int32_t code, int32_t x, int32_t y) {
    EXPECT_EQ(event.kind, kind);
    EXPECT_EQ(event.code, code);
    EXPECT_EQ(event.x, x);
    EXPECT_EQ(event.y, y);
}
}  // namespace

TEST(XlibInput, KeysArriveAsTheLowByteOfTheUnshiftedSymbol) {
    // The window has the keyboard, and the pointer has not moved over it.
    const std::function<void(InputChild&)> scenario = [](InputChild& child) {
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
    };
    const ChildResult result = run_on_test_screen<InputChild>(ScreenUse::ALONE, scenario, BACKEND_XLIB, false);
    EXPECT_CHILD_PASSED(result);
}
