// The editor's documents from memory: a document may be refused, but not
// crash or hang; a refused one leaves the tracks as they were, and a read
// one gives tracks that keep the tracks' rules (names unique, rows strictly
// rising, known interpolations, finite values).
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "sync/sync_document.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // Refused documents write a line each; the fuzzer and the sanitizers
    // keep writing to the real standard error.
    stderr = std::fopen("/dev/null", "w");
    return 0;
}

namespace {
void require(bool condition) {
    if (!condition) __builtin_trap();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const SyncKey untouched{-7, 0.5f, SyncInterpolation::ramp};
    SyncTracks tracks;
    tracks.find_or_create("fade")->keys = {untouched};
    if (sync_document_parse(data, size, "fuzz input", &tracks) == 0) {
        require(tracks.count() == 1 && tracks.tracks[0].keys.size() == 1 && tracks.tracks[0].keys[0] == untouched);
        return 0;
    }
    require(tracks.tracks[0].name == "fade");
    for (int32_t i = 0; i < tracks.count(); ++i) {
        const SyncTrack& track = tracks.tracks[static_cast<size_t>(i)];
        require(tracks.find(track.name) == i);
        for (size_t k = 0; k < track.keys.size(); ++k) {
            require(std::isfinite(track.keys[k].value));
            require(static_cast<uint8_t>(track.keys[k].interpolation) < SYNC_INTERPOLATION_COUNT);
            if (k > 0) require(track.keys[k - 1].row < track.keys[k].row);
        }
    }
    return 0;
}
