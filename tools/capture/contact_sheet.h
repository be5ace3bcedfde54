#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "tools/capture/capture_time.h"
#include "tools/capture/image.h"

struct Font;

// The moments a contact sheet shows: one in each act, and the key moments
// of the long last act, in order of time.
std::vector<CaptureTime> contact_sheet_times();

// One picture of the sheet, already shrunk (sheet_thumbnail), with the
// line written under it.
struct SheetFrame {
    Image thumbnail;
    std::string label;
};

// A frame shrunk to a quarter of its width and height for the sheet.
Image sheet_thumbnail(const Image& frame);

// Pictures in a row of the contact sheet.
inline constexpr int32_t SHEET_COLUMNS = 4;

// The caption of a frame: the moment as asked for, the act on screen and
// the music time, such as "p30 - act 9 - 57.60 s".
std::string sheet_label(const CaptureTime& time, int32_t act, double seconds);

// The pictures in rows of SHEET_COLUMNS over a dark grey ground, each with
// its label under it in the font (baked at the label's height). Empty when
// there are none.
Image make_contact_sheet(const std::vector<SheetFrame>& frames, const Font& label_font);

// The label height, in pixels, for frames of that height.
int32_t sheet_label_pixels(int32_t frame_height);

// Writes one line of text into the image with its pen starting at (x, y)
// on the baseline, blending the font's baked glyphs in the colour.
void draw_label(Image& image, const Font& font, const std::string& text, float x, float y,
                const std::array<uint8_t, 3>& rgb);
