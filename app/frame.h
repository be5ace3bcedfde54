#pragma once

#include <cstdint>

#include "app/color.h"

struct BackendState;
struct Window;
struct WindowGeometry;

// Frame steps shared by the window backends, and the clocks they read.

// The fixed OpenGL state all drawing in the toolkit assumes; set once, right
// after the context is created.
void set_fixed_gl_state();

// The window's style colour "bg-color", or opaque black when the window has
// no style or the style lacks the key.
Color frame_background(const Window* window);

// Clears the colour and depth buffers to the frame background.
void clear_frame(const Window* window);

// The steps of a frame every backend shares, for the backend's window:
// clear to the frame background, the display slot, the frame-rate report
// while the backend has it on, and glFlush. The caller makes its context
// current first and swaps the buffers after.
void draw_frame(BackendState& backend);

// Counts one frame towards the backend's frame-rate report. Every 100th
// frame writes "fps: %2f\n" to standard error with the rate since the
// previous report and restarts the count.
void count_frame_for_report(BackendState& backend);

// The viewport and the one-unit-per-pixel 2D projection (origin bottom-left,
// depth -10 to 10) for a window of width x height pixels whose geometry has
// already been updated; leaves the model-view matrix current and identity.
void set_pixel_projection(const WindowGeometry& geometry, int32_t width, int32_t height);

// Processor time used by the process so far, in seconds.
double clock_seconds();

// Wall-clock time in whole milliseconds (gettimeofday), as the frame-rate
// reports measure it.
int64_t wall_clock_ms();
