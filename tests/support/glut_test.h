#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/test_window.h"
#include "tests/support/x_client.h"
#include "tests/support/x_server.h"

struct Application;
struct Style;
struct Window;

// A GLUT window under test, inside a forked child (freeglut's loop never
// returns). The hooks and the script run in the child.
struct GlutChild {
    Application* application = nullptr;
    Window* window = nullptr;
    WindowHooks hooks;
    Script script;
    XClient x;  // the test's own connection to the child's display

    // Creates the application and a GLUT window of the given relative size
    // with the hooks attached; idle advances the script unless overridden.
    GlutChild(double relative_width = 0.5, double relative_height = 0.5);
    // Adds the first step of most scripts: waiting until the window is viewable.
    Script& when_viewable();
    // Runs the window with the given command line; does not return.
    [[noreturn]] void run(std::vector<std::string> arguments = {"morva-test"});
};

// Asserts in the parent that a child passed, showing its output otherwise.
#define EXPECT_CHILD_PASSED(result) EXPECT_TRUE((result).succeeded()) << (result).describe()

// Starts a private X server or fails the current test.
#define START_X_SERVER(name, ...)                                      \
    XServer name = XServer::start(__VA_ARGS__);                        \
    ASSERT_TRUE(name.running()) << "could not start Xvfb for the test"
