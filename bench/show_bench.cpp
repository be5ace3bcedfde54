// The show's own work on the drawing thread: the set-up before the first
// frame (the figure built, merged, welded, subdivided and deformed; the
// lattice made) and the heaviest update, act 9 from pattern 40 on (the
// figure deformed and recoloured, 125 copies moved, three analysis reads).
// Budgets on this machine: set-up within 100 ms, an act-9 update within
// 1 ms.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <vector>

#include "audio/audio_track.h"
#include "audio/sample_buffer.h"
#include "bench/quiet.h"
#include "show/scene.h"
#include "show/show.h"

namespace {
constexpr int32_t FRAMES_PER_PATTERN = 11025;  // a 26-second track

// A mono E5 tone held in memory, played through the analysis for a while
// so that the figure has something to follow.
AudioTrack* listening_track() {
    AudioTrack* track = AudioTrack::create();
    SampleBuffer* buffer = SampleBuffer::create();
    const int32_t frames = 104 * FRAMES_PER_PATTERN;
    buffer->samples.resize(static_cast<size_t>(frames));
    for (int32_t i = 0; i < frames; ++i)
        buffer->samples[static_cast<size_t>(i)] = 0.3f * std::sin(2.0f * 3.14159265f * 659.26f * i / 44100.0f);
    buffer->sample_count = buffer->frame_count = frames;
    buffer->channel_count = 1;
    track->sample_buffer = buffer;
    std::vector<float> out(512);
    for (int block = 0; block < 400; ++block) AudioTrack::audio_callback(out.data(), nullptr, 256, 0.0, 0, track);
    return track;
}

void BM_ShowSetup(benchmark::State& state) {
    AudioTrack* track = listening_track();
    for (auto _ : state) {
        Quiet quiet;
        Scene* scene = show_build(track, 13, 104, nullptr, 1920, 1080);
        scene_setup(scene);
        benchmark::DoNotOptimize(scene_state(scene));
        scene_destroy(scene);
    }
    state.counters["budget_ms"] = 100;
    AudioTrack::destroy(track);
}
BENCHMARK(BM_ShowSetup)->Unit(benchmark::kMillisecond);

void BM_Act9Update(benchmark::State& state) {
    AudioTrack* track = listening_track();
    Scene* scene = nullptr;
    {
        Quiet quiet;
        scene = show_build(track, 13, 104, nullptr, 1920, 1080);
        scene_setup(scene);
    }
    // Into act 9, past pattern 40 where the background starts to follow.
    track->position = 41 * FRAMES_PER_PATTERN;
    show_update(scene);
    double pattern = 41.0;
    for (auto _ : state) {
        pattern = pattern >= 103.0 ? 41.0 : pattern + 0.01;  // a jump back fires no cue
        track->position = static_cast<int64_t>(pattern * FRAMES_PER_PATTERN);
        show_update(scene);
        Vec3 background{};
        scene_background(scene, background);
        benchmark::DoNotOptimize(background);
    }
    if (show_act(scene) != 9) state.SkipWithError("the scene left act 9");
    state.counters["budget_ms"] = 1;
    scene_destroy(scene);
    AudioTrack::destroy(track);
}
BENCHMARK(BM_Act9Update)->Unit(benchmark::kMicrosecond);
}  // namespace

BENCHMARK_MAIN();
