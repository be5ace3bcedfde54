#include "show/show_tracks.h"

#include <unistd.h>

#include "sync/player_file.h"

ShowTracks* show_tracks_new(int32_t rows_per_pattern) {
    auto* tracks = new ShowTracks{};
    tracks->rows_per_pattern = rows_per_pattern;
    for (const char* name : SHOW_TRACK_NAMES) tracks->tracks.find_or_create(name);
    return tracks;
}

void show_tracks_destroy(ShowTracks* tracks) { delete tracks; }

int32_t show_tracks_load(ShowTracks* tracks, const std::string& source) {
    // Read into a copy and swap, so that a file refused halfway leaves the
    // keys as they were.
    SyncTracks loaded = tracks->tracks;
    for (SyncTrack& track : loaded.tracks) {
        const std::string path = player_file_name(source, track.name);
        if (access(path.c_str(), F_OK) != 0) continue;
        if (player_file_read(path.c_str(), &track) != 1) return 0;
    }
    tracks->tracks = std::move(loaded);
    return 1;
}

bool show_track_value(const ShowTracks* tracks, ShowTrack track, double row, double* value) {
    if (tracks == nullptr) return false;
    const SyncTrack& keys = tracks->tracks.tracks[static_cast<size_t>(track)];
    if (!keys.has_keys()) return false;
    *value = keys.value_at(row);
    return true;
}
