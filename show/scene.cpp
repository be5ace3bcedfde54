#include "show/scene.h"

#include "audio/audio_track.h"
#include "geometry/deformer.h"
#include "geometry/mesh_instance.h"
#include "geometry/paths.h"
#include "show/color_ramp.h"
#include "show/glyph_grid.h"
#include "show/show_state.h"
#include "show/text_line.h"

Scene* scene_new(SceneCallback setup, SceneCallback draw, SceneCallback update) {
    auto* scene = new Scene{};
    scene->setup = setup;
    scene->draw = draw;
    scene->update = update;
    return scene;
}

void scene_destroy(Scene* scene) {
    if (scene == nullptr) return;
    ShowState* state = scene->state;
    if (state != nullptr) {
        text_line_destroy(state->text);
        glyph_grid_destroy(state->grid);
        deformer_destroy(state->deformer);  // and with it figure_mesh, its output
        deformer_destroy(state->copy_deformer);  // and copy_mesh
        pathset_destroy(state->paths);
        instance_destroy(state->figure);
        instance_destroy(state->path_figure);
        color_ramp_destroy(state->ramp);
        for (MeshInstance* copy : state->cubes) instance_destroy(copy);
    }
    delete scene;
    delete state;
}

void scene_set_state(Scene* scene, ShowState* state) { scene->state = state; }

ShowState* scene_state(const Scene* scene) { return scene->state; }

void scene_set_track(Scene* scene, AudioTrack* track) { scene->track = track; }

AudioTrack* scene_track(const Scene* scene) { return scene->track; }

void scene_set_window(Scene* scene, double start_seconds, double end_seconds) {
    scene->window_start = start_seconds;
    scene->window_end = end_seconds;
}

void scene_setup(Scene* scene) {
    if (scene->setup != nullptr) scene->setup(scene);
}

void scene_tick(Scene* scene) {
    if (scene->active != 0 && scene->update != nullptr) scene->update(scene);
    if (scene->track == nullptr) return;
    const double now = scene_time(scene);
    scene->active = (scene->window_start <= now && now <= scene->window_end) ? 1 : 0;
}

void scene_draw(Scene* scene) {
    if (scene->active != 0 && scene->draw != nullptr) scene->draw(scene);
}

double scene_time(const Scene* scene) {
    return scene->track != nullptr ? scene->track->heard_seconds() : 0.0;
}

void scene_background(const Scene* scene, Rgb& out) {
    if (scene->state == nullptr) {
        out = {0.0f, 0.0f, 0.0f};
        return;
    }
    out = scene->state->background;
}

void scene_set_knob_a(Scene* scene, float value) { scene->knob_a = value; }

void scene_set_knob_b(Scene* scene, float value) { scene->knob_b = value; }

float scene_knob_a(const Scene* scene) { return scene->knob_a; }

float scene_knob_b(const Scene* scene) { return scene->knob_b; }

void scene_seek(Scene* scene, double seconds) {
    if (scene->track != nullptr) scene->track->seek_seconds(seconds);
}

int32_t scene_is_active(const Scene* scene) { return scene->active; }
