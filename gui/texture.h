#pragma once

#include <cstdint>

// Mipmapped RGBA textures drawn as rectangles. Texture names are those of
// OpenGL; 0 stands for no texture.

// Uploads tightly packed 8-bit RGBA pixels as a mipmapped texture (bilinear
// within the nearest mipmap level) and returns its name. An image
// wider or taller than TEXTURE_SIDE_LIMIT is first resized to fit, each side
// clamped on its own. No pixels or a size that is not positive: one line on
// standard error and 0.
int32_t create_texture(const uint8_t* pixels, int32_t width, int32_t height);

// Releases the texture; a negative name does nothing.
void delete_texture(int32_t name);

// The texture, in white, over the rectangle from (x, y) to (x + width, y + height).
void draw_texture(int32_t name, double x, double y, double width, double height);
