#pragma once

#include <cstdint>
#include <vector>

// What has been drawn into the current context's frame of width x height
// pixels (its back buffer), as OpenGL hands it over: RGBA rows from the
// bottom of the frame (image_from_readback turns them the right way up).
void read_back_frame(int32_t width, int32_t height, std::vector<uint8_t>& bottom_up);
