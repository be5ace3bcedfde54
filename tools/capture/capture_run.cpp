#include "tools/capture/capture_run.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "app/frame.h"
#include "audio/audio_track.h"
#include "audio/sample_buffer.h"
#include "gui/font.h"
#include "show/show.h"
#include "show/show_session.h"
#include "tools/capture/capture_options.h"
#include "tools/capture/capture_pass.h"
#include "tools/capture/contact_sheet.h"
#include "tools/capture/gl_context.h"
#include "tools/capture/capture_jobs.h"
#include "tools/capture/video.h"
#include "tools/capture/video_stream.h"

namespace {
// A folder for pictures, made if missing, that can be written into.
int32_t prepare_folder(const std::string& dir) {
    std::error_code error;
    std::filesystem::create_directories(dir, error);
    if (!error && access(dir.c_str(), W_OK) == 0) return 1;
    std::fprintf(stderr, "morva-capture: cannot write into %s: %s\n", dir.c_str(),
                 error ? error.message().c_str() : std::strerror(errno));
    return 0;
}

// The folder a file is to be written into must be there and writable.
int32_t check_file_writable(const std::string& path) {
    std::filesystem::path parent = std::filesystem::path(path).parent_path();
    if (parent.empty()) parent = ".";
    if (access(parent.c_str(), W_OK) == 0) return 1;
    std::fprintf(stderr, "morva-capture: cannot write %s: %s\n", path.c_str(), std::strerror(errno));
    return 0;
}

int32_t check_outputs(const CaptureOptions& options) {
    if (!options.out_dir.empty() && prepare_folder(options.out_dir) != 1) return 0;
    if (!options.frames_dir.empty() && prepare_folder(options.frames_dir) != 1) return 0;
    if (!options.sheet_path.empty() && check_file_writable(options.sheet_path) != 1) return 0;
    if (!options.video_path.empty() && check_file_writable(options.video_path) != 1) return 0;
    return 1;
}

// Patterns beyond the show's last have no frame, and a range must not run
// backwards; times past the end of the music show the end.
int32_t check_patterns(const CaptureOptions& options, const Scene* scene) {
    const int32_t patterns = show_pattern_count(scene);
    std::vector<CaptureTime> times = options.at;
    times.push_back(options.from);
    times.push_back(options.to);
    for (const CaptureTime& time : times) {
        if (time.kind == CaptureTime::Kind::pattern && time.value > patterns) {
            std::fprintf(stderr, "morva-capture: there is no pattern %s: the show has %d\n", time.text.c_str() + 1,
                         patterns);
            return 0;
        }
    }
    // Seconds against a pattern: only the show knows how long a pattern is.
    if (range_backwards(options.from, options.to, show_pattern_length(scene))) {
        std::fprintf(stderr, "morva-capture: --from %s comes after --to %s\n", options.from.text.c_str(),
                     options.to.text.c_str());
        return 0;
    }
    return 1;
}

std::vector<Still> stills_of(const CaptureOptions& options) {
    std::vector<Still> stills;
    for (const CaptureTime& time : options.at) stills.push_back({time, options.out_dir + "/at-" + time.text + ".png", -1});
    if (!options.sheet_path.empty()) {
        int32_t index = 0;
        for (const CaptureTime& time : contact_sheet_times()) stills.push_back({time, {}, index++});
    }
    return stills;
}

int32_t write_sheet(const std::string& path, const std::vector<SheetFrame>& frames, int32_t frame_height,
                    const std::string& font_path) {
    Font* font = Font::create(sheet_label_pixels(frame_height));
    int32_t written = font->load(font_path.c_str(), 1);
    if (written == 1) written = write_png(path, make_contact_sheet(frames, *font));
    Font::destroy(font);
    return written;
}

// The music heard over the frames kept, first to last, as a WAV file: the
// last frame lasts a frame's time, so its music is played to the end.
int32_t write_music(CapturePass& pass, std::vector<float>& heard, const std::string& wav) {
    const int32_t fps = pass.clock.fps;
    play_until(*pass.clock.track, sound_frame_of(pass.last_frame + 1, fps), &heard);
    const auto sound_frames = static_cast<int64_t>(heard.size() / PLAYBACK_CHANNELS);
    const int64_t first = std::min(sound_frame_of(pass.first_frame, fps), sound_frames);
    const int64_t last = std::min(sound_frame_of(pass.last_frame + 1, fps), sound_frames);
    return save_samples(wav.c_str(), heard.data() + first * PLAYBACK_CHANNELS,
                        static_cast<int32_t>((last - first) * PLAYBACK_CHANNELS), PLAYBACK_SAMPLE_RATE,
                        PLAYBACK_CHANNELS);
}

// A run that reports to the process that started it (--jobs) says nothing
// but its failures.
bool reports_to_parent(const CaptureOptions& options) { return capture_report_fd(options) >= 0; }

void say_video_written(const CaptureOptions& options, const std::string& video) {
    if (!reports_to_parent(options)) std::fprintf(stderr, "morva-capture: video written to %s\n", video.c_str());
}

// The music of the frames written, and their video when ffmpeg is there.
int32_t finish_frames(const CaptureOptions& options, CapturePass& pass, std::vector<float>& heard,
                      const std::string& ffmpeg) {
    if (pass.first_frame < 0) return 1;
    const std::string wav = options.frames_dir + "/track.wav";
    if (write_music(pass, heard, wav) != 1) return 0;
    const std::string video = options.video_path.empty() ? options.frames_dir + "/morva.mp4" : options.video_path;
    if (ffmpeg.empty()) {
        std::fprintf(stderr, "morva-capture: ffmpeg is not installed: no video, the frames and track.wav are in %s\n",
                     options.frames_dir.c_str());
        return 1;
    }
    if (encode_video(ffmpeg, CapturePass::frame_pattern(options.frames_dir), pass.first_frame, options.fps, wav,
                     video) != 1)
        return 0;
    say_video_written(options, video);
    return 1;
}

// The streamed video's music, put to its picture under the video's name.
int32_t finish_stream(const CaptureOptions& options, CapturePass& pass, std::vector<float>& heard,
                      const std::string& ffmpeg, const std::string& picture) {
    if (pass.first_frame < 0) {
        if (!reports_to_parent(options))
            std::fprintf(stderr, "morva-capture: chunk %s holds none of the frames: no video written\n",
                         chunk_text(options.chunk).c_str());
        return 1;
    }
    const std::string wav = partial_path(options.video_path, "music", "wav");
    int32_t finished = write_music(pass, heard, wav);
    const VideoUse use = options.chunk.count > 1 ? VideoUse::chunk : VideoUse::watch;
    if (finished == 1) finished = add_music(ffmpeg, picture, wav, options.video_path, use);
    unlink(wav.c_str());
    if (finished == 1) say_video_written(options, options.video_path);
    return finished;
}

// Runs the pass, with the frames piped to ffmpeg when the video is streamed.
int32_t run_pass(const CaptureOptions& options, CapturePass& pass, std::vector<float>& heard,
                 const std::string& ffmpeg) {
    if (!streams_video(options)) return pass.run();
    const std::string picture = partial_path(options.video_path, "picture", "mp4");
    VideoStream* stream = VideoStream::create(ffmpeg, options.width, options.height, options.supersample,
                                              options.fps, picture, options.video_path);
    if (stream == nullptr) return 0;
    pass.stream = stream;
    const int32_t drawn = pass.run();
    const int32_t encoded = stream->finish();
    VideoStream::destroy(stream);
    pass.stream = nullptr;
    int32_t finished = drawn == 1 && encoded == 1 ? 1 : 0;
    if (finished == 1) finished = finish_stream(options, pass, heard, ffmpeg, picture);
    unlink(picture.c_str());
    return finished;
}

// The capture once the show is open and the context current.
int capture_show(const CaptureOptions& options, const ShowSession& show, const std::string& ffmpeg) {
    if (check_patterns(options, show.scene) != 1) return CAPTURE_BAD_USAGE;
    std::vector<float> heard;
    CapturePass pass;
    pass.clock.track = show.track;
    pass.clock.scene = show.scene;
    pass.clock.fps = options.fps;
    if (!options.frames_dir.empty() || !options.video_path.empty()) pass.clock.heard = &heard;
    pass.width = options.width;
    pass.height = options.height;
    pass.supersample = options.supersample;
    pass.stills = stills_of(options);
    pass.frames_dir = options.frames_dir;
    pass.from = options.from;
    pass.to = options.to;
    pass.chunk = options.chunk;
    pass.progress_fd = capture_report_fd(options);
    pass.progress_output = pass.progress_fd >= 0            ? ProgressBar::Output::report
                           : isatty(STDERR_FILENO) == 1 ? ProgressBar::Output::terminal
                                                        : ProgressBar::Output::lines;
    if (run_pass(options, pass, heard, ffmpeg) != 1) return CAPTURE_FAILED;
    if (!options.sheet_path.empty() &&
        write_sheet(options.sheet_path, pass.sheet, options.height, options.files.font_path) != 1)
        return CAPTURE_FAILED;
    if (!options.frames_dir.empty() && finish_frames(options, pass, heard, ffmpeg) != 1) return CAPTURE_FAILED;
    return CAPTURE_OK;
}

// Draws everything asked for in this process.
int capture_here(const CaptureOptions& options, const std::string& ffmpeg) {
    const int32_t drawn_width = options.width * options.supersample;
    const int32_t drawn_height = options.height * options.supersample;
    GlContext* gl = GlContext::create(options.context, drawn_width, drawn_height);
    if (gl == nullptr) return CAPTURE_FAILED;
    if (!reports_to_parent(options))
        std::fprintf(stderr, "morva-capture: drawing off screen with %s\n", gl->description.c_str());
    set_fixed_gl_state();
    ShowSession* show = show_session_open(options.files, drawn_width, drawn_height);
    const int status = show != nullptr ? capture_show(options, *show, ffmpeg) : CAPTURE_FAILED;
    show_session_close(show);
    GlContext::destroy(gl);
    return status;
}

// --join: the chunks, each readable, into one video.
int join_chunks(const CaptureOptions& options) {
    const std::string ffmpeg = find_program("ffmpeg");
    if (ffmpeg.empty()) {
        std::fprintf(stderr, "morva-capture: --join needs ffmpeg, which is not installed\n");
        return CAPTURE_FAILED;
    }
    for (const std::string& chunk : options.join_inputs)
        if (check_show_file_readable("morva-capture", chunk) != 1) return CAPTURE_FAILED;
    if (check_file_writable(options.join_path) != 1) return CAPTURE_FAILED;
    if (join_videos(ffmpeg, options.join_inputs, options.join_path, VideoUse::watch) != 1) return CAPTURE_FAILED;
    std::fprintf(stderr, "morva-capture: video written to %s\n", options.join_path.c_str());
    return CAPTURE_OK;
}
}  // namespace

int capture_report_fd(const CaptureOptions& options) {
    if (options.jobs != 1) return -1;
    const char* value = std::getenv(CAPTURE_REPORT_FD_VARIABLE);
    if (value == nullptr || *value == '\0' || std::strspn(value, "0123456789") != std::strlen(value) ||
        std::strlen(value) > 6)
        return -1;
    const int fd = std::atoi(value);
    return fcntl(fd, F_GETFD) >= 0 ? fd : -1;
}

int run_capture(const CaptureOptions& options) {
    if (!options.join_path.empty()) return join_chunks(options);
    if (check_show_file_readable("morva-capture", options.files.font_path) != 1 ||
        check_show_file_readable("morva-capture", options.files.music_path) != 1)
        return CAPTURE_FAILED;
    if (check_outputs(options) != 1) return CAPTURE_FAILED;
    const bool needs_ffmpeg = !options.frames_dir.empty() || !options.video_path.empty();
    const std::string ffmpeg = needs_ffmpeg ? find_program("ffmpeg") : std::string();
    if (!options.video_path.empty() && ffmpeg.empty()) {
        std::fprintf(stderr, "morva-capture: --video needs ffmpeg, which is not installed\n");
        return CAPTURE_FAILED;
    }
    const int32_t jobs = capture_jobs(options);
    if (jobs > 1) return capture_in_parts(options, jobs, ffmpeg);
    return capture_here(options, ffmpeg);
}
