#pragma once

#include <cstdint>

struct Application;
struct Widget;
struct WindowGeometry;

// A widget that shows its Parameter (slot 0, borrowed) as a circular dial
// with a pointer and the value as text below, and turns pointer drags into
// changes of the value. Without a Parameter the dial is drawn empty and
// drags do nothing.
Widget* create_knob(Application* application, WindowGeometry* geometry, const char* title,
                    int32_t title_centered, int32_t title_above, double x, double y, double width,
                    double height);

// The direction of the pointer in degrees for a normalised value: 210 at 0,
// 90 at 0.5, -30 at 1, turning clockwise as the value grows.
double knob_pointer_angle(double normalized);

// The knob behavior's draw function: the dial rests on the widget's
// bottom-left corner with the widget's width as its diameter.
void knob_draw(Widget* widget);

// The knob behavior's drag function: the larger of the two movements, the
// horizontal one counted in window heights, moves the normalised value by
// twice its size.
void knob_drag(Widget* widget, double u, double v, double du, double dv);
