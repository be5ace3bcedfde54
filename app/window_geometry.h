#pragma once

#include <cstdint>

// The screen's size in pixels and the window's size as fractions of it.
// The window's pixel size is never stored: it is screen size x fraction,
// computed wherever it is needed. The fields are the plain reads.
struct WindowGeometry {
    int32_t screen_width = 0;   // written once by the backend
    int32_t screen_height = 0;  // written once by the backend
    double relative_width = 0.0;
    double relative_height = 0.0;

    static WindowGeometry* create();
    static void release(WindowGeometry* geometry);

    void set_screen_size(int32_t width, int32_t height);
    void set_relative(double width, double height);

    // True once the backend has recorded a usable screen size; until then
    // pixel sizes cannot be turned into fractions.
    bool screen_known() const { return screen_width > 0 && screen_height > 0; }
    int32_t pixel_width() const { return static_cast<int32_t>(screen_width * relative_width); }
    int32_t pixel_height() const { return static_cast<int32_t>(screen_height * relative_height); }
};
