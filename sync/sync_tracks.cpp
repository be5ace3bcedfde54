#include "sync/sync_tracks.h"

#include <string>

SyncTrack* SyncTracks::find_or_create(std::string_view name) {
    const int32_t index = find(name);
    if (index >= 0) return &tracks[static_cast<size_t>(index)];
    tracks.push_back(SyncTrack{std::string(name), {}});
    return &tracks.back();
}

// A show asks for a few dozen tracks at most, once each, so a walk is enough.
int32_t SyncTracks::find(std::string_view name) const {
    for (size_t i = 0; i < tracks.size(); ++i)
        if (tracks[i].name == name) return static_cast<int32_t>(i);
    return -1;
}

SyncTrack* SyncTracks::at(int32_t index) {
    if (index < 0 || index >= count()) return nullptr;
    return &tracks[static_cast<size_t>(index)];
}
