#include "show/show_seek.h"

#include <sys/resource.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>

#include "audio/audio_track.h"
#include "audio/sample_buffer.h"
#include "geometry/paths.h"
#include "show/scene.h"
#include "show/show.h"
#include "show/show_clock.h"

namespace {
// The pass yields to the show and to everything else the machine runs.
constexpr int PASS_NICENESS = 19;

// A second track over the playing track's samples, with an analysis of
// its own.
AudioTrack* track_beside(const AudioTrack* playing) {
    AudioTrack* track = AudioTrack::create();
    track->sample_buffer = playing->sample_buffer;
    return track;
}

void release_track_beside(AudioTrack* track) {
    if (track == nullptr) return;
    track->sample_buffer = nullptr;  // the playing track's
    AudioTrack::destroy(track);
}

double thread_cpu_seconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

void take_moment(const ShowClock& clock, ShowMoment& moment) {
    const Scene* scene = clock.scene;
    const ShowState& state = *scene->state;
    moment.frame = clock.frame;
    moment.position = clock.track->position.load();
    moment.ended = clock.ended;
    moment.active = scene->active;
    analysis_snapshot_take(*clock.track, moment.analysis);
    moment.values = state;
    moment.figure = *state.figure;
    moment.path_figure = *state.path_figure;
    for (size_t i = 0; i < state.cubes.size(); ++i) moment.cubes[i] = *state.cubes[i];
    moment.path_scale = state.paths->display_scale;
    moment.text = *state.text;
}

// The values the acts carry from one update to the next.
void put_values(const ShowState& from, ShowState& to) {
    to.background = from.background;
    to.level = from.level;
    to.hue = from.hue;
    to.radius_control = from.radius_control;
    to.sharpness_control = from.sharpness_control;
    to.bias_control = from.bias_control;
    to.radius = from.radius;
    to.sharpness = from.sharpness;
    to.bias = from.bias;
    to.contrast = from.contrast;
    to.previous_time = from.previous_time;
    to.blink = from.blink;
    to.act = from.act;
}

// Puts a moment back into a show and the track that times it, and sets the
// clock to the moment's frame. The instances keep their own targets: the
// geometry is the show's, rebuilt at the end of the replay.
void restore_moment(const ShowMoment& moment, Scene* scene, AudioTrack& track, ShowClock& clock) {
    ShowState& state = *scene->state;
    put_values(moment.values, state);
    *state.figure = moment.figure;
    state.figure->target = state.figure_mesh;
    *state.path_figure = moment.path_figure;
    state.path_figure->target = state.paths;
    for (size_t i = 0; i < state.cubes.size(); ++i) {
        const bool drawn = moment.cubes[i].target != nullptr;
        *state.cubes[i] = moment.cubes[i];
        state.cubes[i]->target = drawn ? state.copy_mesh : nullptr;
    }
    pathset_set_scale(state.paths, moment.path_scale);
    const Font* font = state.text->font;
    *state.text = moment.text;
    state.text->font = font;
    scene->active = moment.active;
    track.jump_to(moment.position / std::max(1, track.sample_buffer->channel_count), &moment.analysis);
    clock.frame = moment.frame;
    clock.ended = moment.ended;
}

// The straight run over the twin, keeping a moment at every pattern start.
void run_pass(ShowMoments* moments) {
    setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), PASS_NICENESS);
    const auto started = std::chrono::steady_clock::now();
    const double cpu_started = thread_cpu_seconds();
    ShowClock clock;
    clock.track = moments->twin_track;
    clock.scene = moments->twin;
    clock.fps = SEEK_UPDATES_PER_SECOND;
    moments->twin->state->replaying = 1;
    const double pattern_length = show_pattern_length(moments->twin);
    const auto count = static_cast<int32_t>(moments->moments.size());
    int32_t next = 0;
    while (!moments->stopping.load() && next < count && !clock.ended) {
        clock.step();
        while (next < count && pattern_length > 0.0 && clock.seconds() / pattern_length >= next) {
            take_moment(clock, moments->moments[static_cast<size_t>(next)]);
            moments->taken.store(++next);
        }
        std::lock_guard<std::mutex> guard(moments->lock);
        moments->pass_frame.store(clock.frame);
        moments->progress.notify_all();
    }
    moments->pass_wall_seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    moments->pass_cpu_seconds = thread_cpu_seconds() - cpu_started;
    std::lock_guard<std::mutex> guard(moments->lock);
    moments->pass_done.store(true);
    moments->progress.notify_all();
}

// Waits until the pass has kept its first moment (the start), or has ended.
void wait_for_first_moment(ShowMoments& moments) {
    std::unique_lock<std::mutex> guard(moments.lock);
    moments.progress.wait(guard, [&] { return moments.pass_done.load() || moments.taken.load() > 0; });
}

// Where a straight run's play position stands after a frame, in frames: it
// plays whole blocks from the start until it has reached the frame's time,
// or the end.
int64_t frames_played_at(const AudioTrack& track, int64_t frame) {
    const int64_t end = track.sample_buffer != nullptr ? track.sample_buffer->frame_count : 0;
    const int64_t due = sound_frame_of(frame, SEEK_UPDATES_PER_SECOND);
    return std::min((due + BLOCK_FRAMES - 1) / BLOCK_FRAMES * BLOCK_FRAMES, end);
}

// The last frame a seek lands on: the first whose time is at or past the
// end of the track.
int64_t last_frame(const AudioTrack& track) {
    const int64_t sound_frames = track.sample_buffer != nullptr ? track.sample_buffer->frame_count : 0;
    return (sound_frames * SEEK_UPDATES_PER_SECOND + PLAYBACK_SAMPLE_RATE - 1) / PLAYBACK_SAMPLE_RATE;
}

// The last moment kept at or before the frame. A jump beyond where the pass
// has got replays from its last moment on the drawing thread, at the
// drawing thread's priority, instead of waiting for a pass that yields to
// everything else.
const ShowMoment& moment_before(const ShowMoments& moments, int64_t frame) {
    int32_t index = moments.taken.load() - 1;
    while (index > 0 && moments.moments[static_cast<size_t>(index)].frame > frame) --index;
    return moments.moments[static_cast<size_t>(index)];
}
}  // namespace

ShowMoments* show_moments_start(Scene* scene, AudioTrack* track) {
    auto* moments = new ShowMoments{};
    moments->scene = scene;
    moments->track = track;
    moments->moments.resize(static_cast<size_t>(std::max(1, show_pattern_count(scene))));
    moments->twin_track = track_beside(track);
    moments->replay_track = track_beside(track);
    moments->twin = show_build_twin(scene, moments->twin_track);
    moments->pass = std::thread(run_pass, moments);
    return moments;
}

int64_t show_moments_seek(ShowMoments* moments_record, int64_t frame) {
    ShowMoments& moments = *moments_record;
    frame = std::clamp<int64_t>(frame, 0, last_frame(*moments.track));
    wait_for_first_moment(moments);
    Scene* scene = moments.scene;
    ShowClock clock;
    clock.track = moments.replay_track;
    clock.scene = scene;
    clock.fps = SEEK_UPDATES_PER_SECOND;
    restore_moment(moment_before(moments, frame), scene, *moments.replay_track, clock);
    scene_set_track(scene, moments.replay_track);
    scene->state->replaying = 1;
    while (clock.frame < frame) clock.step();
    scene->state->replaying = 0;
    scene_set_track(scene, moments.track);
    show_rebuild_geometry(scene);
    analysis_snapshot_take(*moments.replay_track, moments.handed);
    moments.track->jump_to(moments.replay_track->frames_played(), &moments.handed);
    return frame;
}

int64_t show_moments_pattern_frame(ShowMoments* moments, int32_t pattern) {
    const AudioTrack& track = *moments->track;
    const double length = show_pattern_length(moments->scene);
    pattern = std::clamp(pattern, 0, static_cast<int32_t>(moments->moments.size()) - 1);
    if (length <= 0.0) return 0;
    // As the pass finds a pattern's start: the position in seconds over the
    // pattern's length, as the show's own cue step computes it.
    const int64_t end = track.sample_buffer != nullptr ? track.sample_buffer->frame_count : 0;
    int64_t frame = std::max<int64_t>(0, static_cast<int64_t>(pattern * length * SEEK_UPDATES_PER_SECOND) - 2);
    for (;; ++frame) {
        const int64_t played = frames_played_at(track, frame);
        if (track.seconds_at_frame(played) / length >= pattern || played >= end) return frame;
    }
}

int64_t show_seek_frame_at(const AudioTrack& track, double seconds) {
    const int64_t end = track.sample_buffer != nullptr ? track.sample_buffer->frame_count : 0;
    const double wanted = seconds * PLAYBACK_SAMPLE_RATE - 1e-6;
    int64_t frame = std::max<int64_t>(0, static_cast<int64_t>(seconds * SEEK_UPDATES_PER_SECOND) - 2);
    for (;; ++frame) {
        const int64_t played = frames_played_at(track, frame);
        if (static_cast<double>(played) >= wanted || played >= end) return frame;
    }
}

void show_moments_destroy(ShowMoments* moments) {
    if (moments == nullptr) return;
    moments->stopping.store(true);
    if (moments->pass.joinable()) moments->pass.join();
    scene_destroy(moments->twin);
    release_track_beside(moments->twin_track);
    release_track_beside(moments->replay_track);
    delete moments;
}

size_t show_moments_bytes(const ShowMoments* moments) {
    if (moments == nullptr) return 0;
    size_t bytes = moments->moments.capacity() * sizeof(ShowMoment);
    for (const ShowMoment& moment : moments->moments)
        bytes += analysis_snapshot_bytes(moment.analysis) - sizeof(AnalysisSnapshot);  // counted with the moment
    return bytes;
}
