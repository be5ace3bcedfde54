#include "sync/sync_source.h"

#include <unistd.h>

#include <cstdio>

#include "sync/player_file.h"
#include "sync/sync_document.h"

namespace {
constexpr std::string_view DOCUMENT_ENDING = ".rocket";
constexpr std::string_view PLAYER_FILE_ENDING = ".track";

bool ends_with(std::string_view text, std::string_view ending) {
    return text.size() > ending.size() && text.substr(text.size() - ending.size()) == ending;
}

// The part after the last '/'.
std::string_view base_name(std::string_view path) {
    const size_t slash = path.rfind('/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

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

int32_t load_player_files(SyncTracks& loaded, const std::string& prefix) {
    for (SyncTrack& track : loaded.tracks) {
        const std::string path = player_file_name(prefix, track.name);
        if (access(path.c_str(), F_OK) != 0) continue;
        if (player_file_read(path.c_str(), &track) != 1) return 0;
    }
    return 1;
}
}  // namespace

bool sync_source_is_document(std::string_view source) { return ends_with(source, DOCUMENT_ENDING); }

int32_t sync_source_load(const std::string& source, SyncTracks* tracks) {
    SyncTracks loaded = *tracks;
    const int32_t read =
        sync_source_is_document(source) ? load_document(loaded, source) : load_player_files(loaded, source);
    if (read != 1) return 0;
    // Keys move track by track: pointers to the set's tracks stay valid.
    for (size_t i = 0; i < loaded.tracks.size(); ++i) tracks->tracks[i].keys = std::move(loaded.tracks[i].keys);
    return 1;
}

std::string sync_source_save_prefix(const std::string& source) {
    if (!sync_source_is_document(source)) return source;
    return source.substr(0, source.size() - DOCUMENT_ENDING.size());
}

int32_t sync_source_save(const SyncTracks& tracks, const std::string& prefix) {
    for (const SyncTrack& track : tracks.tracks)
        if (player_file_write(player_file_name(prefix, track.name).c_str(), track) != 1) return 0;
    return 1;
}

std::string sync_source_folder(std::string_view source) {
    const size_t slash = source.rfind('/');
    if (slash == std::string_view::npos) return ".";
    if (slash == 0) return "/";
    return std::string(source.substr(0, slash));
}

bool sync_source_has_file(std::string_view source, std::string_view file_name) {
    const std::string_view base = base_name(source);
    if (sync_source_is_document(source)) return file_name == base;
    return file_name.size() > base.size() + 1 && file_name.substr(0, base.size()) == base &&
           file_name[base.size()] == '_' && ends_with(file_name, PLAYER_FILE_ENDING);
}
