#pragma once

#include <cstdint>

struct CaptureOptions;

// Exit statuses of morva-capture.
inline constexpr int CAPTURE_OK = 0;
inline constexpr int CAPTURE_FAILED = 1;     // files, OpenGL, writing
inline constexpr int CAPTURE_BAD_USAGE = 2;  // the command line

// Does what the options ask with the font and music they name, and returns
// the exit status. Every failure is one line on standard error.
int run_capture(const CaptureOptions& options);
