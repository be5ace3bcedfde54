#include "show/show_tracks.h"

ShowTracks* show_tracks_new(int32_t rows_per_pattern) {
    auto* tracks = new ShowTracks{};
    tracks->rows_per_pattern = rows_per_pattern;
    for (const char* name : SHOW_TRACK_NAMES) tracks->tracks.find_or_create(name);
    return tracks;
}

void show_tracks_destroy(ShowTracks* tracks) { delete tracks; }

bool show_track_value(const ShowTracks* tracks, ShowTrack track, double row, double* value) {
    if (tracks == nullptr) return false;
    const SyncTrack& keys = tracks->tracks.tracks[static_cast<size_t>(track)];
    if (!keys.has_keys()) return false;
    *value = keys.value_at(row);
    return true;
}
