#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "sync/sync_track.h"

struct SyncTracks;

// The demo's end of the sync editor's live link: a TCP connection to the
// editor, which listens (on port 1338 by default). Everything on the socket
// is big-endian.
//
//   demo -> editor   "hello, synctracker!"  (19 bytes, no terminator)
//   editor -> demo   "hello, demo!"         (12 bytes)
//   then packets, one command byte and its payload:
//   0 SET_KEY      editor -> demo  u32 track, u32 row, f32 value (its bits as u32), u8 interpolation
//   1 DELETE_KEY   editor -> demo  u32 track, u32 row
//   2 GET_TRACK    demo -> editor  u32 name length, the name's bytes
//   3 SET_ROW      both ways       u32 row
//   4 PAUSE        editor -> demo  u8 flag (0 plays, anything else pauses)
//   5 SAVE_TRACKS  editor -> demo  nothing
// The editor numbers the tracks in the order of the demo's GET_TRACK
// requests on this connection, from 0, and answers each request with a
// SET_KEY for every key it holds on that track.

inline constexpr int32_t SYNC_DEFAULT_PORT = 1338;

enum class SyncCommand : uint8_t {
    set_key = 0,
    delete_key = 1,
    get_track = 2,
    set_row = 3,
    pause = 4,
    save_tracks = 5,
};

// ---------------------------------------------------------------------------
// Packets, apart from the socket

enum class SyncPacketStatus : uint8_t {
    complete,     // one whole, valid packet from the editor
    need_more,    // the bytes so far begin a packet; wait for the rest
    bad_value,    // a whole packet with a value that cannot be used: skip its size bytes
    bad_command,  // a command byte the editor does not send: the stream cannot be followed
};

// One packet from the editor as read. Only the fields its command has are
// set; the rest keep their defaults.
struct SyncPacket {
    SyncCommand command = SyncCommand::set_row;
    int32_t track = 0;  // SET_KEY, DELETE_KEY
    int32_t row = 0;    // SET_KEY, DELETE_KEY, SET_ROW: 0 .. 2^31 - 1
    float value = 0.0f;  // SET_KEY: finite
    SyncInterpolation interpolation = SyncInterpolation::step;  // SET_KEY
    int32_t paused = 0;  // PAUSE: 1 for any non-zero flag
    size_t size = 0;     // bytes the packet takes (complete and bad_value)
    std::array<char, 96> why{};  // bad_value and bad_command: what is wrong, one line without newline
};

// Reads the packet at the start of bytes[0, size), which the editor sent to
// a demo that has requested track_count tracks. Pure: no state, no I/O.
//   complete     out holds the packet and its size;
//   need_more    size is shorter than the packet the bytes begin (0 bytes included);
//   bad_value    out->size is the packet's size and out->why says what is
//                wrong: a track index of track_count or more, a row of 2^31
//                or more (SET_KEY, DELETE_KEY, SET_ROW), an interpolation byte
//                of 4 or more, a value that is NaN or infinite;
//   bad_command  out->why names the command byte (GET_TRACK included: the
//                editor never sends it); out->size is 0.
// The largest packet is 14 bytes, so need_more never comes with 14 or more.
SyncPacketStatus sync_packet_parse(const uint8_t* bytes, size_t size, int32_t track_count, SyncPacket* out);

// ---------------------------------------------------------------------------
// The link

// What the editor asked for during one sync_link_poll.
struct SyncLinkEvents {
    bool has_row = false;  // the editor set the row; row is the last it set
    int32_t row = 0;
    bool has_pause = false;  // the editor paused or resumed; paused is the last it said
    bool paused = false;
    bool save_asked = false;    // the editor asked the demo to save its tracks
    bool keys_changed = false;  // some track's keys changed (set, deleted, or replaced by the editor's)
};

struct SyncLink;

// A link to the editor at host:port that fills tracks, which it borrows:
// tracks must outlive the link, and the caller adds tracks to it but does
// not change their keys while connected (the editor owns them then).
// Looks the host up once, here (getaddrinfo, which may take as long as the
// system's resolver does); nothing connects until the first poll. A host
// that cannot be found or a port outside 1 .. 65535 gives one line
// "sync: cannot reach the editor at HOST:PORT: <why>" on standard error and
// a link that never connects. Never nullptr; release it with
// sync_link_destroy.
SyncLink* sync_link_create(const char* host, int32_t port, SyncTracks* tracks);

// Closes the connection, if any, and frees the link. nullptr is allowed.
void sync_link_destroy(SyncLink* link);

// Called once per frame, from one thread. Never blocks: a connection under
// way is checked with a zero timeout, and only the bytes already received
// are read (64 KiB at most per call). *out is reset, then filled.
//   Not connected: tries the next of the host's addresses at most once a
//   second; the first failure after creation prints
//   "sync: no editor at HOST:PORT, trying again every second", later ones
//   stay silent. A connection prints
//   "sync: connected to the editor at HOST:PORT" once the editor has
//   greeted.
//   Greeted: requests each track in order, and each track added to tracks
//   later on the next poll; applies SET_KEY and DELETE_KEY to the tracks at
//   once (the first key the editor sends a track on a connection replaces
//   the keys it had: the editor sends all it holds for a track in reply to
//   its request) and reports rows, pauses and saves in out. A packet cut
//   off waits for its rest at the next poll.
// Trouble prints one line and the link goes on:
//   - a packet with a bad value (bad_value above) is skipped with
//     "sync: ignored a packet from the editor at HOST:PORT: <why>";
//   - a bad greeting, an unknown command, an editor that closes the
//     connection or fails on it, a greeting not complete 2 seconds after
//     connecting, or a packet not complete 2 seconds after its first byte
//     drops the connection with
//     "sync: dropped the editor at HOST:PORT: <why>, trying again every second"
//     and the next attempt is a second later, silent if it fails.
void sync_link_poll(SyncLink* link, SyncLinkEvents* out);

// Tells the editor the demo's current row (SET_ROW), when connected and
// row differs from the last row sent on this connection. Never blocks:
// when the socket cannot take the whole packet now, the update is dropped
// (and sent at a later call). A failing socket drops the connection as
// sync_link_poll does.
void sync_link_send_row(SyncLink* link, int32_t row);

// 1 while connected to an editor that has greeted, else 0.
int32_t sync_link_connected(const SyncLink* link);

// 1 when the editor has sent the track at index keys on this connection
// (the keys are the editor's now), else 0; 0 for a nullptr link.
int32_t sync_link_has_editor_keys(const SyncLink* link, int32_t index);
