#pragma once

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/child_process.h"
#include "tests/support/sound_files.h"
#include "tests/support/x_client.h"

// What the capture tests share: folders to run morva-capture in, holding
// the repository's font and a short track composed in the build, and PNG
// files read back as pixels.

// Reads a PNG file as a Picture (rows from the top); an empty picture (and a failed test) when it cannot.
Picture read_png(const std::string& path);


// A folder to run the show's programs in: font/ with the repository's font,
// sounds/ with a copy of the test track of the given length.
class ShowFolder {
public:
    explicit ShowFolder(const char* track_seconds, bool with_font = true, bool with_music = true);
    const std::string& path() const { return dir_.path(); }
    std::string file(const std::string& name) const { return dir_.file(name); }

private:
    TempDir dir_;
};

// Runs morva-capture with the arguments in the folder as a user without
// any X display runs it, with the settings the sanitizer build needs for a
// program that draws with Mesa.
ChildResult capture(const ShowFolder& folder, const std::vector<std::string>& arguments,
                    const std::vector<std::pair<std::string, std::string>>& extra_env = {},
                    std::chrono::milliseconds timeout = CASE_TIME_LIMIT);

// A program that draws with Mesa (an installed copy of morva-capture, say)
// run in the folder with drawing_program_environment.
ChildResult run_drawing_program(const std::vector<std::string>& argv, const std::string& folder,
                                const std::vector<std::pair<std::string, std::string>>& extra_env = {},
                                std::chrono::milliseconds timeout = CASE_TIME_LIMIT);

// Expects a failure of morva-capture with that status and exactly one line
// on standard error, naming what.
void expect_one_line_failure(const ChildResult& result, int status, const std::string& what);

// The lines a run wrote on standard error that are errors of its own
// ("morva-capture: ..." lines other than the context report and the note
// of a video written).
std::vector<std::string> capture_complaints(const std::string& err);

// A video as ffprobe sees it; empty fields for a stream it lacks.
struct VideoFacts {
    std::string picture_codec;
    int width = 0;
    int height = 0;
    int64_t frames = 0;  // counted by decoding
    std::string sound_codec;
    double sound_seconds = 0.0;
};
VideoFacts probe_video(const std::string& path);

// The MD5 of every decoded picture of the video, in order (ffmpeg's framemd5).
std::vector<std::string> frame_hashes(const std::string& path);

// The video's sound decoded to interleaved 32-bit floats.
std::vector<float> decoded_sound(const std::string& path);

// The names in a folder, sorted; and those that begin with a dot: work
// files left behind.
std::vector<std::string> names_in(const std::string& folder);
std::vector<std::string> hidden_files(const std::string& folder);

// The name of one of the PNG files --frames writes: frame-000050.png.
std::string frame_name(int frame);
