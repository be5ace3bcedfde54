#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "show/show_files.h"
#include "tools/capture/capture_time.h"
#include "tools/capture/gl_context.h"

// What one run of morva-capture is asked to make. The fields are the plain
// reads.
struct CaptureOptions {
    int32_t width = 1920;  // the frame, which plays the part of the screen
    int32_t height = 1080;
    int32_t fps = 30;  // frames a second of the show being run
    ContextChoice context = ContextChoice::automatic;
    std::vector<CaptureTime> at;  // --at: one PNG each in out_dir
    std::string out_dir;
    std::string sheet_path;  // --sheet
    std::string frames_dir;  // --frames: every frame from `from` to `to`
    CaptureTime from;        // seconds 0 unless given
    CaptureTime to;          // the end unless given
    std::string video_path;  // --video; frames_dir/morva.mp4 when empty
    ShowFiles files;         // --music, --font; else as find_show_files finds them
    bool help = false;
    bool version = false;
};

// The limits of the numbers on the command line.
inline constexpr int32_t SMALLEST_SIDE = 16;
inline constexpr int32_t LARGEST_SIDE = 8192;
inline constexpr int32_t LARGEST_FPS = 240;

// Reads the command line (argv[0] is the program); 0 with one line on
// standard error when it is wrong.
int32_t parse_capture_options(int argc, const char* const* argv, CaptureOptions& out);

// The text --help prints.
const char* capture_usage();
