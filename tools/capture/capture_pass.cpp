#include "tools/capture/capture_pass.h"

#include <unistd.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>

#include "audio/audio_track.h"
#include "show/show.h"
#include "show/show_view.h"
#include "tools/capture/progress_bar.h"
#include "tools/capture/frame_readback.h"

namespace {
// How far a moment can lie past a frame's time and still be reached there:
// the play position runs up to a block ahead of the frame's time.
constexpr double REACH_SECONDS = 2.0 * BLOCK_FRAMES / PLAYBACK_SAMPLE_RATE + 1e-6;

bool comes_by(const CaptureTime& time, const ShowClock& clock, int64_t frame) {
    return time_estimate_seconds(time, clock) <= static_cast<double>(frame) / clock.fps + REACH_SECONDS;
}
}  // namespace

Image draw_show_frame(Scene* scene, int32_t width, int32_t height) {
    show_frame_draw(scene, width, height);
    Image image;
    image.width = width;
    image.height = height;
    read_frame(width, height, image.rgba);
    return image;
}

std::string CapturePass::frame_path(const std::string& dir, int64_t index) {
    std::array<char, 32> name{};
    std::snprintf(name.data(), name.size(), "/frame-%06lld.png", static_cast<long long>(index));
    return dir + name.data();
}

std::string CapturePass::frame_pattern(const std::string& dir) { return dir + "/frame-%06d.png"; }

int32_t CapturePass::run() {
    const bool framing = !frames_dir.empty();
    bool frames_done = !framing;
    double last_seconds = framing ? time_estimate_seconds(to, clock) : 0.0;
    for (const Still& still : stills) last_seconds = std::max(last_seconds, time_estimate_seconds(still.time, clock));
    const auto total = static_cast<int64_t>(std::ceil(last_seconds * clock.fps)) + 1;
    ProgressBar progress(total, isatty(STDERR_FILENO) == 1);

    while (!stills.empty() || !frames_done) {
        clock.step();
        const int64_t frame = clock.frame;
        bool keep_frame = false;
        if (!frames_done && first_frame < 0 && time_reached(from, clock)) first_frame = frame;
        if (!frames_done && first_frame >= 0) keep_frame = true;
        std::vector<Still> reached;
        bool upcoming = !frames_done && first_frame < 0 && comes_by(from, clock, frame + 1);
        for (auto it = stills.begin(); it != stills.end();) {
            if (time_reached(it->time, clock)) {
                reached.push_back(*it);
                it = stills.erase(it);
                continue;
            }
            upcoming = upcoming || comes_by(it->time, clock, frame + 1);
            ++it;
        }

        if (keep_frame || !reached.empty()) {
            const Image image = draw_show_frame(clock.scene, width, height);
            ++frames_drawn;
            if (keep_frame) {
                if (write_png(frame_path(frames_dir, frame), image) != 1) return 0;
                last_frame = frame;
                frames_done = time_reached(to, clock);
            }
            for (const Still& still : reached) {
                if (still.sheet_index >= 0) {
                    if (sheet.size() <= static_cast<size_t>(still.sheet_index)) sheet.resize(still.sheet_index + 1);
                    sheet[static_cast<size_t>(still.sheet_index)] = {
                        sheet_thumbnail(image), sheet_label(still.time, show_act(clock.scene), clock.seconds())};
                } else if (write_png(still.path, image) != 1) {
                    return 0;
                }
            }
        } else if (upcoming) {
            show_frame_draw(clock.scene, width, height);
            ++frames_drawn;
        }
        if (show_progress) progress.update(std::min(frame + 1, total));
    }
    if (show_progress) progress.finish();
    return 1;
}
