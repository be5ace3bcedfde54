#pragma once

#include <cstdint>

#include "show/show_files.h"

struct AudioTrack;
struct Font;
struct SampleBuffer;
struct Scene;
struct ShowMoments;
struct ShowTracks;

// One show, opened in one place and closed in one place: the music, the
// font its credit line is written in and the scene built over the music,
// laid out for a screen of width x height pixels. The live show, the
// offline capture and the benchmarks all hold their show through a
// session. The fields are the plain reads.
struct ShowSession {
    AudioTrack* track = nullptr;  // owned; opened but not started
    Font* font = nullptr;         // owned; none when the session was opened without one
    Scene* scene = nullptr;       // owned, with its state; built and set up
    ShowMoments* moments = nullptr;  // owned: what a jump starts from, once the first is asked for
    ShowTracks* tracks = nullptr;    // owned: the show's tracks, with the keys of the files' tracks source
    int32_t width = 0;            // pixels of the screen the show is laid out for
    int32_t height = 0;
};

// Bakes the font at a tenth of the screen's height, reads the keys of
// files.tracks_source into the show's tracks (files.rows_per_pattern rows a
// pattern), loads the music and builds and sets up the scene over the
// whole of it (the figure and the glyph art printed on standard output).
// Needs a current OpenGL context: the font becomes a texture. None after
// the loader's message when the font, the keys or the music cannot be
// read, in that order (what comes after a failure is not read), with
// whatever had been opened released.
ShowSession* show_session_open(const ShowFiles& files, int32_t width, int32_t height);

// The same over samples already in memory at the playback rate, which the
// session takes over whether it opens or not. Without a font path the
// credit line has no font and draws nothing, and no OpenGL is needed.
ShowSession* show_session_open_samples(SampleBuffer* samples, const char* font_path, int32_t width,
                                       int32_t height);

// Moving through the show (show_seek.h has the details). Starts the pass
// that keeps the moments a jump starts from, once; the first seek starts it
// when nothing has.
void show_session_start_moments(ShowSession* session);
// Moves the show to `frame` of a straight run at 60 updates a second, as
// that run has it after that frame's update; the track follows at its next
// block. The frame reached; -1 for a session without a scene.
int64_t show_session_seek(ShowSession* session, int64_t frame);
// The first frame of that run that has reached a pattern's start.
int64_t show_session_pattern_frame(ShowSession* session, int32_t pattern);
// The first frame of that run whose play position has reached the time.
int64_t show_session_frame_at(const ShowSession* session, double seconds);

// Stops the moments' pass and releases them, the scene, the track
// (stopping its sound) and the font; the font's texture needs the context
// it was made in to be current.
void show_session_close(ShowSession* session);
