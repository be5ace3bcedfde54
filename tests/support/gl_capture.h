#pragma once

#include <array>
#include <functional>
#include <vector>

#include "tests/support/gl_checks.h"
#include "tests/support/glut_test.h"

struct Application;
struct Window;

// One vertex as OpenGL's feedback mode reports it: window coordinates,
// colour and texture coordinates.
struct FeedbackVertex {
    float x = 0, y = 0, z = 0;
    std::array<float, 4> color{};
    std::array<float, 4> tex{};
};

// The primitives a piece of drawing emitted, in order.
struct Feedback {
    std::vector<std::array<FeedbackVertex, 2>> lines;
    std::vector<std::vector<FeedbackVertex>> polygons;
    int points = 0;
};

// The bounding box of some feedback vertices.
struct Extent {
    float min_x = 1e9f, max_x = -1e9f, min_y = 1e9f, max_y = -1e9f;
    void add(const FeedbackVertex& v);
};
Extent extent_of(const std::vector<std::array<FeedbackVertex, 2>>& lines);
Extent extent_of(const std::vector<std::vector<FeedbackVertex>>& polygons);

// Checks that feedback holds just the four unfilled lines of an
// axis-aligned rectangle's outline, drawn from its bottom-left corner.
void expect_outline_only(const Feedback& feedback, float left, float bottom, float right, float top);

// Runs the drawing in feedback mode (nothing reaches the frame buffer) and
// returns what it emitted.
Feedback capture_feedback(const std::function<void()>& draw);

// What a GL check runs in: a 960 x 540 GLUT window on the 1920 x 1080 test
// screen with the default style, its 2D pixel projection set.
struct GlWindow {
    Application* application = nullptr;
    Window* window = nullptr;
};

// Runs `check` once inside a viewable window's loop, in a forked child;
// returns the child's verdict with its output.
ChildResult run_gl_check(const std::function<void(GlWindow&)>& check);
