#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "sync/sync_track.h"

// Player files: one file per track, as the sync editor's client library
// saves them for a show that plays without the editor.
//
// Name: PREFIX "_" NAME ".track", where in NAME every byte other than an
// ASCII letter, digit, '.', '_' or '/' is written as '-' and two uppercase
// hexadecimal digits ("cam:x" -> "cam-3Ax", "a-b" -> "a-2Db"); a '/' is kept,
// so a name can put its file in a folder below the prefix.
//
// Contents, little-endian: a uint32 key count, then per key an int32 row,
// a float32 value and one byte of interpolation (0 step .. 3 ramp). Nothing
// follows the last key.

// NAME escaped as above. The editor's library escapes its prefix the same
// way; callers who want that pass their prefix through this too.
std::string player_file_escape(std::string_view text);
// PREFIX "_" escaped track name ".track"; the prefix is taken as it is.
std::string player_file_name(std::string_view prefix, std::string_view track_name);

// Reads the keys of the player file at path into track->keys, replacing
// them (the name is the caller's). 1 on success; 0 with one line
// "error reading sync track <path>: <why>" on standard error and the track
// unchanged when the file cannot be read or is refused:
//   - shorter than its count, or ending inside a key, or with bytes after
//     the last key (the count is checked against the file's size before
//     anything is allocated for the keys);
//   - an interpolation byte of 4 or more;
//   - a value that is NaN or infinite (large finite values are kept).
// Keys out of row order are sorted; of keys on the same row the one that
// comes last in the file wins, as if each key were set in turn.
int32_t player_file_read(const char* path, SyncTrack* track);
// The same from the file's bytes already in memory; path only names it in
// the message.
int32_t player_file_parse(const uint8_t* bytes, size_t size, const char* path, SyncTrack* track);

// Writes the track's keys to path, making the folders above it that do not
// exist yet. 1 on success; 0 with one line "error writing sync track
// <path>: <why>" on standard error.
int32_t player_file_write(const char* path, const SyncTrack& track);
