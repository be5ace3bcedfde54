#pragma once

#include <cstdint>
#include <vector>

// What has been drawn into the current context's frame of width x height
// pixels (its back buffer), as RGBA rows from the top of the frame.
void read_frame(int32_t width, int32_t height, std::vector<uint8_t>& rgba);
