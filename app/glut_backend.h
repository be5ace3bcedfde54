#pragma once

#include <cstdint>

#include "app/window.h"

// The freeglut backend: a double-buffered RGBA window with a depth buffer,
// the fixed GL state, one adapter per window-system event and freeglut's
// main loop. Frames run free: every idle pass requests a redisplay.
// The saved windowed size follows the user's resizes while windowed.
struct GlutBackend : BackendState {
    // Makes the window the process's current GLUT window and writes the
    // GLUT key codes. No native window exists until run.
    static GlutBackend* create(Window* window);
    // Frees the record; freeglut itself is not shut down.
    static void release(GlutBackend* backend);

    // Initialises freeglut with the command line, opens the window centred on
    // the screen, calls the init slot and enters the main loop for good.
    void run(int argc, char** argv);
    void toggle_fullscreen();
    // The window system reports a new size in pixels.
    void reshape(int32_t width, int32_t height);
};
