#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "sync/sync_tracks.h"

// The show's values that a sync editor can shape, as named tracks of keys
// over the show's rows (its pattern position times the rows a pattern
// has). A track with keys replaces what the acts give that value on the
// way out (the picture and the geometry); the values the acts carry from
// one update to the next never see it. A show without keys is the show as
// written.
enum ShowTrack : int32_t {
    TRACK_BACKGROUND_R,    // 0-1: the clear colour's red
    TRACK_BACKGROUND_G,    // 0-1
    TRACK_BACKGROUND_B,    // 0-1
    TRACK_FIGURE_TURN,     // degrees about the vertical axis, for the act's rotation
    TRACK_FIGURE_RADIUS,   // the deformer's radius, for the one the act derived
    TRACK_FIGURE_SHARPNESS,
    TRACK_FIGURE_BIAS,
    TRACK_LATTICE_SPIN,     // degrees about the depth axis, for the copies' spin
    TRACK_LATTICE_SCALE,    // a factor on the copies' scale, growth included
    TRACK_LATTICE_AMBIENT,  // 0-1: the copies' ambient light
    TRACK_CREDITS_HUE,      // 0-1 along the ramp: the credit line's colour instead of blinking
    SHOW_TRACK_COUNT
};

inline constexpr std::array<const char*, SHOW_TRACK_COUNT> SHOW_TRACK_NAMES = {
    "background:r",     "background:g",     "background:b",   "figure:turn",
    "figure:radius",    "figure:sharpness", "figure:bias",    "lattice:spin",
    "lattice:scale",    "lattice:ambient",  "credits:hue",
};

// The show's tracks, made in the order of SHOW_TRACK_NAMES (the order an
// editor is asked for them in), and how many rows a pattern has. The
// fields are the plain reads; keys are read and saved through
// sync/sync_source.h.
struct ShowTracks {
    SyncTracks tracks;
    int32_t rows_per_pattern = 8;
};

ShowTracks* show_tracks_new(int32_t rows_per_pattern);
void show_tracks_destroy(ShowTracks* tracks);

// The track's value at the row, into `value`, when it has keys; false (and
// `value` untouched) without tracks or keys.
bool show_track_value(const ShowTracks* tracks, ShowTrack track, double row, double* value);
