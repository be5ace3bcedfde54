#include "show/show.h"

#include <GL/gl.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <numbers>

#include "audio/audio_track.h"
#include "geometry/deformer.h"
#include "geometry/draw.h"
#include "geometry/mesh.h"
#include "geometry/mesh_instance.h"
#include "geometry/mesh_processing.h"
#include "geometry/paths.h"
#include "show/color_ramp.h"
#include "show/glyph_grid.h"
#include "show/scene.h"
#include "show/show_acts.h"
#include "show/show_state.h"
#include "show/show_tracks.h"
#include "show/text_line.h"

namespace {
// The figure: an 11 x 11 grid 4 units wide, bars 0.4 cell thick.
constexpr float GRID_SIZE = 4.0f;
constexpr float BAR_THICKNESS = 4.0f;
constexpr float SEGMENT_LENGTH = 1.0f;
constexpr float WELD_TOLERANCE = 0.0855555534f;

// The music is listened to at E5, the lead's home note, with levels
// smoothed over 5 ms.
constexpr float LISTEN_HZ = 647.0f;
constexpr float LISTEN_SMOOTHING_MS = 5.0f;

constexpr float COPY_SCALE = 0.08f;
constexpr float SKELETON_LINE_WIDTH = 4.0f;
constexpr double FULL_TURN = 360.0;  // degrees
const Vec3 VERTICAL_AXIS = {0.0f, 1.0f, 0.0f};
const Vec3 DEPTH_AXIS = {0.0f, 0.0f, 1.0f};
const Rgb BLACK_RGB = {0.0f, 0.0f, 0.0f};
const Rgb WHITE_RGB = {1.0f, 1.0f, 1.0f};
const Rgba WHITE = {1.0f, 1.0f, 1.0f, 1.0f};
const Rgba RED = {1.0f, 0.0f, 0.0f, 1.0f};

// The skeleton starts as dashes 0.6 of each segment long, which act 1
// grows into whole lines and act 3 shortens to 0.8 again.
constexpr double DASH_SCALE = 0.6;
constexpr double DASH_GROWTH = 0.4;
constexpr float SWELL_DASH_SCALE = 0.8f;

// Act 3 swells the radius control from 0 up to this over the act, with a
// sharper, inward-leaning shape that stays for the rest of the show.
constexpr double SWELL_RADIUS_CONTROL = 0.5;
constexpr float SWELL_SHARPNESS_CONTROL = 2.0f;
constexpr float SWELL_BIAS_CONTROL = 0.35f;

// Whole turns of the figure over acts 5, 8 and 9.
constexpr double TURN_TURNS = 2.0;
constexpr double RAINBOW_TURNS = 2.0;
constexpr double DANCE_TURNS = 32.0;

// Act 9, in patterns since it began: the copies' light comes up over the
// first two; they spin a quarter turn a second from 4 on and wobble at
// 0.1 Hz from 8 on; from 12 on they grow, by their own size every 92
// patterns; from 16 on the background and the credit line take their
// colours from the music, which is smoothed less and less over 88 patterns.
constexpr double DANCE_LIGHT_RISE = 2.0;
constexpr double DANCE_SPIN_FROM = 4.0;
constexpr double DANCE_SPIN_TURNS_PER_SECOND = 0.25;
constexpr double DANCE_WOBBLE_FROM = 8.0;
constexpr double DANCE_WOBBLE_HZ = 0.1;
constexpr double DANCE_WOBBLE_SIZE = 0.5;
constexpr double DANCE_GROWTH_FROM = 12.0;
constexpr double DANCE_GROWTH_SPAN = 92.0;
constexpr double DANCE_COLORS_FROM = 16.0;
constexpr double DANCE_SMOOTHING_SPAN = 88.0;
constexpr double DANCE_SMOOTHING_EARLY = 0.95;
constexpr double DANCE_SMOOTHING_LATE = 0.75;
constexpr double DANCE_LOUDEST_HEARD = 0.83;  // the level that takes the far end of the ramp
constexpr double DANCE_BACKGROUND_GAIN = 0.1;

ShowState& state_of(Scene* scene) { return *scene->state; }

// The pattern position of a play position; 0 for a track without length.
double pattern_position(const ShowState& state, double seconds) {
    const double length = state.timeline.pattern_length;
    return length > 0.0 ? seconds / length : 0.0;
}

// Patterns since an act began.
double patterns_into(int32_t act, double pattern) { return pattern - act_start(act); }

// How far through an act the show is: 0 at its start, 1 at the next act's.
double act_progress(int32_t act, double pattern) { return patterns_into(act, pattern) / act_length(act); }

// The show's row for its tracks: the pattern position of the last update
// times the rows a pattern has.
double row_of(const ShowState& state) {
    if (state.tracks == nullptr) return 0.0;
    return pattern_position(state, state.previous_time) * state.tracks->rows_per_pattern;
}

// A track's keyed value at the show's row in place of `value`.
template <typename Value>
void keyed(const ShowState& state, ShowTrack track, Value& value) {
    double keyed_value = 0.0;
    if (show_track_value(state.tracks, track, row_of(state), &keyed_value)) value = static_cast<Value>(keyed_value);
}

// Deforms with the parameters the act derived, or the tracks' where keyed.
Mesh* apply_deformer(const ShowState& state, Deformer* deformer) {
    float radius = state.radius, sharpness = state.sharpness, bias = state.bias;
    keyed(state, TRACK_FIGURE_RADIUS, radius);
    keyed(state, TRACK_FIGURE_SHARPNESS, sharpness);
    keyed(state, TRACK_FIGURE_BIAS, bias);
    return deformer_apply(deformer, radius, sharpness, bias);
}

void derive_deformer_parameters(ShowState& state) {
    state.radius = static_cast<float>(state.radius_control * 0.975 + 0.025);
    state.sharpness = static_cast<float>(state.sharpness_control * 9.9 + 0.1);
    state.bias = state.bias_control;
}

// The loudness near E5 right now, 0 to 1.
float listen(const Scene* scene) {
    AudioTrack* track = scene->track;
    if (track == nullptr) return 0.0f;
    track->set_smoothing_ms(LISTEN_SMOOTHING_MS);
    return track->level_at(LISTEN_HZ);
}

// Where the listened level lies between quiet (0.14) and loud (0.70), 0 to 1.
float loudness_fraction(float level) {
    const float fraction = static_cast<float>((level - 0.14) / 0.56);
    return std::clamp(fraction, 0.0f, 1.0f);
}

// The lattice copies in lattice order, with their offsets from the centre.
template <typename Visit>
void for_each_copy(ShowState& state, Visit visit) {
    size_t index = 0;
    for (int32_t o = -2; o <= 2; ++o)
        for (int32_t m = -2; m <= 2; ++m)
            for (int32_t n = -2; n <= 2; ++n) visit(state.cubes[index++], o, m, n);
}

Vec3 copy_base_place(int32_t o, int32_t m, int32_t n) {
    return {static_cast<float>(o) / 5.0f * 8.0f, static_cast<float>(m) / 5.0f * 8.0f,
            static_cast<float>(n) / 5.0f * 4.0f};
}

void set_copies_visible(ShowState& state, int32_t visible) {
    for_each_copy(state, [&](MeshInstance* copy, int32_t, int32_t, int32_t) {
        instance_set_visible(copy, visible);
    });
}

void report_timeline(double length, const Timeline& timeline) {
    std::fprintf(stderr, "----------audio---------\n");
    std::fprintf(stderr, "total   : %g s\n", length);
    std::fprintf(stderr, "phases  : %3d | %3.2f s\n", timeline.phase_count, timeline.phase_length);
    std::fprintf(stderr, "patterns: %3d | %3.2f s\n", timeline.pattern_count, timeline.pattern_length);
    std::fprintf(stderr, "------------------------\n");
}

// The credit line blinks white and black on alternate updates; once the
// dance takes its colours from the music, it takes the ramp's colour
// opposite the background instead.
void color_and_move_text(ShowState& state) {
    Rgb color{};
    const double into_dance = patterns_into(ACT_DANCE, pattern_position(state, state.previous_time));
    if (state.act == ACT_DANCE && static_cast<float>(into_dance) >= DANCE_COLORS_FROM && state.ramp != nullptr) {
        color_ramp_sample(state.ramp, color, static_cast<float>(std::fmod(state.hue + 0.5, 1.0)));
    } else {
        color = state.blink == 1 ? WHITE_RGB : BLACK_RGB;
        state.blink = 1 - state.blink;
    }
    text_line_set_color(state.text, color);
    text_line_advance(state.text);
}

// Fires every cue whose boundary lies between the previous and the present
// pattern position, both ends included, in order. A track without length
// has no patterns to cross.
void fire_cues(ShowState& state, double now) {
    if (state.timeline.pattern_length > 0.0) {
        const double from = pattern_position(state, state.previous_time);
        const double to = pattern_position(state, now);
        for (const ShowCue& cue : SHOW_CUES) {
            if (!(from <= cue.pattern && to >= cue.pattern)) continue;
            if (cue.act != NO_ACT) state.act = cue.act;
            if (cue.text != nullptr) text_line_set_text(state.text, cue.text);
        }
    }
    state.previous_time = now;
}

void enter_act(Scene* scene, int32_t act) {
    ShowState& state = state_of(scene);
    switch (act) {
        case ACT_SWELL:
            pathset_set_scale(state.paths, SWELL_DASH_SCALE);
            instance_set_visible(state.figure, 1);
            break;
        case ACT_TURN: instance_set_visible(state.path_figure, 0); break;
        case ACT_DANCE:
            for_each_copy(state, [](MeshInstance* copy, int32_t, int32_t, int32_t) {
                instance_set_ambient(copy, {0.0f, 0.0f, 0.0f});
            });
            set_copies_visible(state, 1);
            break;
        case ACT_FINALE:
            set_copies_visible(state, 0);
            instance_set_rotation(state.figure, VERTICAL_AXIS, 0.0f);
            if (state.replaying == 0) mesh_fill_color(state.figure_mesh, RED);
            state.background = WHITE_RGB;
            break;
        default: break;
    }
}

// Act 3: the figure swells from nothing around its skeleton.
void swell_figure(Scene* scene, double pattern) {
    ShowState& state = state_of(scene);
    state.radius_control = static_cast<float>(act_progress(ACT_SWELL, pattern) * SWELL_RADIUS_CONTROL);
    state.sharpness_control = SWELL_SHARPNESS_CONTROL;
    state.bias_control = SWELL_BIAS_CONTROL;
    derive_deformer_parameters(state);
    show_refigure(scene);
}

void turn_figure(ShowState& state, double degrees) {
    instance_set_rotation(state.figure, VERTICAL_AXIS, static_cast<float>(degrees));
}

// Colours a mesh along the ramp by vertex weight (its alphas), bent by the
// contrast.
void recolor_mesh(const ShowState& state, Mesh* mesh) {
    if (mesh == nullptr || state.ramp == nullptr) return;
    Rgba* colors = mesh_colors(mesh);
    for (int32_t i = 0; i < mesh_color_count(mesh); ++i) {
        Rgb rgb{};
        color_ramp_sample(state.ramp, rgb, static_cast<float>(gain(colors[i][3], state.contrast)));
        colors[i] = {rgb[0], rgb[1], rgb[2], colors[i][3]};
    }
}

// Act 9: the lattice of copies grows, wobbles and spins around the
// figure, and later the background follows the music.
void dance(Scene* scene, double pattern) {
    ShowState& state = state_of(scene);
    const double pattern_length = state.timeline.pattern_length;
    const float xf = static_cast<float>(patterns_into(ACT_DANCE, pattern));
    const float growth =
        xf >= DANCE_GROWTH_FROM ? static_cast<float>(1.0 + (xf - DANCE_GROWTH_FROM) / DANCE_GROWTH_SPAN) : 1.0f;
    const double w = (xf - DANCE_COLORS_FROM) / DANCE_SMOOTHING_SPAN;
    const float smoothing =
        xf >= DANCE_COLORS_FROM
            ? static_cast<float>(DANCE_SMOOTHING_EARLY * (1.0 - w) + DANCE_SMOOTHING_LATE * w)
            : static_cast<float>(DANCE_SMOOTHING_EARLY);
    const float ambient = xf < DANCE_LIGHT_RISE ? static_cast<float>(xf / DANCE_LIGHT_RISE) : 1.0f;
    Vec3 wobble{0.0f, 0.0f, 0.0f};
    if (xf >= DANCE_WOBBLE_FROM) {
        const auto phi = static_cast<float>((xf - DANCE_WOBBLE_FROM) * 2.0 * std::numbers::pi * pattern_length *
                                            DANCE_WOBBLE_HZ);
        wobble = {static_cast<float>(DANCE_WOBBLE_SIZE * std::sin(2.0 * phi)),
                  static_cast<float>(DANCE_WOBBLE_SIZE * std::sin(3.0 * phi)),
                  static_cast<float>(DANCE_WOBBLE_SIZE * std::sin(5.0 * phi))};
    }
    const float spin = xf >= DANCE_SPIN_FROM ? static_cast<float>((xf - DANCE_SPIN_FROM) * pattern_length *
                                                                  FULL_TURN * DANCE_SPIN_TURNS_PER_SECOND)
                                             : 0.0f;

    show_follow_audio(scene);
    turn_figure(state, static_cast<float>(act_progress(ACT_DANCE, pattern)) * (DANCE_TURNS * FULL_TURN));
    show_recolor(scene);
    if (state.replaying == 0) {
        state.copy_mesh = apply_deformer(state, state.copy_deformer);
        recolor_mesh(state, state.copy_mesh);
    }

    for_each_copy(state, [&](MeshInstance* copy, int32_t, int32_t, int32_t) {
        instance_set_target(copy, state.copy_mesh);
        instance_set_ambient(copy, {ambient, ambient, ambient});
    });
    for_each_copy(state, [&](MeshInstance* copy, int32_t o, int32_t m, int32_t n) {
        const Vec3 base = copy_base_place(o, m, n);
        instance_set_position(copy, base[0] + wobble[0], base[1] + wobble[1], base[2] + wobble[2]);
        instance_set_rotation(copy, DEPTH_AXIS, spin);
        const float scale = static_cast<float>(COPY_SCALE * static_cast<double>(growth));
        instance_set_scale(copy, scale, scale, scale);
    });

    if (xf >= DANCE_COLORS_FROM) {
        const float heard = std::clamp(static_cast<float>(listen(scene) / DANCE_LOUDEST_HEARD), 0.0f, 1.0f);
        state.level = static_cast<float>((1.0 - smoothing) * heard + static_cast<float>(smoothing * state.level));
        const auto position = static_cast<float>(gain(state.level, DANCE_BACKGROUND_GAIN));
        Rgb color{};
        color_ramp_sample(state.ramp, color, position);
        state.background = color;
        state.hue = position;
    }
}

void act_frame(Scene* scene, double pattern) {
    ShowState& state = state_of(scene);
    switch (state.act) {
        case ACT_DASHES_GROW:
            pathset_set_scale(state.paths,
                              static_cast<float>(DASH_SCALE + DASH_GROWTH * act_progress(ACT_DASHES_GROW, pattern)));
            break;
        case ACT_SWELL: swell_figure(scene, pattern); break;
        case ACT_TURN: turn_figure(state, act_progress(ACT_TURN, pattern) * (TURN_TURNS * FULL_TURN)); break;
        case ACT_FOLLOW: show_follow_audio(scene); break;
        case ACT_RAINBOW:
            show_follow_audio(scene);
            turn_figure(state, act_progress(ACT_RAINBOW, pattern) * (RAINBOW_TURNS * FULL_TURN));
            show_recolor(scene);
            break;
        case ACT_DANCE: dance(scene, pattern); break;
        default: break;
    }
}
// The scene and its state with their start values, saying nothing.
Scene* build_scene(AudioTrack* track, int32_t phase_count, int32_t pattern_count, const Font* font,
                   int32_t width, int32_t height) {
    auto* state = new ShowState{};
    Scene* scene = scene_new(show_setup, show_draw, show_update);
    const double length = track != nullptr ? track->length_seconds() : 0.0;
    state->scene = scene;
    scene_set_state(scene, state);
    state->text = text_line_new(font, width, height, 0.9f, 0.01f);
    state->blink = 1;
    scene_set_track(scene, track);
    Timeline& timeline = state->timeline;
    timeline.phase_count = phase_count;
    timeline.pattern_count = pattern_count;
    // Without phases or patterns there is nothing to divide by.
    timeline.phase_length = phase_count > 0 ? length / phase_count : 0.0;
    timeline.pattern_length = pattern_count > 0 ? length / pattern_count : 0.0;
    return scene;
}

void set_up(Scene* scene, bool print_art) {
    ShowState& state = state_of(scene);
    derive_deformer_parameters(state);
    state.grid = glyph_grid_new();
    if (print_art) glyph_grid_print(state.grid);

    Mesh** boxes = nullptr;
    int32_t box_count = 0;
    glyph_grid_build_meshes(state.grid, &boxes, &box_count, GLYPH_MESH_BARS, GRID_SIZE, BAR_THICKNESS);
    Mesh* merged = mesh_merge(boxes, box_count);
    state.figure_mesh = merged;
    mesh_weld(merged, WELD_TOLERANCE);
    state.figure = instance_new_mesh(merged);
    mesh_subdivide(merged, nullptr);
    Mesh* coarse = mesh_clone(merged);
    mesh_fill_color(coarse, WHITE);
    mesh_subdivide(merged, nullptr);
    mesh_fill_color(merged, WHITE);

    glyph_grid_build_paths(state.grid, &state.paths, GRID_SIZE, SEGMENT_LENGTH);
    state.path_figure = instance_new_paths(state.paths);
    state.deformer = deformer_new(merged, state.paths, DEFORM_FLAG_WEIGHTED);
    state.copy_deformer = deformer_new(coarse, state.paths, DEFORM_FLAG_WEIGHTED);
    show_refigure(scene);
    mesh_destroy(merged);  // the deformers have their own copies; nothing refers to these now
    mesh_destroy(coarse);
    for (int32_t i = 0; i < box_count; ++i) mesh_destroy(boxes[i]);
    delete[] boxes;

    instance_set_visible(state.figure, 0);
    pathset_set_scale(state.paths, static_cast<float>(DASH_SCALE));
    state.ramp = color_ramp_new();
    color_ramp_set(state.ramp, RAMP_STOPS.data(), static_cast<int32_t>(RAMP_STOPS.size()));

    for_each_copy(state, [&](MeshInstance*& copy, int32_t o, int32_t m, int32_t n) {
        copy = instance_new_mesh(nullptr);
        const Vec3 base = copy_base_place(o, m, n);
        instance_set_position(copy, base[0], base[1], base[2]);
        instance_set_scale(copy, COPY_SCALE, COPY_SCALE, COPY_SCALE);
        // The figure's bars are closed or end inside a neighbour, wound
        // outwards, so about half of a copy's triangles face away; leaving
        // them out is most of what the lattice saves a software renderer.
        // Where the deformer folds a copy, a few pixels of its far side no
        // longer show through; the big figure keeps them.
        instance_set_cull_back_faces(copy, 1);
    });
    set_copies_visible(state, 0);
}

// The keyed tracks' values on the figure, the copies and the credit line.
void put_on_tracks(ShowState& state) {
    if (state.tracks == nullptr) return;
    double turn = 0.0;
    if (show_track_value(state.tracks, TRACK_FIGURE_TURN, row_of(state), &turn))
        instance_set_rotation(state.figure, VERTICAL_AXIS, static_cast<float>(turn));
    double hue = 0.0;
    if (state.ramp != nullptr && show_track_value(state.tracks, TRACK_CREDITS_HUE, row_of(state), &hue)) {
        Rgb color{};
        color_ramp_sample(state.ramp, color, static_cast<float>(hue));
        text_line_set_color(state.text, color);
    }
    for (MeshInstance* copy : state.cubes) {
        keyed(state, TRACK_LATTICE_SPIN, copy->rotation_angle);
        double factor = 1.0;
        if (show_track_value(state.tracks, TRACK_LATTICE_SCALE, row_of(state), &factor))
            for (float& axis : copy->scale) axis = static_cast<float>(axis * factor);
        double ambient = 0.0;
        if (show_track_value(state.tracks, TRACK_LATTICE_AMBIENT, row_of(state), &ambient))
            copy->ambient = {static_cast<float>(ambient), static_cast<float>(ambient), static_cast<float>(ambient)};
    }
}

// The lattice, the figure over it, the skeleton and the credit line.
void draw_scene(ShowState& state) {
    glColor3f(1.0f, 1.0f, 1.0f);
    // The copies share one target, handed to OpenGL once for all of them.
    instances_draw(state.cubes.data(), static_cast<int32_t>(state.cubes.size()));
    // The figure always lies over the lattice.
    glClear(GL_DEPTH_BUFFER_BIT);
    instance_draw(state.figure);
    GLfloat line_width = 1.0f;
    glGetFloatv(GL_LINE_WIDTH, &line_width);
    glLineWidth(SKELETON_LINE_WIDTH);
    glColor3f(1.0f, 1.0f, 1.0f);
    instance_draw(state.path_figure);
    glLineWidth(line_width);
    text_line_draw(state.text);
}

}  // namespace

Scene* show_build(AudioTrack* track, int32_t phase_count, int32_t pattern_count, const Font* font,
                  int32_t width, int32_t height) {
    Scene* scene = build_scene(track, phase_count, pattern_count, font, width, height);
    report_timeline(track != nullptr ? track->length_seconds() : 0.0, scene->state->timeline);
    return scene;
}

void show_setup(Scene* scene) { set_up(scene, true); }

Scene* show_build_twin(const Scene* original, AudioTrack* track) {
    const ShowState& like = *original->state;
    Scene* twin = build_scene(track, like.timeline.phase_count, like.timeline.pattern_count, like.text->font,
                              like.text->width, like.text->height);
    scene_set_window(twin, original->window_start, original->window_end);
    set_up(twin, false);
    return twin;
}

void show_rebuild_geometry(Scene* scene) {
    ShowState& state = state_of(scene);
    // Before the swell the figure is hidden, and the swell's first update
    // builds it anew.
    if (state.act < ACT_SWELL || state.deformer == nullptr) return;
    state.figure_mesh = apply_deformer(state, state.deformer);
    instance_set_target(state.figure, state.figure_mesh);
    if (state.act >= ACT_RAINBOW) recolor_mesh(state, state.figure_mesh);
    if (state.act == ACT_FINALE) mesh_fill_color(state.figure_mesh, RED);
    if (state.act < ACT_DANCE) return;
    state.copy_mesh = apply_deformer(state, state.copy_deformer);
    recolor_mesh(state, state.copy_mesh);
    for_each_copy(state, [&](MeshInstance* copy, int32_t, int32_t, int32_t) {
        instance_set_target(copy, state.copy_mesh);
    });
}

void show_update(Scene* scene) {
    ShowState& state = state_of(scene);
    color_and_move_text(state);
    const int32_t act_before = state.act;
    const double now = scene_time(scene);
    fire_cues(state, now);
    if (state.act != act_before) enter_act(scene, state.act);
    act_frame(scene, pattern_position(state, now));
}

void show_draw(Scene* scene) {
    ShowState& state = state_of(scene);
    // What the tracks replace is put on for the one draw and taken off
    // again: the acts go on from their own values.
    const MeshInstance figure = *state.figure;
    std::array<MeshInstance, LATTICE_SIZE> copies{};
    for (size_t i = 0; i < copies.size(); ++i) copies[i] = *state.cubes[i];
    const Rgb text_color = state.text->color;
    put_on_tracks(state);
    draw_scene(state);
    *state.figure = figure;
    for (size_t i = 0; i < copies.size(); ++i) *state.cubes[i] = copies[i];
    state.text->color = text_color;
}

void show_background(const Scene* scene, Rgb& out) {
    scene_background(scene, out);
    const ShowState* state = scene_state(scene);
    if (state == nullptr) return;
    keyed(*state, TRACK_BACKGROUND_R, out[0]);
    keyed(*state, TRACK_BACKGROUND_G, out[1]);
    keyed(*state, TRACK_BACKGROUND_B, out[2]);
}

void show_refigure(Scene* scene) {
    ShowState& state = state_of(scene);
    if (state.deformer == nullptr) return;
    if (state.replaying == 0)
        state.figure_mesh = apply_deformer(state, state.deformer);
    instance_destroy(state.figure);
    state.figure = instance_new_mesh(state.figure_mesh);
}

void show_follow_audio(Scene* scene) {
    ShowState& state = state_of(scene);
    state.radius_control = 0.5f + 0.25f * loudness_fraction(listen(scene));
    derive_deformer_parameters(state);
    show_refigure(scene);
}

void show_recolor(Scene* scene) {
    ShowState& state = state_of(scene);
    state.contrast = 0.1f + 0.7f * loudness_fraction(listen(scene));
    if (state.replaying == 0) recolor_mesh(state, state.figure_mesh);
}

int32_t show_act(const Scene* scene) {
    const ShowState* state = scene_state(scene);
    return state != nullptr ? state->act : 0;
}

int32_t show_pattern_count(const Scene* scene) {
    const ShowState* state = scene_state(scene);
    return state != nullptr ? state->timeline.pattern_count : 0;
}

double show_row(const Scene* scene) {
    const ShowState* state = scene_state(scene);
    return state != nullptr ? row_of(*state) : 0.0;
}

double show_pattern_length(const Scene* scene) {
    const ShowState* state = scene_state(scene);
    return state != nullptr ? state->timeline.pattern_length : 0.0;
}
