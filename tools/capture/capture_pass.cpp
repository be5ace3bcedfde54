#include "tools/capture/capture_pass.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>

#include "audio/audio_track.h"
#include "show/show.h"
#include "show/show_view.h"
#include "tools/capture/capture_moments.h"
#include "tools/capture/frame_readback.h"
#include "tools/capture/video_stream.h"

namespace {
// How far a moment can lie past a frame's time and still be reached there:
// the play position runs up to a block ahead of the frame's time.
constexpr double REACH_SECONDS = 2.0 * BLOCK_FRAMES / PLAYBACK_SAMPLE_RATE + 1e-6;

bool comes_by(const CaptureTime& time, const ShowClock& clock, int64_t frame) {
    return time_estimate_seconds(time, clock) <= static_cast<double>(frame) / clock.fps + REACH_SECONDS;
}
}  // namespace

std::vector<uint8_t> draw_and_read_back(Scene* scene, int32_t drawn_width, int32_t drawn_height) {
    show_frame_draw(scene, drawn_width, drawn_height);
    std::vector<uint8_t> bottom_up;
    read_back_frame(drawn_width, drawn_height, bottom_up);
    return bottom_up;
}

Image draw_show_frame(Scene* scene, int32_t width, int32_t height, int32_t factor) {
    return image_from_readback(draw_and_read_back(scene, width * factor, height * factor), width * factor,
                               height * factor, factor);
}

std::string CapturePass::frame_path(const std::string& dir, int64_t index) {
    std::array<char, 32> name{};
    std::snprintf(name.data(), name.size(), "/frame-%06lld.png", static_cast<long long>(index));
    return dir + name.data();
}

std::string CapturePass::frame_pattern(const std::string& dir) { return dir + "/frame-%06d.png"; }

int64_t CapturePass::planned_pictures(const FrameSpan& span) const {
    int64_t frames = 0;
    if (keeps_frames()) {
        const int64_t first = std::max(span.begin, frame_estimate(from, clock));
        const int64_t end = std::min(span.end, frame_estimate(to, clock) + 1);
        frames = std::max<int64_t>(0, end - first);
    }
    return frames + static_cast<int64_t>(stills.size());
}

int32_t CapturePass::run() {
    const FrameSpan span =
        keeps_frames() ? chunk_frames(chunk, frame_estimate(from, clock), frame_estimate(to, clock)) : FrameSpan{};
    bool frames_done = !keeps_frames();
    bool range_started = false;
    const int32_t drawn_width = width * supersample, drawn_height = height * supersample;
    ProgressBar progress(planned_pictures(span), progress_output, progress_fd);
    int64_t pictures = 0;

    while (!stills.empty() || !frames_done) {
        clock.step();
        const int64_t frame = clock.frame;
        if (!frames_done && !range_started) range_started = time_reached(from, clock);
        const bool keep_frame = !frames_done && range_started && span.holds(frame);
        std::vector<Still> reached;
        bool upcoming = !frames_done && first_frame < 0 && frame + 1 >= span.begin &&
                        (range_started || comes_by(from, clock, frame + 1));
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
            std::vector<uint8_t> drawn = draw_and_read_back(clock.scene, drawn_width, drawn_height);
            ++frames_drawn;
            Image image;
            if (!reached.empty() || stream == nullptr) image = image_from_readback(drawn, drawn_width, drawn_height, supersample);
            if (keep_frame) {
                if (stream != nullptr && stream->push(std::move(drawn)) != 1) return 0;
                if (stream == nullptr && write_png(frame_path(frames_dir, frame), image) != 1) return 0;
                if (first_frame < 0) first_frame = frame;
                last_frame = frame;
                ++pictures;
            }
            for (const Still& still : reached) {
                if (still.sheet_index >= 0) {
                    if (sheet.size() <= static_cast<size_t>(still.sheet_index)) sheet.resize(still.sheet_index + 1);
                    sheet[static_cast<size_t>(still.sheet_index)] = {
                        sheet_thumbnail(image), sheet_label(still.time, show_act(clock.scene), clock.seconds())};
                } else if (write_png(still.path, image) != 1) {
                    return 0;
                }
                ++pictures;
            }
        } else if (upcoming) {
            show_frame_draw(clock.scene, drawn_width, drawn_height);
            ++frames_drawn;
        }
        if (!frames_done && range_started && (time_reached(to, clock) || frame + 1 >= span.end)) frames_done = true;
        if (stills.empty() && frames_done) progress.set_total(pictures);
        if (show_progress) progress.update(pictures);
    }
    if (show_progress) progress.finish();
    return 1;
}
