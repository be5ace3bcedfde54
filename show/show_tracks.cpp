#include "show/show_tracks.h"

#include <unistd.h>

#include <cstdio>
#include <string_view>

#include "sync/player_file.h"
#include "sync/sync_document.h"

namespace {
bool is_document(const std::string& source) {
    constexpr std::string_view ENDING = ".rocket";
    return source.size() > ENDING.size() && source.compare(source.size() - ENDING.size(), ENDING.size(), ENDING) == 0;
}

// The keys of the document's tracks that the show has; one line for each
// track it names that the show does not have.
int32_t load_document(SyncTracks& loaded, const std::string& path) {
    SyncTracks read;
    if (sync_document_read(path.c_str(), &read) != 1) return 0;
    for (SyncTrack& track : read.tracks) {
        SyncTrack* own = loaded.at(loaded.find(track.name));
        if (own == nullptr) {
            std::fprintf(stderr, "sync: %s has a track the show does not: %s\n", path.c_str(), track.name.c_str());
            continue;
        }
        own->keys = std::move(track.keys);
    }
    return 1;
}

// The keys of the player files there are for the show's tracks.
int32_t load_player_files(SyncTracks& loaded, const std::string& prefix) {
    for (SyncTrack& track : loaded.tracks) {
        const std::string path = player_file_name(prefix, track.name);
        if (access(path.c_str(), F_OK) != 0) continue;
        if (player_file_read(path.c_str(), &track) != 1) return 0;
    }
    return 1;
}
}  // namespace

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
    if ((is_document(source) ? load_document(loaded, source) : load_player_files(loaded, source)) != 1) return 0;
    tracks->tracks = std::move(loaded);
    return 1;
}

int32_t show_tracks_save(const ShowTracks* tracks, const std::string& prefix) {
    for (const SyncTrack& track : tracks->tracks.tracks) {
        if (!track.has_keys()) continue;
        if (player_file_write(player_file_name(prefix, track.name).c_str(), track) != 1) return 0;
    }
    return 1;
}

bool show_track_value(const ShowTracks* tracks, ShowTrack track, double row, double* value) {
    if (tracks == nullptr) return false;
    const SyncTrack& keys = tracks->tracks.tracks[static_cast<size_t>(track)];
    if (!keys.has_keys()) return false;
    *value = keys.value_at(row);
    return true;
}
