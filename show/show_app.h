#pragma once

#include <array>
#include <cstdint>

#include "show/show_files.h"

struct Application;
struct AudioTrack;
struct Font;
struct Parameter;
struct Scene;
struct Widget;
struct Window;

// What the show's callbacks share: the full-window viewport and the two
// "turn" knobs with their parameters, whether the knob panel is shown, the
// music, the scene and the font, and the files they come from. The fields
// are the plain reads.
struct ShowContext {
    std::array<Widget*, 3> widgets{};        // owned: [0] viewport, [1] knob A, [2] knob B
    std::array<Parameter*, 3> parameters{};  // owned: [0] none, [1] knob A's, [2] knob B's
    int32_t panel_visible = 0;  // 0: full screen, viewport only; 1: windowed with the knobs
    AudioTrack* track = nullptr;  // owned
    Scene* scene = nullptr;       // owned
    Font* font = nullptr;
    ShowFiles files;  // the font and the music to read
};

// Creates the show's window: the GLUT backend at the given fraction of the
// screen, the show's callback table and the default style; the show will
// read the files given.
Window* show_window_create(Application* application, double relative_width,
                           double relative_height, const ShowFiles& files = ShowFiles{});

// The show's on-screen panel: the two "turn" knobs with their parameters
// and the full-window viewport that draws the scene, made for the window.
void show_create_panel(Window* window, ShowContext& context);

// Bakes the context's font file for a screen of that height, loads its
// music file and builds and sets up the scene for a screen of width x
// height pixels, into the context; the music is not started. Needs a current OpenGL context (the
// font becomes a texture). 0 after the loader's message when the font or
// the music cannot be loaded.
int32_t show_open(ShowContext& context, int32_t screen_width, int32_t screen_height);

// Releases what the show made; runs only when the backend's loop returns.
void show_teardown(Window* window);

// The process's show, for the callbacks that are handed no user data.
ShowContext* show_context();
