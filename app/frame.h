#pragma once

#include <cstdint>

#include "app/color.h"

struct Window;
struct WindowGeometry;

// Frame steps shared by the window backends.

// The fixed OpenGL state all drawing in the toolkit assumes; set once, right
// after the context is created.
void set_fixed_gl_state();

// The window's style colour "bg-color", or opaque black when the window has
// no style or the style lacks the key.
Color frame_background(const Window* window);

// Clears the colour and depth buffers to the frame background.
void clear_frame(const Window* window);

// The steps of a frame every backend shares: clear to the frame background,
// the display slot, the frame-rate report while the window's backend has it
// on, and glFlush. The caller makes its context current first and swaps the
// buffers after; the report counters are the backend's own.
void draw_frame(Window& window, int64_t& last_report_ms, int32_t& frames);

// Counts one frame towards the frame-rate report. Every 100th frame writes
// "fps: %2f\n" to standard error with the rate since the previous report and
// restarts the count.
void count_frame_for_report(int64_t& last_report_ms, int32_t& frames);

// The viewport and the one-unit-per-pixel 2D projection (origin bottom-left,
// depth -10 to 10) for a window of width x height pixels whose geometry has
// already been updated; leaves the model-view matrix current and identity.
void set_pixel_projection(const WindowGeometry& geometry, int32_t width, int32_t height);
