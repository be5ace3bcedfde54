#pragma once

#include <string>

#include "sync/sync_tracks.h"

// Reads a show's keys again whenever their source changes on disk, on a
// thread of its own, so that the frame loop only swaps in keys already
// read. The source's folder is watched (inotify), not the file: editors
// save through a temporary file and a rename, which a watch on the file
// itself would lose. Writes that come close together (a rename after its
// write, a save of every player file) are read once, after 50 ms without
// another.
//
// Each change is read into the tracks named at the start, without keys, so
// what is taken is the source as it now is: a track whose player file was
// removed comes without keys. A source that no longer reads is said in its
// reader's one line and nothing is handed over: the show keeps the last
// good keys. A read that succeeds says
// "sync: keys reloaded from <source>".

struct SyncWatch;

// Starts watching the source (a FILE.rocket or DIR/PREFIX, as in
// sync_source.h) for the tracks of `tracks`; only their names are taken.
// nullptr after one line "sync: cannot watch <folder> for changes: <why>"
// when the folder cannot be watched. Release it with sync_watch_stop.
SyncWatch* sync_watch_start(const std::string& source, const SyncTracks& tracks);

// Stops the watching thread and frees the watch. nullptr is allowed.
void sync_watch_stop(SyncWatch* watch);

// The keys read since the last take, moved into *out (the tracks in the
// order they were named), and true; false with *out untouched when nothing
// new has been read. Never waits on the reading thread beyond a lock held
// for a move.
bool sync_watch_take(SyncWatch* watch, SyncTracks* out);
