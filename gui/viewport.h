#pragma once

#include <cstdint>

#include "app/color.h"

struct Application;
struct Widget;
struct WindowGeometry;

// Draws a viewport's contents inside its own area, with its own projection.
using ViewportDrawFn = void (*)(Widget* viewport);

// The viewport kind's own data, owned by its behavior.
struct ViewportData {
    ViewportDrawFn draw_callback = nullptr;
    float demo_angle = 0.0f;  // degrees the demonstration cube has turned
    int32_t outline = 0;      // 1: outline the area after drawing
    Color background{0.0, 0.0, 0.0, 1.0};
};

// A widget that gives a draw callback its own piece of the window: the GL
// viewport and scissor box point at the widget's area, which is cleared to
// the background before the callback runs; the window's viewport is
// restored afterwards.
Widget* create_viewport(Application* application, WindowGeometry* geometry, const char* title,
                        int32_t title_centered, int32_t title_above, ViewportDrawFn draw_callback,
                        double x, double y, double width, double height, int32_t outline);

// The viewport's data, or none for a widget of another kind.
ViewportData* viewport_data(const Widget* widget);

// Sets red, green and blue of the clear colour; alpha stays. Nothing for a
// widget of another kind.
void set_background(Widget* widget, double red, double green, double blue);

// The area's width over its height in whole pixels; 1 while the area has
// no height.
float aspect(const Widget* widget);

// The viewport behavior's draw function.
void viewport_widget_draw(Widget* widget);

// A draw callback for trying a viewport out: a unit cube, white with green
// edges, turning one degree about the y axis per frame.
void viewport_demo_draw(Widget* widget);
