#pragma once

#include <array>

// Colours as geometry and the show keep them: red, green, blue (and alpha),
// each nominally 0 to 1, in single precision like the vertices they colour.
using Rgb = std::array<float, 3>;
using Rgba = std::array<float, 4>;
