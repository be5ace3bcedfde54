#pragma once

#include <array>

struct DrawState;

// A corner of a quad: (x, y) in the current projection's units.
struct Point2 {
    double x = 0.0;
    double y = 0.0;
};

// Four corners in drawing order.
struct Quad {
    std::array<Point2, 4> corners{};
};

// Immediate-mode primitives drawn with the shared DrawState. Each one works
// under the identity model-view matrix at z = 0 (pushed and popped around
// its geometry), so coordinates are those of the current projection: window
// pixels from the bottom-left under the window's 2D projection. They leave
// the GL current colour and line width changed and never enable blending
// themselves.

// One segment in `color` at `line_width`.
void draw_line(const DrawState& state, double x1, double y1, double x2, double y2);

// The interior in `fill_color` when its alpha is above 0, then the outline
// in `color` at `line_width`.
void draw_quad(const DrawState& state, const Quad& quad);

// draw_quad of an axis-aligned rectangle around a centre.
void draw_rect(const DrawState& state, double centre_x, double centre_y, double width,
               double height);

// A 64-sided disc in `fill_color` (when its alpha is above 0) and a
// 64-sided outline in `color` at 1.2 x `line_width`.
void draw_circle(const DrawState& state, double centre_x, double centre_y, double radius);

// Vector text in the mono-spaced stroke font, starting at (x, y) on its
// baseline; size 10 draws the font at its own 119-unit height. Needs
// freeglut initialised.
void draw_stroke_text(const DrawState& state, const char* text, double x, double y, double size);

// The width draw_stroke_text covers for the text at this size. Needs
// freeglut initialised.
double stroke_text_width(const DrawState& state, const char* text, double size);
