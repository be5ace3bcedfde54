#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "tests/support/test_window.h"
#include "tests/support/x_client.h"
#include "tests/support/x_server.h"

struct Application;
struct Window;

// A window under test, inside a forked child, with the hooks attached and a
// test connection to the child's display. Unless overridden, idle advances
// the script; the hooks and the script run in the child.
struct WindowChild {
    Application* application = nullptr;
    Window* window = nullptr;
    WindowHooks hooks;
    Script script;
    XClient x;  // the test's own connection to the child's display

    WindowChild(int32_t backend_kind, uint32_t parent_window, double relative_width,
                double relative_height);
    // Adds the first step of most scripts: waiting until the window is viewable.
    Script& when_viewable();
    // Runs the window with the given command line and expects its loop never
    // to return.
    [[noreturn]] void run(std::vector<std::string> arguments = {"morva-test"});
};

// Runs a scenario on a fresh Child, built from the arguments, in a forked
// child on the test screen held for the given use, then runs its window.
// No result (and a failed case) when the screen cannot be had.
template <typename Child, typename... Arguments>
ChildResult run_on_test_screen(ScreenUse use, const std::function<void(Child&)>& scenario,
                               Arguments... arguments) {
    ScreenLease lease(use);
    if (!lease.held()) {
        ADD_FAILURE() << "no test screen for the case";
        return ChildResult{};
    }
    return run_window_child(lease.display(), [&] {
        Child child(arguments...);
        scenario(child);
        child.run();
    });
}

// The same on a private 1920 x 1080 Xvfb of the case's own.
template <typename Child>
ChildResult run_on_private_screen(const std::function<void(Child&)>& scenario) {
    XServer server = XServer::start(1920, 1080);
    if (!server.running()) return ChildResult{};
    return run_window_child(server.display(), [&] {
        Child child;
        scenario(child);
        child.run();
    });
}

// A top-level window of either backend whose slots record every key,
// special key and button event and every motion, with the keyboard on it:
// before the scenario's own steps the window has the keyboard focus and,
// unless asked otherwise, the pointer rests on its pixel (100, 50), so that
// both backends report that position.
struct InputChild : WindowChild {
    std::vector<InputEvent> events;
    std::vector<std::array<int32_t, 2>> motions;

    explicit InputChild(int32_t backend_kind, bool place_pointer = true);
    // Moves the pointer to a pixel of the window, from its top-left.
    void point_at(int x, int y);
    void tap_key(unsigned long keysym);
    // Waits until `count` events have arrived.
    Script& expect_events(size_t count);
    // Taps a key the cases leave alone (F12) and waits until its release
    // has reached the slots: the window's events come in the order they
    // were sent, so everything sent before has been handled by then. The
    // barrier's own two events are taken out of `events` again.
    Script& barrier();

private:
    WindowRect rect_;  // where the window sits on the screen
};

// The rates of the "fps: %2f" lines in a child's standard error; a line
// that starts like a report but is not one fails the test.
std::vector<double> frame_rate_reports(const std::string& err);

// Asserts in the parent that a child passed, showing its output otherwise.
#define EXPECT_CHILD_PASSED(result) EXPECT_TRUE((result).succeeded()) << (result).describe()
