#pragma once

#include <array>

// Reads of the current OpenGL context for tests.

// Red, green, blue and alpha of one back-buffer pixel (bottom-left
// origin), 0 to 255 each, once everything drawn so far is done.
std::array<int, 4> pixel_at(int x, int y);

// A matrix of the current context, column-major (GL_PROJECTION_MATRIX, ...).
std::array<float, 16> gl_matrix(unsigned int which);

// The column-major matrix of glOrtho(0, w, 0, h, -10, 10).
std::array<float, 16> ortho_matrix(float w, float h);

// The viewport of the current context: x, y, width, height.
std::array<int, 4> gl_viewport();

// Expects the fixed GL state every backend sets before calling init, and a
// double-buffered context with a depth buffer.
void expect_fixed_gl_state();
