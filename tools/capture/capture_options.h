#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "show/show_files.h"
#include "tools/capture/capture_time.h"
#include "tools/capture/frame_chunk.h"
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
    int32_t jobs = 0;         // --jobs: drawing processes; 0: one per core
    int32_t supersample = 1;  // --supersample: drawn at this many times the size
    FrameChunk chunk;         // --chunk K/N: only that part of the frames
    std::string join_path;    // --join OUT CHUNK...: the chunks joined into OUT
    std::vector<std::string> join_inputs;
    std::vector<std::string> arguments;  // the command line as given, after the program
    ShowFiles files;         // --music, --font; else as find_show_files finds them
    bool help = false;
    bool version = false;
};

// Whether the run makes its video by piping frames straight to ffmpeg:
// --video without --frames.
bool streams_video(const CaptureOptions& options);

// The limits of the numbers on the command line.
inline constexpr int32_t SMALLEST_SIDE = 16;
inline constexpr int32_t LARGEST_SIDE = 8192;
inline constexpr int32_t LARGEST_FPS = 240;
inline constexpr int32_t LARGEST_JOBS = 256;
inline constexpr int32_t LARGEST_SUPERSAMPLE = 4;

// Reads the command line (argv[0] is the program); 0 with one line on
// standard error when it is wrong.
int32_t parse_capture_options(int argc, const char* const* argv, CaptureOptions& out);

// The text --help prints.
const char* capture_usage();
