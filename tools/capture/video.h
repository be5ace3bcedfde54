#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

// The capture's videos, all made by running ffmpeg. Every video is written
// under a hidden name beside its own (partial_path) and given its name
// only once ffmpeg has finished it, so a failed or interrupted run leaves
// nothing half-written under the name asked for.

// The full path of an executable program found on the PATH, or empty.
std::string find_program(const std::string& name);

// What a video is for, which decides its sound: one to watch (AAC, which
// every player takes), or a chunk to join with others (ALAC, lossless: the
// join takes exactly the samples of each chunk and encodes the music once,
// so no seam can be heard and sound and picture stay in step).
enum class VideoUse { watch, chunk };

// A file beside `path`, hidden, for work towards it:
// "DIR/.NAME.ROLE-PID.EXTENSION".
std::string partial_path(const std::string& path, const std::string& role, const std::string& extension);
// The extension of `path` without its dot ("mp4"), or empty.
std::string extension_of(const std::string& path);

// Whether the name's extension calls for a container that holds the
// capture's videos (H.264 with AAC, or with ALAC in a chunk): MP4, M4V, MOV
// or Matroska, in either case. ffmpeg picks the container by the extension
// and refuses the others, but only once it is handed the frames.
bool holds_capture_video(const std::string& path);
inline constexpr const char* CAPTURE_VIDEO_EXTENSIONS = ".mp4, .m4v, .mov or .mkv";

// The command that encodes raw rgb24 frames of width x height pixels, read
// from standard input, at `fps` frames a second into `output`, a video
// without sound.
std::vector<std::string> raw_frames_command(const std::string& ffmpeg, int32_t width, int32_t height, int32_t fps,
                                            const std::string& output);

// Encodes the numbered PNG frames (a printf pattern such as
// "DIR/frame-%06d.png", starting at `first_frame`) at `fps` frames a second
// with the sound of `wav_path` into an H.264/AAC video. 1, or 0 with one
// line on standard error when ffmpeg fails.
int32_t encode_video(const std::string& ffmpeg, const std::string& frame_pattern, int64_t first_frame,
                     int32_t fps, const std::string& wav_path, const std::string& output);

// Puts a video without sound (made by a VideoStream) and the music of
// `wav_path` together into `output`, the picture copied as it is. 1, or 0
// with one line on standard error.
int32_t add_music(const std::string& ffmpeg, const std::string& picture, const std::string& wav_path,
                  const std::string& output, VideoUse use);

// Joins chunks made for the purpose (VideoUse::chunk), in the order given,
// into `output`: the pictures copied as they are, the music of all of them
// encoded once. 1, or 0 with one line on standard error.
int32_t join_videos(const std::string& ffmpeg, const std::vector<std::string>& chunks, const std::string& output,
                    VideoUse use);

// Starts ffmpeg with these arguments (the program first), its standard
// input the read end of a new pipe when `input` is given (the write end is
// then returned there), else /dev/null. The child's pid, or -1 after a line
// on standard error.
pid_t start_ffmpeg(const std::vector<std::string>& arguments, int* input);

// Waits for an ffmpeg started by start_ffmpeg; 1 when it made `output`,
// else 0 after a line on standard error.
int32_t wait_for_ffmpeg(pid_t pid, const std::string& output);
