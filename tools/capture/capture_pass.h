#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/capture/capture_time.h"
#include "tools/capture/contact_sheet.h"
#include "tools/capture/image.h"
#include "tools/capture/show_clock.h"

// A moment to keep a picture of: written to `path`, or kept as picture
// `sheet_index` of the contact sheet.
struct Still {
    CaptureTime time;
    std::string path;
    int32_t sheet_index = -1;
};

// One run of the show from its start for as long as anything asked for
// lies ahead. Every frame moves the show on (ShowClock); a frame is drawn
// when a picture is wanted of it, and also when one may be wanted of the
// next: the live show draws every frame, and a frame leaves OpenGL state
// behind for the next (once the credit line has been drawn, blending stays
// off), so the frame before a picture is drawn as live. The fields are the
// plain reads.
struct CapturePass {
    ShowClock clock;
    int32_t width = 0;  // the frame of the current OpenGL context
    int32_t height = 0;
    std::vector<Still> stills;       // still to come
    // Every frame from the first that reaches `from` to the first that
    // reaches `to`, written to frames_dir; none while it is empty.
    std::string frames_dir;
    CaptureTime from;
    CaptureTime to;
    bool show_progress = true;

    std::vector<SheetFrame> sheet;  // filled at the stills' sheet indices
    int64_t first_frame = -1;       // frames written, -1 if none
    int64_t last_frame = -1;
    int64_t frames_drawn = 0;

    // Runs the show up to the last moment asked for; 0 after a line on
    // standard error when a picture cannot be written.
    int32_t run();

    // The file of frame `index` in frames_dir, and its printf pattern.
    static std::string frame_path(const std::string& dir, int64_t index);
    static std::string frame_pattern(const std::string& dir);
};

// Draws the scene's current frame into the current context's frame of
// width x height pixels and reads it back.
Image draw_show_frame(Scene* scene, int32_t width, int32_t height);
