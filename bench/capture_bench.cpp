// Capture speed (wall-clock: llvmpipe draws on threads of its own): frames
// a second that morva-capture makes at 1920 x 1080,
// each frame the show moved on by a thirtieth of a second (the sound played
// through the analysis, one update), drawn off screen and read back; in
// act 0 (the skeleton's dashes) and in act 9 (the figure and the lattice,
// the heaviest). PNG encoding of such a frame is measured on its own.
// Budget: none; the live show's own 60 frames a second for comparison.
#include <benchmark/benchmark.h>

#include <vector>

#include "bench/captured_show.h"
#include "show/show.h"
#include "tools/capture/capture_pass.h"
#include "tools/capture/image.h"

namespace {
constexpr int32_t WIDTH = 1920;
constexpr int32_t HEIGHT = 1080;
constexpr int32_t FPS = 30;

void capture_frames(benchmark::State& state, const char* moment, int32_t expected_act) {
    run_show_frames(state, moment, expected_act, WIDTH, HEIGHT, FPS, [](Scene* scene) {
        const Image frame = draw_show_frame(scene, WIDTH, HEIGHT);
        benchmark::DoNotOptimize(frame.rgba.data());
    });
    state.counters["frames_per_s"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

// Act 0 lasts two patterns (3.5 s, about 100 frames): the runs stay inside.
void BM_CaptureAct0(benchmark::State& state) { capture_frames(state, "0", 0); }
BENCHMARK(BM_CaptureAct0)->Unit(benchmark::kMillisecond)->Iterations(60)->Repetitions(3)->UseRealTime()->ReportAggregatesOnly(true);

void BM_CaptureAct9(benchmark::State& state) { capture_frames(state, "p45", 9); }
BENCHMARK(BM_CaptureAct9)->Unit(benchmark::kMillisecond)->Iterations(30)->Repetitions(3)->UseRealTime()->ReportAggregatesOnly(true);

void BM_PngOfAnAct9Frame(benchmark::State& state) {
    CapturedShow show("p45", WIDTH, HEIGHT, FPS);
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
