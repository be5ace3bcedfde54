#pragma once

#include <benchmark/benchmark.h>

#include <cstdint>

#include "show/show.h"
#include "show/show_clock.h"

struct GlContext;
struct Scene;
struct ShowSession;

// The show at a frame size, over three minutes of music-like sound held in
// memory, in an off-screen EGL context with the show window's fixed GL
// state, run by a ShowClock at fps frames a second up to a moment ("p45",
// "12.5", ...). `scene` stays none when no context could be made or the
// show did not open. Quiet while it builds and runs up to the moment.
struct CapturedShow {
    GlContext* gl = nullptr;
    ShowSession* session = nullptr;
    Scene* scene = nullptr;  // the session's
    ShowClock clock;

    CapturedShow(const char* moment, int32_t width, int32_t height, int32_t fps);
    ~CapturedShow();
    CapturedShow(const CapturedShow&) = delete;
    CapturedShow& operator=(const CapturedShow&) = delete;
};

// The benchmark's iterations over frames of the show from a moment on:
// each moves the show on one frame and calls draw_frame(scene). Skipped
// without an EGL context, or when the run leaves the act it is meant for.
template <typename DrawFrame>
void run_show_frames(benchmark::State& state, const char* moment, int32_t expected_act, int32_t width,
                     int32_t height, int32_t fps, DrawFrame draw_frame) {
    CapturedShow show(moment, width, height, fps);
    if (show.scene == nullptr) {
        state.SkipWithError("no EGL context, or the show did not open");
        return;
    }
    for (auto _ : state) {
        show.clock.step();
        draw_frame(show.scene);
    }
    if (show_act(show.scene) != expected_act) state.SkipWithError("the run left the act");
}
