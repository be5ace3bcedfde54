#pragma once

#include <cstdint>

#include "tools/capture/show_clock.h"

struct AudioTrack;
struct Font;
struct GlContext;
struct Scene;

// The show at a frame size, over three minutes of music-like sound held in
// memory, in an off-screen EGL context with the show window's fixed GL
// state, run by a ShowClock at fps frames a second up to a moment ("p45",
// "12.5", ...). `gl` stays none when no context could be made. Quiet while
// it builds and runs up to the moment.
struct CapturedShow {
    GlContext* gl = nullptr;
    Font* font = nullptr;
    AudioTrack* track = nullptr;
    Scene* scene = nullptr;
    ShowClock clock;

    CapturedShow(const char* moment, int32_t width, int32_t height, int32_t fps);
    ~CapturedShow();
    CapturedShow(const CapturedShow&) = delete;
    CapturedShow& operator=(const CapturedShow&) = delete;
};
