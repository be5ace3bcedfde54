#pragma once

#include <array>
#include <cstdint>

#include "show/text_line.h"

// The show's timeline, written once: the music divided into phases and
// patterns, and the pattern each act starts at, with the credit lines that
// come in on their own patterns. Everything that moves in the show is timed
// from here and from the pattern position.

inline constexpr int32_t SHOW_PHASE_COUNT = 13;
inline constexpr int32_t SHOW_PATTERN_COUNT = 104;  // 8 to a phase

// The acts by the numbers the show has always given them (there is no 4).
inline constexpr int32_t ACT_DASHES = 0;          // the skeleton as short dashes
inline constexpr int32_t ACT_DASHES_GROW = 1;     // the dashes grow into lines
inline constexpr int32_t ACT_SKELETON_HOLDS = 2;  // the lines hold still
inline constexpr int32_t ACT_SWELL = 3;           // the figure swells around its skeleton
inline constexpr int32_t ACT_TURN = 5;            // the figure alone, turning twice
inline constexpr int32_t ACT_FIGURE_HOLDS = 6;    // the figure holds still
inline constexpr int32_t ACT_FOLLOW = 7;          // its thickness follows the music
inline constexpr int32_t ACT_RAINBOW = 8;         // coloured along the ramp, turning twice
inline constexpr int32_t ACT_DANCE = 9;           // the lattice of copies dances around it
inline constexpr int32_t ACT_FINALE = 10;         // red and still on white, at the music's end

inline constexpr int32_t NO_ACT = -1;

// A cue fires when the pattern position crosses its pattern: it moves the
// show on to an act, or brings in a credit line, or both.
struct ShowCue {
    int32_t pattern;
    int32_t act;       // NO_ACT: the act goes on
    const char* text;  // none: the credit line goes on
};

// Act 0 runs from the start; every other act begins at its cue.
inline constexpr std::array<ShowCue, 14> SHOW_CUES = {{
    {2, ACT_DASHES_GROW, nullptr},
    {4, ACT_SKELETON_HOLDS, nullptr},
    {6, ACT_SWELL, nullptr},
    {8, ACT_TURN, nullptr},
    {14, ACT_FIGURE_HOLDS, nullptr},
    {16, ACT_FOLLOW, nullptr},
    {20, ACT_RAINBOW, nullptr},
    {24, ACT_DANCE, SHOW_TITLE},
    {28, NO_ACT, SHOW_CREDITS},
    {42, NO_ACT, SHOW_THANKS_1},
    {56, NO_ACT, SHOW_THANKS_2},
    {60, NO_ACT, SHOW_THANKS_3},
    {88, NO_ACT, SHOW_CLOSING},
    {SHOW_PATTERN_COUNT, ACT_FINALE, nullptr},
}};

// The pattern an act starts at; -1 for a number that is no act.
constexpr int32_t act_start(int32_t act) {
    if (act == ACT_DASHES) return 0;
    for (const ShowCue& cue : SHOW_CUES)
        if (cue.act == act) return cue.pattern;
    return -1;
}

// The patterns an act lasts, up to the start of the act after it; the
// finale lasts until the music stops, 0 patterns. -1 for no act.
constexpr int32_t act_length(int32_t act) {
    const int32_t start = act_start(act);
    if (start < 0) return -1;
    for (const ShowCue& cue : SHOW_CUES)
        if (cue.act != NO_ACT && cue.pattern > start) return cue.pattern - start;
    return 0;
}
