#pragma once

#include "app/window.h"
#include "tests/support/window_child.h"

// A GLUT window under test, inside a forked child (freeglut's loop never
// returns).
struct GlutChild : WindowChild {
    // Creates the application and a GLUT window of the given relative size.
    explicit GlutChild(double relative_width = 0.5, double relative_height = 0.5)
        : WindowChild(BACKEND_GLUT, 0, relative_width, relative_height) {}
};
