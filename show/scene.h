#pragma once

#include <cstdint>

#include "geometry/rgb.h"

struct AudioTrack;
struct Scene;
struct ShowState;

using SceneCallback = void (*)(Scene* scene);

// One timed piece of the show: set-up, draw and update callbacks sharing a
// state, timed by a track's play position within a window of seconds. The
// fields are the plain reads.
struct Scene {
    ShowState* state = nullptr;  // owned
    SceneCallback setup = nullptr;
    SceneCallback draw = nullptr;
    SceneCallback update = nullptr;
    AudioTrack* track = nullptr;  // borrowed
    double window_start = 0.0;    // seconds
    double window_end = 0.0;
    int32_t active = 0;  // the play position was inside the window at the last tick
    float knob_a = 0.0f;  // the last values of the two knobs, kept for whoever wants them
    float knob_b = 0.0f;
};

Scene* scene_new(SceneCallback setup, SceneCallback draw, SceneCallback update);
// Releases the scene, its state and everything the state owns.
void scene_destroy(Scene* scene);
void scene_set_state(Scene* scene, ShowState* state);
ShowState* scene_state(const Scene* scene);
void scene_set_track(Scene* scene, AudioTrack* track);
AudioTrack* scene_track(const Scene* scene);
void scene_set_window(Scene* scene, double start_seconds, double end_seconds);
// Calls the set-up callback.
void scene_setup(Scene* scene);
// Updates when the play position was inside the window at the last tick,
// then notes whether it is inside now. The first tick never updates.
void scene_tick(Scene* scene);
// Draws while the scene is active.
void scene_draw(Scene* scene);
// The track's play position in seconds as it is heard (the sound still on
// its way through the stream not yet counted); 0 without a track.
double scene_time(const Scene* scene);
// The colour the view behind the scene clears to.
void scene_background(const Scene* scene, Rgb& out);
void scene_set_knob_a(Scene* scene, float value);
void scene_set_knob_b(Scene* scene, float value);
float scene_knob_a(const Scene* scene);
float scene_knob_b(const Scene* scene);
void scene_seek(Scene* scene, double seconds);
int32_t scene_is_active(const Scene* scene);
