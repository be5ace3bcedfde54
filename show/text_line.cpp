#include "show/text_line.h"

#include <cstring>

#include "gui/font.h"

TextLine* text_line_new(const Font* font, int32_t width, int32_t height, float y, float speed) {
    return new TextLine{.font = font, .width = width, .height = height, .y = y, .speed = speed};
}

void text_line_destroy(TextLine* line) { delete line; }

void text_line_set_text(TextLine* line, const char* text) {
    const size_t length = text == nullptr ? 0 : strnlen(text, TEXT_LINE_CAPACITY - 1);
    if (length > 0) std::memcpy(line->chars.data(), text, length);
    line->chars[length] = '\0';
    line->x = 1.0f;
}

void text_line_set_color(TextLine* line, const Rgb& rgb) { line->color = rgb; }

void text_line_advance(TextLine* line) { line->x -= line->speed; }

void text_line_draw(const TextLine* line) {
    if (line->font == nullptr || line->chars[0] == '\0') return;
    draw_text_in_window_pixels(*line->font, line->chars.data(), line->width, line->height, line->x,
                               line->y, line->color[0], line->color[1], line->color[2]);
}
