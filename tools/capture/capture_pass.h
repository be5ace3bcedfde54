#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/capture/capture_time.h"
#include "tools/capture/contact_sheet.h"
#include "tools/capture/frame_chunk.h"
#include "tools/capture/image.h"
#include "tools/capture/progress_bar.h"
#include "show/show_clock.h"

struct VideoStream;

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
// off), so the frame before a picture is drawn as live. A run that keeps
// only a part of the frames (a chunk) therefore still plays the music and
// moves the show on through every frame before its part, since the
// analysis and the show remember what they have been through. The fields
// are the plain reads.
struct CapturePass {
    ShowClock clock;
    int32_t width = 0;  // the pictures
    int32_t height = 0;
    // The current OpenGL context's frame is this many times the pictures'
    // width and height; each picture is the drawing shrunk by it.
    int32_t supersample = 1;
    std::vector<Still> stills;  // still to come
    // Every frame from the first that reaches `from` to the first that
    // reaches `to`, within the chunk, written to frames_dir as PNG files
    // or handed to the stream; none while neither is set.
    std::string frames_dir;
    VideoStream* stream = nullptr;  // borrowed
    CaptureTime from;
    CaptureTime to;
    FrameChunk chunk;
    bool show_progress = true;
    ProgressBar::Output progress_output = ProgressBar::Output::lines;
    int progress_fd = -1;  // for ProgressBar::Output::report

    std::vector<SheetFrame> sheet;  // filled at the stills' sheet indices
    int64_t first_frame = -1;       // frames kept, -1 if none
    int64_t last_frame = -1;
    int64_t frames_drawn = 0;

    // Runs the show up to the last moment asked for; 0 after a line on
    // standard error when a picture cannot be written, and silently when
    // the stream stops taking frames (its finish says why).
    int32_t run();
    bool keeps_frames() const { return !frames_dir.empty() || stream != nullptr; }

    // The file of frame `index` in frames_dir, and its printf pattern.
    static std::string frame_path(const std::string& dir, int64_t index);
    static std::string frame_pattern(const std::string& dir);

private:
    int64_t planned_pictures(const FrameSpan& span) const;
};

// Draws the scene's current frame into the current context's frame of
// drawn_width x drawn_height pixels and reads it back (read_back_frame).
std::vector<uint8_t> draw_and_read_back(Scene* scene, int32_t drawn_width, int32_t drawn_height);

// The scene's current frame as a picture of width x height pixels, drawn
// into the current context's frame of `factor` times that size.
Image draw_show_frame(Scene* scene, int32_t width, int32_t height, int32_t factor = 1);
