#pragma once

#include <cstdint>

// Small operations on float arrays of a given length and on pairs of
// numbers, shared by the analysis and its users. A length of 0 or below is
// an empty array.

// Each x becomes 20 log10(x); 0 gives minus infinity.
void to_decibels(float* values, int32_t count);
// Each x becomes 10^(x / 20).
void from_decibels(float* values, int32_t count);
// Each x becomes (x - floor) / (-floor), clamped to 0 ... 1: the floor and
// below give 0, 0 dB and above give 1; what is not a number gives 0. With a
// floor of 0 the range is empty: 0 dB and above give 1, the rest 0.
void decibels_to_unit(float* values, int32_t count, float floor_db);
// One-pole smoothing, element by element: state = k state + (1 - k) x,
// then x = state.
void smooth_into(float* values, float* state, int32_t count, float k);

// Sum of the elements; 0 when empty.
float sum(const float* values, int32_t count);
// Largest element, scanning from -1e15 (which an empty array gives).
float maximum(const float* values, int32_t count);
// Index of the first largest element, scanning from -1e15; 0 when empty or
// when nothing lies above -1e15.
int32_t argmax(const float* values, int32_t count);
// argmax refined by the parabola through the peak and its two neighbours.
// A peak on the first or last element has only one neighbour: its plain
// index is returned, as it is when the parabola gives no finite vertex.
float peak_position(const float* values, int32_t count);
// Each x becomes (x - min) / (max - min). A constant array (no range to
// divide by) becomes all 0.
void normalize_range(float* values, int32_t count);
// (b - a) / b clamped to 0 ... 1: how far a falls short of b, as a share
// of b. 0 when b is 0.
float shortfall(float a, float b);
// y (1 - x).
float attenuate(float x, float y);
// Clears peaks, then copies each value that is a strict local maximum:
// greater than both neighbours, never the first or last of three or more;
// of two values the larger (the second on a tie); a single value always.
// The two arrays must not overlap.
void peaks_of(const float* values, float* peaks, int32_t count);
