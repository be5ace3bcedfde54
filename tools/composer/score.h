#pragma once

#include "tools/composer/mix.h"

// The soundtrack's time grid: patterns of four beats, sixteen steps each.
struct Timing {
    double beat_seconds = 60.0 / 125.0;
    int pattern_count = 104;

    // Seconds from the start at a pattern and a sixteenth-note step in it
    // (steps may run past 16 into the following patterns).
    double at(int pattern, double step) const { return (pattern * 16 + step) * beat_seconds / 4.0; }
    double steps(double count) const { return count * beat_seconds / 4.0; }
    double total_seconds() const { return pattern_count * 4 * beat_seconds; }
};

// Plays the whole arrangement into the mix: pads, bass, drums, lead and
// arpeggios, section by section, in E minor.
void play_score(Mix& mix, const Timing& timing);
