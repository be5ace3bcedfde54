#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "show/show_files.h"
#include "show/show_transport.h"

struct Application;
struct Parameter;
struct ShowSession;
struct SyncLink;
struct SyncWatch;
struct Widget;
struct Window;

// What the show's callbacks share: the full-window viewport and the two
// "turn" knobs with their parameters, whether the knob panel is shown, the
// show itself once it is open, and the files it opens. The fields are the
// plain reads.
struct ShowContext {
    std::array<Widget*, 3> widgets{};        // owned: [0] viewport, [1] knob A, [2] knob B
    std::array<Parameter*, 3> parameters{};  // owned: [0] none, [1] knob A's, [2] knob B's
    int32_t panel_visible = 0;  // 0: full screen, viewport only; 1: windowed with the knobs
    ShowSession* session = nullptr;  // owned; none until the show is open
    ShowFiles files;                 // the font and the music to read
    ShowTransport transport;         // pause, steps and the loop
    std::string sync_host;           // the sync editor to follow, when sync_port is not 0
    int32_t sync_port = 0;
    SyncLink* link = nullptr;  // owned: the link to that editor, once the show is open
    SyncWatch* watch = nullptr;  // owned: reads the --tracks source again when it changes
};

// Creates the show's window: the GLUT backend at the given fraction of the
// screen, the show's callback table and the default style; the show will
// read the files given.
Window* show_window_create(Application* application, double relative_width,
                           double relative_height, const ShowFiles& files = ShowFiles{});

// The show's on-screen panel: the two "turn" knobs with their parameters
// and the full-window viewport that draws the scene, made for the window.
void show_create_panel(Window* window, ShowContext& context);

// Releases what the show made; runs only when the backend's loop returns.
void show_teardown(Window* window);

// The process's show, for the callbacks that are handed no user data.
ShowContext* show_context();

// One pass over what the sync editor asked for since the last, run by the
// show's idle step before each frame: its pause, the row to go to (the
// last of several), a save of the player files; keys edited while the show
// holds still are on the figure in the frame that follows; the row the
// show plays is sent back. Nothing without a link.
void show_follow_editor(ShowContext& context);
