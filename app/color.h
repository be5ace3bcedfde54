#pragma once

// A colour as four doubles, each nominally 0 to 1; copied by value.
struct Color {
    double red = 0.0;
    double green = 0.0;
    double blue = 0.0;
    double alpha = 0.0;
};
