#pragma once

#include <cstdint>
#include <string>

struct CaptureOptions;

// How many processes draw the run: with a streamed video and nothing else
// (no stills, no sheet), --jobs or one per core, so that a video is cut
// into no more parts than a chunk can name; else 1.
int32_t capture_jobs(const CaptureOptions& options);

// Draws the streamed video in `jobs` processes at once, each this program
// run again for one consecutive part of the frames (--chunk) into a chunk
// in a hidden folder beside the video, reporting its progress through a
// pipe (CAPTURE_REPORT_FD_VARIABLE); shows one progress bar for all of
// them, and joins the chunks into the video. Every frame is the frame a
// single process would draw: each part plays the music and moves the show
// on from the start, as the single process does. When a part fails, its
// lines on standard error are passed on, the others are stopped and the
// hidden folder removed. Returns the exit status.
int capture_in_parts(const CaptureOptions& options, int32_t jobs, const std::string& ffmpeg);
