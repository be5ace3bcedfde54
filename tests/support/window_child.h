#pragma once

#include <gtest/gtest.h>

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

// Runs a scenario on a fresh Child (a WindowChild built without arguments)
// in a forked child on a private 1920 x 1080 Xvfb, then runs its window. No
// result when the server does not start.
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

// The rates of the "fps: %2f" lines in a child's standard error; a line
// that starts like a report but is not one fails the test.
std::vector<double> frame_rate_reports(const std::string& err);

// Asserts in the parent that a child passed, showing its output otherwise.
#define EXPECT_CHILD_PASSED(result) EXPECT_TRUE((result).succeeded()) << (result).describe()

// Starts a private X server or fails the current test.
#define START_X_SERVER(name, ...)                                      \
    XServer name = XServer::start(__VA_ARGS__);                        \
    ASSERT_TRUE(name.running()) << "could not start Xvfb for the test"
