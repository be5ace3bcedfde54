#include "tools/capture/contact_sheet.h"

#include <algorithm>
#include <array>
#include <cstdio>

#include "gui/font.h"
#include "gui/image_resize.h"

namespace {
constexpr int32_t SHRINK = 4;
constexpr uint8_t GROUND = 40;  // dark grey: a black frame still shows its edges
constexpr std::array<uint8_t, 3> LABEL_COLOR = {230, 230, 230};

int32_t gap_of(int32_t thumb_height) { return std::max(4, thumb_height / 30); }
int32_t band_of(int32_t label_pixels) { return label_pixels * 3 / 2; }

}  // namespace

Image sheet_thumbnail(const Image& frame) {
    Image thumb;
    thumb.width = std::max(1, frame.width / SHRINK);
    thumb.height = std::max(1, frame.height / SHRINK);
    thumb.rgba = resize_rgba(frame.rgba.data(), frame.width, frame.height, thumb.width, thumb.height);
    if (thumb.rgba.empty()) thumb = Image::filled(thumb.width, thumb.height, 0, 0, 0);
    return thumb;
}

std::vector<CaptureTime> contact_sheet_times() {
    std::vector<CaptureTime> times;
    for (const char* text : {"p1", "p3", "p5", "p7", "p10", "p15", "p18", "p22", "p30", "p45", "p80", "end"}) {
        CaptureTime time;
        parse_capture_time(text, time);
        times.push_back(time);
    }
    return times;
}

std::string sheet_label(const CaptureTime& time, int32_t act, double seconds) {
    std::array<char, 96> text{};
    std::snprintf(text.data(), text.size(), "%s - act %d - %.2f s", time.text.c_str(), act, seconds);
    return text.data();
}

int32_t sheet_label_pixels(int32_t frame_height) { return std::max(10, frame_height / SHRINK / 10); }

void draw_label(Image& image, const Font& font, const std::string& text, float x, float y,
                const std::array<uint8_t, 3>& rgb) {
    const int32_t side = font.atlas_side;
    const auto atlas_pixels = [side](float coordinate) { return static_cast<int32_t>(coordinate * side + 0.5f); };
    for (char c : text) {
        const auto code = static_cast<signed char>(c);
        if (code < FONT_FIRST_CHAR) continue;
        const stbtt_aligned_quad q = font.glyph_quad(code, &x, &y);
        const int32_t left = static_cast<int32_t>(q.x0), top = static_cast<int32_t>(q.y0);
        const int32_t atlas_left = atlas_pixels(q.s0), atlas_top = atlas_pixels(q.t0);
        const int32_t w = static_cast<int32_t>(q.x1 - q.x0), h = static_cast<int32_t>(q.y1 - q.y0);
        // A glyph baked smaller than it is drawn takes its nearest texel.
        const int32_t atlas_w = atlas_pixels(q.s1) - atlas_left, atlas_h = atlas_pixels(q.t1) - atlas_top;
        for (int32_t row = 0; row < h; ++row) {
            for (int32_t col = 0; col < w; ++col) {
                const int32_t px = left + col, py = top + row;
                const int32_t ax = atlas_left + col * atlas_w / w, ay = atlas_top + row * atlas_h / h;
                if (px < 0 || py < 0 || px >= image.width || py >= image.height) continue;
                if (ax < 0 || ay < 0 || ax >= side || ay >= side) continue;
                const int32_t alpha = font.atlas[static_cast<size_t>(ay) * static_cast<size_t>(side) + ax];
                uint8_t* pixel = &image.rgba[(static_cast<size_t>(py) * image.width + px) * 4];
                for (size_t k = 0; k < 3; ++k)
                    pixel[k] = static_cast<uint8_t>((rgb[k] * alpha + pixel[k] * (255 - alpha) + 127) / 255);
            }
        }
    }
}

Image make_contact_sheet(const std::vector<SheetFrame>& frames, const Font& label_font) {
    if (frames.empty()) return {};
    const int32_t thumb_w = frames.front().thumbnail.width, thumb_h = frames.front().thumbnail.height;
    const int32_t label_pixels = static_cast<int32_t>(label_font.pixel_height);
    const int32_t gap = gap_of(thumb_h), band = band_of(label_pixels);
    const auto count = static_cast<int32_t>(frames.size());
    const int32_t columns = std::min(SHEET_COLUMNS, count);
    const int32_t rows = (count + SHEET_COLUMNS - 1) / SHEET_COLUMNS;
    Image sheet = Image::filled(gap + columns * (thumb_w + gap), gap + rows * (thumb_h + band + gap), GROUND,
                                GROUND, GROUND);
    for (int32_t i = 0; i < count; ++i) {
        const int32_t x = gap + (i % SHEET_COLUMNS) * (thumb_w + gap);
        const int32_t y = gap + (i / SHEET_COLUMNS) * (thumb_h + band + gap);
        sheet.paste(frames[static_cast<size_t>(i)].thumbnail, x, y);
        draw_label(sheet, label_font, frames[static_cast<size_t>(i)].label, static_cast<float>(x),
                   static_cast<float>(y + thumb_h + label_pixels), LABEL_COLOR);
    }
    return sheet;
}
