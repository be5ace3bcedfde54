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
#include "show/show_session.h"

namespace {
constexpr int32_t FRAMES_PER_PATTERN = 11025;  // a 26-second track

// A mono E5 tone held in memory.
SampleBuffer* e5_tone() {
    SampleBuffer* buffer = SampleBuffer::create();
    const int32_t frames = 104 * FRAMES_PER_PATTERN;
    buffer->samples.resize(static_cast<size_t>(frames));
    for (int32_t i = 0; i < frames; ++i)
        buffer->samples[static_cast<size_t>(i)] = 0.3f * std::sin(2.0f * 3.14159265f * 659.26f * i / 44100.0f);
    buffer->sample_count = buffer->frame_count = frames;
    buffer->channel_count = 1;
    return buffer;
}

// The show over the tone, without a font (nothing here draws).
ShowSession* open_show(SampleBuffer* tone) {
    Quiet quiet;
    return show_session_open_samples(tone, nullptr, 1920, 1080);
}

// Plays the tone through the analysis for a while, so that the figure has
// something to follow.
void listen_a_while(AudioTrack* track) {
    std::vector<float> out(512);
    for (int block = 0; block < 400; ++block) AudioTrack::audio_callback(out.data(), nullptr, 256, 0.0, 0, track);
}

void BM_ShowSetup(benchmark::State& state) {
    SampleBuffer* tone = e5_tone();
    for (auto _ : state) {
        state.PauseTiming();
        auto* samples = SampleBuffer::create();
        *samples = *tone;
        state.ResumeTiming();
        ShowSession* show = open_show(samples);
        benchmark::DoNotOptimize(scene_state(show->scene));
        show_session_close(show);
    }
    state.counters["budget_ms"] = 100;
    SampleBuffer::destroy(tone);
}
BENCHMARK(BM_ShowSetup)->Unit(benchmark::kMillisecond);

void BM_Act9Update(benchmark::State& state) {
    ShowSession* show = open_show(e5_tone());
    AudioTrack* track = show->track;
    Scene* scene = show->scene;
    listen_a_while(track);
    // Into act 9, past pattern 40 where the background starts to follow.
    track->position = 41 * FRAMES_PER_PATTERN;
    show_update(scene);
    double pattern = 41.0;
    for (auto _ : state) {
        pattern = pattern >= 103.0 ? 41.0 : pattern + 0.01;  // a jump back fires no cue
        track->position = static_cast<int64_t>(pattern * FRAMES_PER_PATTERN);
        show_update(scene);
        Rgb background{};
        scene_background(scene, background);
        benchmark::DoNotOptimize(background);
    }
    if (show_act(scene) != 9) state.SkipWithError("the scene left act 9");
    state.counters["budget_ms"] = 1;
    show_session_close(show);
}
BENCHMARK(BM_Act9Update)->Unit(benchmark::kMicrosecond);
}  // namespace

BENCHMARK_MAIN();
