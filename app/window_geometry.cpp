#include "app/window_geometry.h"

WindowGeometry* WindowGeometry::create() { return new WindowGeometry{}; }

void WindowGeometry::release(WindowGeometry* geometry) { delete geometry; }

void WindowGeometry::set_screen_size(int32_t width, int32_t height) {
    screen_width = width;
    screen_height = height;
}

void WindowGeometry::set_relative(double width, double height) {
    relative_width = width;
    relative_height = height;
}
