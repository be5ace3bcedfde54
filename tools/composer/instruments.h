#pragma once

#include "tools/composer/mix.h"

// A note to play: when (seconds from the start), how long it is held, which
// MIDI note, and how hard (0 to 1).
struct Note {
    double start = 0.0;
    double held = 0.0;
    int pitch = 60;
    double velocity = 1.0;
};

// The instruments of the soundtrack. Each renders one event into the mix.
void play_kick(Mix& mix, double start, double velocity);
void play_snare(Mix& mix, double start, double velocity, unsigned seed);
void play_hat(Mix& mix, double start, double velocity, bool open, unsigned seed);
// A warm bass: sawtooth and square an octave apart through a steep low-pass.
void play_bass(Mix& mix, const Note& note);
// One voice of a pad chord: three detuned triangles, slow to rise and fall,
// darkened so they leave the lead's register to the lead.
void play_pad(Mix& mix, const Note& note);
// The lead: bright and with vibrato. `swell` shapes a long note as one
// rise and fall of loudness instead of a struck note.
void play_lead(Mix& mix, const Note& note, bool swell = false);
// A short bell-like pluck for the high arpeggios, sent to the delay.
void play_pluck(Mix& mix, const Note& note, double pan_position);
