#include "tools/composer/score.h"

#include <array>
#include <vector>

#include "tools/composer/instruments.h"

// The arrangement follows the show's acts, which change on pattern
// boundaries: a quiet opening while the figure is drawn (patterns 0-7), the
// beat from pattern 8, the lead from 16 (its E5, the pitch the show listens
// to, struck hard and left silent in between so the figure pulses), the
// full band from 24 with long E5 swells from 40 that move the background, a
// breakdown at 56, the build from 64, the last section from 72 and a
// resolving end that has faded out when the track ends.
namespace {
enum Pitch {
    C2 = 36, D2 = 38, E2 = 40, G2 = 43, A2 = 45, B2 = 47, C3 = 48, D3 = 50, E3 = 52, F3s = 54, G3 = 55, A3 = 57,
    B3 = 59, G4 = 67, A4 = 69, B4 = 71, D5 = 74, E5 = 76, F5s = 78, G5 = 79, A5 = 81, B5 = 83,
    C6 = 84, D6 = 86, E6 = 88,
};

struct Chord {
    int bass_root;
    std::array<int, 3> pad;    // kept low and dark, away from the lead
    std::array<int, 4> arpeggio;  // high, and never on E5
};

// Em - C - G - D, two patterns each.
const std::array<Chord, 4> PROGRESSION = {{
    {E2, {E3, G3, B3}, {B5, G5, E6, B5}},
    {C2, {C3, E3, G3}, {G5, C6, E6, C6}},
    {G2, {D3, G3, B3}, {D6, B5, G5, B5}},
    {D2, {D3, F3s, A3}, {F5s, A5, D6, A5}},
}};

const Chord& chord_at(int pattern) { return PROGRESSION[static_cast<size_t>((pattern / 2) % 4)]; }

// A lead phrase over two patterns: step, length in steps, pitch, velocity.
struct Phrase {
    struct Step {
        int step, length, pitch;
        double velocity;
    };
    std::vector<Step> steps;
};

const Phrase PHRASE_A = {{{0, 3, E5, 1.0}, {4, 2, E5, 0.55}, {6, 2, D5, 0.6}, {8, 4, B4, 0.7},
                          {12, 2, E5, 0.9}, {14, 2, G5, 0.6}, {16, 6, E5, 1.0}, {24, 2, D5, 0.5},
                          {26, 2, B4, 0.5}, {28, 4, G4, 0.6}}};
const Phrase PHRASE_B = {{{0, 2, G5, 0.7}, {2, 2, F5s, 0.6}, {4, 4, E5, 1.0}, {8, 4, D5, 0.6},
                          {12, 2, B4, 0.5}, {14, 2, D5, 0.6}, {16, 8, E5, 0.9}, {28, 2, E5, 1.0},
                          {30, 2, E5, 0.6}}};
const Phrase PHRASE_C = {{{0, 2, B4, 0.6}, {2, 2, D5, 0.6}, {4, 2, E5, 1.0}, {6, 2, E5, 0.4},
                          {8, 2, E5, 0.9}, {10, 2, G5, 0.6}, {12, 4, F5s, 0.7}, {16, 2, E5, 1.0},
                          {18, 2, D5, 0.5}, {20, 4, B4, 0.6}, {24, 2, E5, 1.0}, {26, 2, E5, 0.5},
                          {28, 4, E5, 0.8}}};
const Phrase PHRASE_D = {{{0, 4, D5, 0.7}, {4, 2, E5, 0.9}, {6, 2, G5, 0.7}, {8, 6, F5s, 0.7},
                          {14, 2, E5, 0.9}, {16, 4, D5, 0.6}, {20, 2, B4, 0.5}, {22, 2, A4, 0.5},
                          {24, 8, E5, 1.0}}};

void play_phrase(Mix& mix, const Timing& timing, int pattern, const Phrase& phrase, double loudness) {
    for (const Phrase::Step& step : phrase.steps) {
        // Notes are held a little short of their length: the gaps are what
        // makes the listening figure breathe.
        const Note note{timing.at(pattern, step.step), timing.steps(step.length - 0.6), step.pitch,
                        step.velocity * loudness};
        play_lead(mix, note);
    }
}

// A long E5 that rises and falls over `patterns` patterns.
void play_swell(Mix& mix, const Timing& timing, int pattern, int patterns, double loudness) {
    play_lead(mix, Note{timing.at(pattern, 0), timing.steps(16.0 * patterns - 1.0), E5, loudness}, true);
}

void play_pads(Mix& mix, const Timing& timing) {
    for (int pattern = 0; pattern < 100; pattern += 2) {
        const bool breakdown = pattern >= 56 && pattern < 64;
        const double loudness = pattern < 8 ? 0.8 : (breakdown ? 1.0 : 0.65);
        for (int pitch : chord_at(pattern).pad)
            play_pad(mix, Note{timing.at(pattern, 0), timing.steps(31.0), pitch, loudness});
    }
    // The last chord: E minor, held while everything else falls away.
    for (int pitch : PROGRESSION[0].pad)
        play_pad(mix, Note{timing.at(100, 0), timing.steps(16.0 * 2.5), pitch, 0.9});
}

void play_bass_line(Mix& mix, const Timing& timing) {
    // Root, root, octave, root; root, fifth, octave, fifth: eighth notes.
    const std::array<int, 8> offsets = {0, 0, 12, 0, 0, 7, 12, 7};
    for (int pattern = 8; pattern < 100; ++pattern) {
        const int root = chord_at(pattern).bass_root;
        if (pattern >= 56 && pattern < 64) {
            // Breakdown: one long soft note a pattern.
            play_bass(mix, Note{timing.at(pattern, 0), timing.steps(14.0), root, 0.6});
            continue;
        }
        for (int eighth = 0; eighth < 8; ++eighth) {
            const double velocity = eighth % 2 == 0 ? 1.0 : 0.7;
            play_bass(mix, Note{timing.at(pattern, eighth * 2), timing.steps(1.4),
                                root + offsets[static_cast<size_t>(eighth)], velocity});
        }
    }
    play_bass(mix, Note{timing.at(100, 0), timing.steps(24.0), E2, 0.9});
}

void play_drums(Mix& mix, const Timing& timing) {
    unsigned seed = 1;
    for (int pattern = 8; pattern < 100; ++pattern) {
        const bool breakdown = pattern >= 56 && pattern < 64;
        const bool full = pattern >= 24 && !breakdown;
        const bool fill = pattern % 8 == 7 && full;
        for (int beat = 0; beat < 4; ++beat) {
            if (!breakdown) play_kick(mix, timing.at(pattern, beat * 4), 1.0);
            const bool backbeat = beat == 1 || beat == 3;
            if (backbeat && (pattern >= 16 && !breakdown && !(pattern >= 64 && pattern < 72)))
                play_snare(mix, timing.at(pattern, beat * 4), 1.0, seed++);
        }
        if (fill)
            for (int step = 12; step < 16; ++step)
                play_snare(mix, timing.at(pattern, step), 0.45 + 0.15 * (step - 12), seed++);
        // The build: a snare roll that grows denser and louder.
        if (pattern >= 66 && pattern < 72) {
            const int spacing = pattern < 68 ? 4 : (pattern < 70 ? 2 : 1);
            for (int step = 0; step < 16; step += spacing)
                play_snare(mix, timing.at(pattern, step), 0.2 + 0.05 * (pattern - 66) + 0.01 * step, seed++);
        }
        for (int step = 0; step < 16; ++step) {
            const bool offbeat = step % 4 == 2;
            if (full) {
                const double velocity = offbeat ? 0.9 : (step % 2 == 0 ? 0.5 : 0.3);
                play_hat(mix, timing.at(pattern, step), velocity, offbeat && step == 14, seed++);
            } else if (offbeat) {
                play_hat(mix, timing.at(pattern, step), breakdown ? 0.4 : 0.8, false, seed++);
            }
        }
    }
}

void play_lead_line(Mix& mix, const Timing& timing) {
    const std::array<const Phrase*, 4> opening = {&PHRASE_A, &PHRASE_B, &PHRASE_A, &PHRASE_B};
    for (size_t i = 0; i < opening.size(); ++i)
        play_phrase(mix, timing, 16 + 2 * static_cast<int>(i), *opening[i], 1.0);

    const std::array<const Phrase*, 8> band = {&PHRASE_C, &PHRASE_D, &PHRASE_C, &PHRASE_D,
                                               &PHRASE_A, &PHRASE_B, &PHRASE_C, &PHRASE_D};
    for (size_t i = 0; i < band.size(); ++i)
        play_phrase(mix, timing, 24 + 2 * static_cast<int>(i), *band[i], 1.0);

    // Swells and struck phrases by turns: the E5 energy rises and falls.
    for (int pattern = 40; pattern < 56; pattern += 4) {
        play_swell(mix, timing, pattern, 2, 1.0);
        play_phrase(mix, timing, pattern + 2, pattern % 8 == 0 ? PHRASE_C : PHRASE_D, 0.9);
    }

    play_phrase(mix, timing, 56, PHRASE_A, 0.4);
    play_phrase(mix, timing, 58, PHRASE_B, 0.45);
    play_swell(mix, timing, 60, 4, 0.8);
    for (int pattern = 64; pattern < 72; ++pattern)
        play_swell(mix, timing, pattern, 1, 0.45 + 0.07 * (pattern - 64));

    for (size_t i = 0; i < band.size(); ++i)
        play_phrase(mix, timing, 72 + 2 * static_cast<int>(i), *band[i], 1.0);

    play_swell(mix, timing, 88, 2, 1.0);
    play_phrase(mix, timing, 90, PHRASE_C, 1.0);
    play_swell(mix, timing, 92, 2, 1.0);
    play_phrase(mix, timing, 94, PHRASE_D, 1.0);
    play_phrase(mix, timing, 96, PHRASE_A, 0.9);
    play_phrase(mix, timing, 98, PHRASE_B, 0.8);
    play_swell(mix, timing, 100, 2, 0.7);
}

void play_arpeggios(Mix& mix, const Timing& timing) {
    for (int pattern = 24; pattern < 100; ++pattern) {
        const bool breakdown = pattern >= 56 && pattern < 64;
        const auto& tones = chord_at(pattern).arpeggio;
        const int spacing = breakdown ? 2 : 1;
        for (int step = 0; step < 16; step += spacing) {
            const double accent = step % 3 == 0 ? 1.0 : 0.55;
            const double pan = step % 2 == 0 ? -0.5 : 0.5;
            play_pluck(mix,
                       Note{timing.at(pattern, step), 0.0, tones[static_cast<size_t>(step % 4)],
                            accent * (breakdown ? 1.1 : 0.8)},
                       pan);
        }
    }
}
}  // namespace

void play_score(Mix& mix, const Timing& timing) {
    play_pads(mix, timing);
    play_bass_line(mix, timing);
    play_drums(mix, timing);
    play_lead_line(mix, timing);
    play_arpeggios(mix, timing);
}
