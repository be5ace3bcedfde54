#pragma once

#include <cstdint>
#include <deque>
#include <string_view>

#include "sync/sync_track.h"

// The tracks a show asks for, by name, in the order they were first asked
// for: an editor addresses a track by the index of that request, so the
// order never changes and no track is ever removed.
struct SyncTracks {
    std::deque<SyncTrack> tracks;  // a deque, so that handed-out pointers stay valid as tracks are added

    // The track of that name, made (without keys) at the next index when
    // there is none yet. The pointer stays valid for the set's lifetime.
    SyncTrack* find_or_create(std::string_view name);
    // The index of the track of that name, or -1.
    int32_t find(std::string_view name) const;
    // The track at index, or nullptr when index is outside [0, count()).
    SyncTrack* at(int32_t index);
    int32_t count() const { return static_cast<int32_t>(tracks.size()); }
};
