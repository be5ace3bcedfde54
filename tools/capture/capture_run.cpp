#include "tools/capture/capture_run.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "app/frame.h"
#include "audio/audio_track.h"
#include "audio/sample_buffer.h"
#include "gui/font.h"
#include "show/scene.h"
#include "show/show.h"
#include "show/show_app.h"
#include "tools/capture/capture_options.h"
#include "tools/capture/capture_pass.h"
#include "tools/capture/contact_sheet.h"
#include "tools/capture/gl_context.h"
#include "tools/capture/video.h"

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

// Patterns beyond the show's last have no frame; times past the end of the
// music show the end.
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

// The music of the frames written, and their video when ffmpeg is there.
int32_t finish_frames(const CaptureOptions& options, CapturePass& pass, std::vector<float>& heard,
                      const std::string& ffmpeg) {
    if (pass.first_frame < 0) return 1;
    // The last frame lasts a frame's time: its music is played to the end.
    play_until(*pass.clock.track, sound_frame_of(pass.last_frame + 1, options.fps), &heard);
    const auto sound_frames = static_cast<int64_t>(heard.size() / PLAYBACK_CHANNELS);
    const int64_t first = std::min(sound_frame_of(pass.first_frame, options.fps), sound_frames);
    const int64_t last = std::min(sound_frame_of(pass.last_frame + 1, options.fps), sound_frames);
    const std::string wav = options.frames_dir + "/track.wav";
    if (save_samples(wav.c_str(), heard.data() + first * PLAYBACK_CHANNELS,
                     static_cast<int32_t>((last - first) * PLAYBACK_CHANNELS), PLAYBACK_SAMPLE_RATE,
                     PLAYBACK_CHANNELS) != 1)
        return 0;
    const std::string video = options.video_path.empty() ? options.frames_dir + "/morva.mp4" : options.video_path;
    if (ffmpeg.empty()) {
        std::fprintf(stderr, "morva-capture: ffmpeg is not installed: no video, the frames and track.wav are in %s\n",
                     options.frames_dir.c_str());
        return 1;
    }
    if (encode_video(ffmpeg, CapturePass::frame_pattern(options.frames_dir), pass.first_frame, options.fps, wav,
                     video) != 1)
        return 0;
    std::fprintf(stderr, "morva-capture: video written to %s\n", video.c_str());
    return 1;
}

// The capture once the show is open and the context current.
int capture_show(const CaptureOptions& options, ShowContext& show, const std::string& ffmpeg) {
    if (check_patterns(options, show.scene) != 1) return CAPTURE_BAD_USAGE;
    std::vector<float> heard;
    CapturePass pass;
    pass.clock.track = show.track;
    pass.clock.scene = show.scene;
    pass.clock.fps = options.fps;
    if (!options.frames_dir.empty()) pass.clock.heard = &heard;
    pass.width = options.width;
    pass.height = options.height;
    pass.stills = stills_of(options);
    pass.frames_dir = options.frames_dir;
    pass.from = options.from;
    pass.to = options.to;
    if (pass.run() != 1) return CAPTURE_FAILED;
    if (!options.sheet_path.empty() &&
        write_sheet(options.sheet_path, pass.sheet, options.height, options.files.font_path) != 1)
        return CAPTURE_FAILED;
    if (!options.frames_dir.empty() && finish_frames(options, pass, heard, ffmpeg) != 1) return CAPTURE_FAILED;
    return CAPTURE_OK;
}
}  // namespace

int run_capture(const CaptureOptions& options) {
    if (check_show_file_readable("morva-capture", options.files.font_path) != 1 ||
        check_show_file_readable("morva-capture", options.files.music_path) != 1)
        return CAPTURE_FAILED;
    if (check_outputs(options) != 1) return CAPTURE_FAILED;
    const std::string ffmpeg = options.frames_dir.empty() ? std::string() : find_program("ffmpeg");
    if (!options.video_path.empty() && ffmpeg.empty()) {
        std::fprintf(stderr, "morva-capture: --video needs ffmpeg, which is not installed\n");
        return CAPTURE_FAILED;
    }

    GlContext* gl = GlContext::create(options.context, options.width, options.height);
    if (gl == nullptr) return CAPTURE_FAILED;
    std::fprintf(stderr, "morva-capture: drawing off screen with %s\n", gl->description.c_str());
    set_fixed_gl_state();
    int status = CAPTURE_FAILED;
    ShowContext show{};
    show.files = options.files;
    if (show_open(show, options.width, options.height) == 1) status = capture_show(options, show, ffmpeg);
    AudioTrack::destroy(show.track);
    scene_destroy(show.scene);
    Font::destroy(show.font);
    GlContext::destroy(gl);
    return status;
}
