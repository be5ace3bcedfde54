#pragma once

#include <cstdint>

#include "geometry/rgb.h"

struct AudioTrack;
struct Font;
struct Scene;

// The show's scene: a figure drawn from ASCII art, wrapped around its own
// skeleton, moved through its acts by the music's patterns and by the
// loudness near E5, joined late by a dancing lattice of copies, with a
// scrolling credit line.

// Creates the scene and its state for a loaded track divided into phases
// and patterns, and reports the division on standard error. The credit
// line is laid out over width x height pixels.
Scene* show_build(AudioTrack* track, int32_t phase_count, int32_t pattern_count, const Font* font,
                  int32_t width, int32_t height);
// Builds the figure, skeleton, ramp and lattice (the scene's set-up).
void show_setup(Scene* scene);
// One frame of the show (the scene's update).
void show_update(Scene* scene);
// Draws the lattice, the figure, the skeleton and the credit line (the
// scene's draw), in the camera the caller has set, with the values of the
// show's keyed tracks in place of the acts' (the acts' stay as they were).
void show_draw(Scene* scene);
// The colour the view clears to: the scene's background, or the keyed
// background tracks' values.
void show_background(const Scene* scene, Rgb& out);

// A second scene like `original` (its division of the track, its font and
// size) over another track, built and set up without a word on standard
// output or error: a show already open replays itself on it elsewhere.
Scene* show_build_twin(const Scene* original, AudioTrack* track);

// Builds the figure and the lattice's copy for the values the acts hold
// now, as the updates that set them would have: the end of a replay.
void show_rebuild_geometry(Scene* scene);

// Deforms the figure again with the current parameters and gives it a new
// instance (unrotated, visible).
void show_refigure(Scene* scene);
// Thickens the figure with the loudness near 647 Hz, then refigures it.
void show_follow_audio(Scene* scene);
// Colours the figure along the ramp by vertex weight, bent by the loudness.
void show_recolor(Scene* scene);

// Reads for whoever runs the show from outside: the act it has reached,
// and how its track is divided. 0 for a scene without a state.
int32_t show_act(const Scene* scene);
int32_t show_pattern_count(const Scene* scene);
double show_pattern_length(const Scene* scene);  // seconds
// The row of the show's tracks at the last update; 0 without tracks.
double show_row(const Scene* scene);
