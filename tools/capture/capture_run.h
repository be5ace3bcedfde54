#pragma once

#include <cstdint>

struct CaptureOptions;

// Exit statuses of morva-capture.
inline constexpr int CAPTURE_OK = 0;
inline constexpr int CAPTURE_FAILED = 1;     // files, OpenGL, writing
inline constexpr int CAPTURE_BAD_USAGE = 1;  // the command line: a failure like any other

// Does what the options ask with the font and music they name, and returns
// the exit status. Every failure is one line on standard error.
int run_capture(const CaptureOptions& options);

// The environment variable through which a process drawing a part of the
// frames for another (--jobs) is given the pipe to report its progress to.
inline constexpr const char* CAPTURE_REPORT_FD_VARIABLE = "MORVA_CAPTURE_REPORT_FD";

// The pipe this run reports its progress to, or -1 when it shows its own:
// only a run of one job that was handed a pipe that is open reports.
int capture_report_fd(const CaptureOptions& options);
