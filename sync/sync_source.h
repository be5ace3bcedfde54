#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "sync/sync_tracks.h"

// Where a show's keys are kept on disk, named by one string:
//   FILE.rocket   the sync editor's document, every track in one file;
//   DIR/PREFIX    the player files DIR/PREFIX_<track>.track, one per track
//                 (a bare PREFIX means the current folder).

// True when the source names a document (it ends in ".rocket").
bool sync_source_is_document(std::string_view source);

// Reads the source's keys into the tracks `tracks` already has; the source
// is read into a copy first, so that a source refused halfway leaves every
// key as it was.
//   A document: each track it names gets the document's keys; a track the
//   set does not have is ignored with one line
//   "sync: <path> has a track the show does not: <name>".
//   Player files: each track whose file exists gets the file's keys; a
//   track without its file keeps its keys.
// 1 on success; 0 after the reader's one line.
int32_t sync_source_load(const std::string& source, SyncTracks* tracks);

// The prefix player files are saved under for the source: the source
// itself for player files, the document's path without ".rocket" for a
// document (show.rocket saves as show_<track>.track beside it).
std::string sync_source_save_prefix(const std::string& source);

// Writes the player file of every track to PREFIX_<track>.track (folders
// made as needed), a track without keys as a file of no keys, so that a
// track emptied in the editor is empty when read again. 1 on success; 0
// after the writer's line.
int32_t sync_source_save(const SyncTracks& tracks, const std::string& prefix);

// The folder the source's files lie in ("." for a bare name), and whether
// a file of that name in it is one of the source's.
std::string sync_source_folder(std::string_view source);
bool sync_source_has_file(std::string_view source, std::string_view file_name);
