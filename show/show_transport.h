#pragma once

#include <cstdint>
#include <string>

struct ShowSession;

// Moving through the live show from the keyboard: pause, step by
// patterns, back to the start, and a loop over whole patterns. Every move
// lands on the moment a straight run from the start reaches (show_seek.h);
// the sound follows at its next block. The fields are the plain reads.
struct ShowTransport {
    int32_t paused = 0;     // 1: the sound is silent and the picture holds
    int32_t loop_mark = -1;  // the pattern a loop starts at once marked; -1 none
    int32_t loop_last = -1;  // the last pattern of the loop while looping; -1 not looping
};

// Pauses or resumes: the stream stays open.
void transport_toggle_pause(ShowSession& session, ShowTransport& transport);
void transport_set_paused(ShowSession& session, ShowTransport& transport, bool paused);
// To the start of a row of the show's tracks (the editor's SET_ROW).
void transport_go_to_row(ShowSession& session, ShowTransport& transport, int32_t row);
// To the start of the pattern `patterns` away from the one playing
// (negative: back), clamped to the show's patterns; works while paused.
void transport_step(ShowSession& session, ShowTransport& transport, int32_t patterns);
// Back to the start; after the end of the music the sound starts again.
void transport_home(ShowSession& session, ShowTransport& transport);
// The loop key: marks the pattern playing as a loop's start; on a later
// pattern, loops from the mark to the end of that one; on or before the
// mark, moves the mark there; while looping, ends the loop.
void transport_loop_key(ShowSession& session, ShowTransport& transport);
// One pass of the live loop: the scene moves on unless paused, and a loop
// that has played its last pattern goes back to its mark.
void transport_tick(ShowSession& session, ShowTransport& transport);

// The pattern playing (the show's own pattern position, whole), within
// the show's patterns.
int32_t transport_pattern(const ShowSession& session);
// "pattern 12  act 5", with "  paused" and "  loop 12-16" (or "  mark 12")
// when they hold: plain ASCII for any font.
std::string transport_status(const ShowSession& session, const ShowTransport& transport);
