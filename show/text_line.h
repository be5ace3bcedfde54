#pragma once

#include <array>
#include <cstdint>

#include "geometry/rgb.h"

struct Font;

inline constexpr int32_t TEXT_LINE_CAPACITY = 512;  // 511 characters and a NUL

// One line of text scrolling across the window in window pixels: it enters
// at the right edge when set and moves left by `speed` of the width on
// every advance. The fields are the plain reads.
struct TextLine {
    const Font* font = nullptr;  // borrowed
    int32_t width = 0;           // pixels of the area the line is laid out in
    int32_t height = 0;
    float x = 0.0f;      // pen position, a fraction of the width
    float y = 0.0f;      // baseline, a fraction of the height down from the top
    float speed = 0.0f;  // fraction of the width moved per advance
    std::array<char, TEXT_LINE_CAPACITY> chars{};
    Rgb color{1.0f, 1.0f, 1.0f};
};

// The show's words in the order their cues bring them in.
inline constexpr const char* SHOW_TITLE = "tavrin presents: [ morva ]";
inline constexpr const char* SHOW_CREDITS = "code and music: tavrin  -  font design: lumvecor";
inline constexpr const char* SHOW_THANKS_1 =
    "special thanks to tessaline for having put me on rails  -  thanks to k1vo too";
inline constexpr const char* SHOW_THANKS_2 = "thanks to the demoscene for years of wonder";
inline constexpr const char* SHOW_THANKS_3 = "thanks to you for watching until the very last beat !";
inline constexpr const char* SHOW_CLOSING = "peace... love... and blinking stuffs !";

TextLine* text_line_new(const Font* font, int32_t width, int32_t height, float y, float speed);
void text_line_destroy(TextLine* line);
// Copies the text (cut at 511 characters) and starts it again at the right edge.
void text_line_set_text(TextLine* line, const char* text);
void text_line_set_color(TextLine* line, const Rgb& rgb);
void text_line_advance(TextLine* line);
// Draws the line over everything, in the line's own width x height pixels
// mapped onto the current viewport; nothing while the text is empty.
void text_line_draw(const TextLine* line);
