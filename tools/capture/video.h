#pragma once

#include <cstdint>
#include <string>

// The full path of an executable program found on the PATH, or empty.
std::string find_program(const std::string& name);

// Encodes the numbered PNG frames (a printf pattern such as
// "DIR/frame-%06d.png", starting at `first_frame`) at `fps` frames a second
// with the sound of `wav_path` into an H.264/AAC MP4 file, by running
// ffmpeg. 1, or 0 with one line on standard error when ffmpeg fails.
int32_t encode_video(const std::string& ffmpeg, const std::string& frame_pattern, int64_t first_frame,
                     int32_t fps, const std::string& wav_path, const std::string& output);
