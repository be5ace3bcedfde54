#pragma once

#include <cstddef>
#include <cstdint>

#include "sync/sync_tracks.h"

// The sync editor's documents: XML, UTF-8, the whole show's tracks in one
// file, as the editor opens and saves them.
//
//   <sync rows="128">
//       <tracks>
//           <track name="cam:x">
//               <key row="0" value="1.5" interpolation="1"/>
//               ...
//           </track>
//       </tracks>
//       <bookmarks><bookmark row="16"/></bookmarks>
//   </sync>
//
// Older documents have <tracks rows="..."> as their document element with the
// <track> elements right below it; both are read. Every <track> below the
// document element counts, at any depth, in document order; the keys are the
// <key> elements right below their track. interpolation is the number the
// player files hold: 0 step, 1 linear, 2 smooth, 3 ramp.

// Reads the document at path into tracks. Each track the document names gets
// the document's keys in place of its own; a track not there yet is made, in
// document order; tracks the document does not name keep theirs. 1 on
// success; 0 with one line "error reading sync document <path>: <why>" on
// standard error and tracks unchanged when the file cannot be read or the
// document is refused (the whole document is read into a set of its own
// first, so nothing is half-applied):
//   - malformed XML (the byte offset and the parser's reason);
//   - a document element other than <sync> or <tracks>;
//   - a <track> without a name attribute;
//   - a <key> without row or value, or whose row is not a whole number in
//     the int32 range, or whose value is not a finite float (NaN, inf and
//     numbers beyond the float range are refused; the largest floats kept);
//   - an interpolation other than 0, 1, 2 or 3 (a missing one is step, as
//     the editor reads it).
// Numbers are written as the editor writes them: no spaces, no '+', a '.'
// for the decimal point whatever the locale.
// Unknown elements and attributes (rows, bookmarks, ...) are ignored. Keys
// out of row order are sorted; of keys on one row the last in the document
// wins, also across two <track> elements of the same name. There is no limit
// on the number of keys but memory.
int32_t sync_document_read(const char* path, SyncTracks* tracks);
// The same from the document's bytes already in memory; path only names it
// in the message.
int32_t sync_document_parse(const uint8_t* bytes, size_t size, const char* path, SyncTracks* tracks);
