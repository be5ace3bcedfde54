// Capture speed (wall-clock: llvmpipe draws on threads of its own): frames
// a second that morva-capture makes at 1920 x 1080,
// each frame the show moved on by a thirtieth of a second (the sound played
// through the analysis, one update), drawn off screen and read back; in
// act 0 (the skeleton's dashes) and in act 9 (the figure and the lattice,
// the heaviest). PNG encoding of such a frame is measured on its own.
// Budget: none; the live show's own 60 frames a second for comparison.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "app/frame.h"
#include "audio/audio_track.h"
#include "audio/sample_buffer.h"
#include "bench/music_like.h"
#include "bench/quiet.h"
#include "gui/font.h"
#include "show/scene.h"
#include "show/show.h"
#include "tools/capture/capture_pass.h"
#include "tools/capture/capture_time.h"
#include "tools/capture/gl_context.h"
#include "tools/capture/image.h"
#include "tools/capture/show_clock.h"

namespace {
constexpr int32_t WIDTH = 1920;
constexpr int32_t HEIGHT = 1080;
constexpr int32_t FPS = 30;
const std::string FONT = std::string(MORVA_SOURCE_DIR) + "/font/HomeVideo-Regular.ttf";

// The show at full size over three minutes of music-like sound held in
// memory, in an EGL context, run up to a moment.
struct CapturedShow {
    GlContext* gl = nullptr;
    Font* font = nullptr;
    AudioTrack* track = nullptr;
    Scene* scene = nullptr;
    ShowClock clock;

    explicit CapturedShow(const char* moment) {
        Quiet quiet;
        gl = GlContext::create(ContextChoice::egl, WIDTH, HEIGHT);
        if (gl == nullptr) return;
        set_fixed_gl_state();
        font = Font::create(HEIGHT * 0.1);
        font->load(FONT.c_str(), 1);
        track = AudioTrack::create();
        SampleBuffer* buffer = SampleBuffer::create();
        buffer->samples = music_like_samples(180);
        buffer->sample_count = static_cast<int32_t>(buffer->samples.size());
        buffer->channel_count = 2;
        buffer->frame_count = buffer->sample_count / 2;
        track->sample_buffer = buffer;
        scene = show_build(track, 13, 104, font, WIDTH, HEIGHT);
        scene_set_window(scene, 0.0, track->length_seconds());
        scene_setup(scene);
        clock.track = track;
        clock.scene = scene;
        clock.fps = FPS;
        CaptureTime until;
        parse_capture_time(moment, until);
        do clock.step();
        while (!time_reached(until, clock));
    }
    ~CapturedShow() {
        scene_destroy(scene);
        AudioTrack::destroy(track);
        Font::destroy(font);
        GlContext::destroy(gl);
    }
};

void capture_frames(benchmark::State& state, const char* moment, int32_t expected_act) {
    CapturedShow show(moment);
    if (show.gl == nullptr) {
        state.SkipWithError("no EGL context");
        return;
    }
    for (auto _ : state) {
        show.clock.step();
        const Image frame = draw_show_frame(show.scene, WIDTH, HEIGHT);
        benchmark::DoNotOptimize(frame.rgba.data());
    }
    if (show_act(show.scene) != expected_act) state.SkipWithError("the run left the act");
    state.counters["frames_per_s"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

// Act 0 lasts two patterns (3.5 s, about 100 frames): the runs stay inside.
void BM_CaptureAct0(benchmark::State& state) { capture_frames(state, "0", 0); }
BENCHMARK(BM_CaptureAct0)->Unit(benchmark::kMillisecond)->Iterations(60)->Repetitions(3)->UseRealTime()->ReportAggregatesOnly(true);

void BM_CaptureAct9(benchmark::State& state) { capture_frames(state, "p45", 9); }
BENCHMARK(BM_CaptureAct9)->Unit(benchmark::kMillisecond)->Iterations(30)->Repetitions(3)->UseRealTime()->ReportAggregatesOnly(true);

void BM_PngOfAnAct9Frame(benchmark::State& state) {
    CapturedShow show("p45");
    if (show.gl == nullptr) {
        state.SkipWithError("no EGL context");
        return;
    }
    const Image frame = draw_show_frame(show.scene, WIDTH, HEIGHT);
    for (auto _ : state) benchmark::DoNotOptimize(png_bytes(frame).size());
}
BENCHMARK(BM_PngOfAnAct9Frame)->Unit(benchmark::kMillisecond)->Iterations(10)->Repetitions(3)->UseRealTime()->ReportAggregatesOnly(true);
}  // namespace

BENCHMARK_MAIN();
