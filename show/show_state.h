#pragma once

#include <array>
#include <cstdint>

#include "geometry/rgb.h"

struct ColorRamp;
struct Deformer;
struct GlyphGrid;
struct Mesh;
struct MeshInstance;
struct PathSet;
struct Scene;
struct ShowTracks;
struct TextLine;

// The track divided into equal phases and patterns. Only the pattern
// length times anything; the phases are reported and kept.
struct Timeline {
    int32_t phase_count = 0;
    int32_t pattern_count = 0;
    double phase_length = 0.0;    // seconds
    double pattern_length = 0.0;  // seconds
};

inline constexpr int32_t LATTICE_SIDE = 5;  // copies along each axis
inline constexpr int32_t LATTICE_SIZE = LATTICE_SIDE * LATTICE_SIDE * LATTICE_SIDE;

// What the show's set-up, update and draw share. The fields are the plain
// reads; show_build gives them their start values.
struct ShowState {
    Scene* scene = nullptr;  // back pointer
    Timeline timeline;
    Rgb background{0.0f, 0.0f, 0.0f};  // what the view clears to
    float level = 0.0f;  // smoothed analysis level (act 9)
    float hue = 0.0f;    // ramp position of the background (act 9)
    GlyphGrid* grid = nullptr;
    Deformer* deformer = nullptr;
    PathSet* paths = nullptr;          // the skeleton
    Mesh* figure_mesh = nullptr;       // the deformer's current output
    MeshInstance* figure = nullptr;    // draws figure_mesh
    MeshInstance* path_figure = nullptr;  // draws the skeleton
    // The lattice copies are a few dozen pixels wide: they show the figure
    // subdivided once instead of twice (a quarter of the triangles),
    // deformed and coloured by the same rules.
    Deformer* copy_deformer = nullptr;
    Mesh* copy_mesh = nullptr;  // copy_deformer's current output
    float radius_control = 0.5f;
    float sharpness_control = 0.5f;
    float bias_control = 0.5f;
    float radius = 0.0f;  // the deformer's parameters, derived from the controls
    float sharpness = 0.0f;
    float bias = 0.0f;
    ColorRamp* ramp = nullptr;
    float contrast = 0.5f;  // bends how vertex weights map onto the ramp
    double previous_time = 0.0;  // play position at the previous update, seconds
    std::array<MeshInstance*, LATTICE_SIZE> cubes{};  // the lattice of copies
    TextLine* text = nullptr;  // the credit line
    int32_t blink = 1;         // flips on every update while the text blinks
    int32_t act = 0;
    // 1 while updates are replayed to reach a moment: the acts move
    // everything but the geometry (no deforming, recolouring or filling),
    // which show_rebuild_geometry builds once at the moment reached.
    int32_t replaying = 0;
    const ShowTracks* tracks = nullptr;  // borrowed: keyed tracks replace the values on the way out
};
