#pragma once

#include <sys/types.h>

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// Frames piped straight to ffmpeg as raw rgb24 while the show draws the
// next ones: the drawing thread hands each frame over as read back, and a
// writer thread turns it the right way up, shrinks it when it was drawn
// larger (--supersample) and writes it into ffmpeg's standard input. A
// short queue between the two lets drawing and encoding overlap; when it
// is full the drawing waits, so memory stays bounded. The result is a
// video without sound (add_music gives it its music). The drawing thread
// calls push and finish; the writer thread owns the pipe. The fields are
// the plain reads.
struct VideoStream {
    int32_t drawn_width = 0;  // the frames as drawn, `factor` times the video's size
    int32_t drawn_height = 0;
    int32_t factor = 1;
    std::string name;  // the video this stream is for, in messages
    pid_t ffmpeg = -1;
    int input = -1;  // ffmpeg's standard input, written by the writer thread
    size_t queue_limit = 1;

    std::mutex lock;  // guards the queue and the flags
    std::condition_variable changed;
    std::deque<std::vector<uint8_t>> queue;
    bool closing = false;  // no more frames will come
    bool broken = false;   // ffmpeg stopped reading
    std::thread writer;

    // Starts ffmpeg encoding frames of width x height pixels (drawn at
    // `factor` times that) at `fps` frames a second into `output`, and the
    // writer thread. None after a line on standard error.
    static VideoStream* create(const std::string& ffmpeg, int32_t width, int32_t height, int32_t factor, int32_t fps,
                               const std::string& output, const std::string& name);
    // Hands over the next frame as read_back_frame gave it, waiting while
    // the queue is full. 0, silently, once ffmpeg has stopped taking frames
    // (finish then says so).
    int32_t push(std::vector<uint8_t>&& bottom_up);
    // Waits until every frame is written and ffmpeg has finished the
    // video. 1, or 0 after a line on standard error. Only once.
    int32_t finish();
    // Finishes the stream if it was not, and releases it.
    static void destroy(VideoStream* stream);

private:
    void write_frames();
    bool finished_ = false;
};
