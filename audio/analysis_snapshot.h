#pragma once

#include <array>
#include <cstddef>
#include <vector>

#include "audio/audio_track.h"
#include "audio/phasor.h"

// What one tracking filter carries from one sample to the next: its two
// smoothing stages and its oscillator's value and step, with the step's
// cached rotation copied as it is (recomputed, it could differ in the last
// bits from the one the vector lanes made). The last turn of the output and
// the threshold are left out: every sample computes them afresh before
// using them. The filter's settings (smoothing constants, centre, range)
// belong to the analyser's set-up and stay with the track.
struct FilterState {
    Complex stage1;
    Complex stage2;
    float step = 0.0f;
    float re = 1.0f;
    float im = 0.0f;
    float cos_step = 1.0f;
    float sin_step = 0.0f;
    float cos_plus_sin = 1.0f;
    bool operator==(const FilterState&) const = default;
};

// Everything an AudioTrack's later analysis results depend on, as it
// stands between two blocks: the state of every filter in the bank and the
// bank's envelope, the smoothing memories, the results the drawing thread
// reads and the smoothing coefficient. A track given it back and then the
// same samples gives bit for bit the results of the run it was taken from,
// and so does another track with an analyser set up the same way.
//
// The analyser's resynthesis voices are left out: the track never
// resynthesises, and nothing it reads depends on them. The bank's vector
// lanes hold nothing between blocks (they are loaded from the filters
// before every run).
//
// A plain value: copy it, keep many. Its arrays are sized by the first take
// and reused by later ones.
struct AnalysisSnapshot {
    std::vector<FilterState> filters;  // one per bin
    float envelope = 0.0f;
    // As the track's arrays of the same names.
    std::vector<float> levels;
    std::vector<float> frequencies;
    std::vector<float> phases;
    std::vector<float> peaks;
    std::vector<float> level_state;
    std::vector<float> frequency_state;
    std::array<float, PITCH_CLASSES> pitch_profile{};
    float smoothing = 0.0f;
    // Equal when every state, result and the coefficient are: two
    // analyses that will go on alike.
    bool operator==(const AnalysisSnapshot&) const = default;
};

// Copies the track's analysis into out under the track's lock, between two
// blocks. out is sized to the track before the lock is taken, so the stream
// thread never waits on an allocation; a snapshot that already has the
// track's sizes allocates nothing.
void analysis_snapshot_take(AudioTrack& track, AnalysisSnapshot& out);
// Puts the snapshot's state into the track under its lock, between two
// blocks; the next block continues from it. Allocates nothing. A snapshot
// of other sizes (never taken, or from an analyser with another bin count)
// changes nothing.
void analysis_snapshot_restore(AudioTrack& track, const AnalysisSnapshot& snapshot);
// The same, for a caller that already holds the track's lock.
void analysis_snapshot_restore_locked(AudioTrack& track, const AnalysisSnapshot& snapshot);
// The memory the snapshot holds: the record and its arrays' capacity.
size_t analysis_snapshot_bytes(const AnalysisSnapshot& snapshot);
