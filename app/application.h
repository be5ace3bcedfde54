#pragma once

#include "app/color.h"

struct Window;

// The drawing state shared by every widget: stroke colour, fill colour and
// line width. The application owns the one instance.
struct DrawState {
    Color color{1.0, 1.0, 1.0, 1.0};       // outlines, lines and text
    Color fill_color{0.0, 0.0, 0.0, 0.0};  // interiors; alpha <= 0 means no fill
    double line_width = 1.5;

    static DrawState* create();
    static void destroy(DrawState* state);

    void set_color(const Color& c) { color = c; }
    Color get_color() const { return color; }
    void set_fill_color(const Color& c) { fill_color = c; }
    Color get_fill_color() const { return fill_color; }
    void set_line_width(double width) { line_width = width; }
};

// The process's root record: it owns the drawing state and knows the window
// created last. The fields are the plain reads.
struct Application {
    DrawState* draw_state = nullptr;  // owned
    Window* window = nullptr;         // borrowed; none until a Window is created

    static Application* create();
    // Releases the drawing state and the record. The window stays alive and
    // is told its application is gone (its application becomes none).
    static void destroy(Application* application);

    void set_window(Window* w) { window = w; }
};
