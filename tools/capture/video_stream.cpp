#include "tools/capture/video_stream.h"

#include <fcntl.h>
#include <pthread.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>

#include "tools/capture/image.h"
#include "tools/capture/video.h"

namespace {
// About this much memory may wait in the queue, and at most this many frames.
constexpr size_t QUEUE_BYTES = size_t{128} << 20;
constexpr size_t QUEUE_FRAMES = 4;
// A larger pipe than the default 64 KiB: fewer turns between the writer
// and ffmpeg per frame.
constexpr int PIPE_BYTES = 1 << 20;

bool write_all(int fd, const std::vector<uint8_t>& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t written = write(fd, bytes.data() + done, bytes.size() - done);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return false;
        done += static_cast<size_t>(written);
    }
    return true;
}
}  // namespace

VideoStream* VideoStream::create(const std::string& ffmpeg, int32_t width, int32_t height, int32_t factor,
                                 int32_t fps, const std::string& output, const std::string& name) {
    auto* stream = new VideoStream;
    stream->drawn_width = width * factor;
    stream->drawn_height = height * factor;
    stream->factor = factor;
    stream->name = name;
    const size_t frame_bytes = static_cast<size_t>(stream->drawn_width) * static_cast<size_t>(stream->drawn_height) * 4;
    stream->queue_limit = std::clamp<size_t>(QUEUE_BYTES / frame_bytes, 1, QUEUE_FRAMES);
    stream->ffmpeg = start_ffmpeg(raw_frames_command(ffmpeg, width, height, fps, output), &stream->input);
    if (stream->ffmpeg < 0) {
        delete stream;
        return nullptr;
    }
    fcntl(stream->input, F_SETPIPE_SZ, PIPE_BYTES);
    stream->writer = std::thread(&VideoStream::write_frames, stream);
    return stream;
}

void VideoStream::write_frames() {
    // A write to ffmpeg after it has ended fails with EPIPE rather than
    // ending the whole program: SIGPIPE is held back on this thread only,
    // so the processes the program starts are not affected.
    sigset_t pipe_signal;
    sigemptyset(&pipe_signal);
    sigaddset(&pipe_signal, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipe_signal, nullptr);
    while (true) {
        std::vector<uint8_t> frame;
        {
            std::unique_lock<std::mutex> guard(lock);
            changed.wait(guard, [this] { return !queue.empty() || closing; });
            if (queue.empty()) break;
            frame = std::move(queue.front());
            queue.pop_front();
        }
        changed.notify_all();
        const Image image = image_from_readback(frame, drawn_width, drawn_height, factor);
        if (!write_all(input, rgb_bytes(image))) {
            std::lock_guard<std::mutex> guard(lock);
            broken = true;
            queue.clear();
            changed.notify_all();
            break;
        }
    }
    close(input);
    input = -1;
}

int32_t VideoStream::push(std::vector<uint8_t>&& bottom_up) {
    std::unique_lock<std::mutex> guard(lock);
    changed.wait(guard, [this] { return queue.size() < queue_limit || broken; });
    if (broken) return 0;
    queue.push_back(std::move(bottom_up));
    guard.unlock();
    changed.notify_all();
    return 1;
}

int32_t VideoStream::finish() {
    if (finished_) return 0;
    finished_ = true;
    {
        std::lock_guard<std::mutex> guard(lock);
        closing = true;
    }
    changed.notify_all();
    writer.join();
    return wait_for_ffmpeg(ffmpeg, name);
}

void VideoStream::destroy(VideoStream* stream) {
    if (stream == nullptr) return;
    if (!stream->finished_) stream->finish();
    delete stream;
}
