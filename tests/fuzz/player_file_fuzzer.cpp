// Player files from memory: a file may be refused, but not crash or hang,
// and a track read from one keeps the track's rules (rows strictly rising,
// known interpolations, finite values) and evaluates between its extremes.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "sync/player_file.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // Refused files write a line each; the fuzzer and the sanitizers keep
    // writing to the real standard error.
    stderr = std::fopen("/dev/null", "w");
    return 0;
}

namespace {
void require(bool condition) {
    if (!condition) __builtin_trap();
}

void check_values(const SyncTrack& track) {
    double lowest = track.keys.front().value, highest = lowest;
    for (const SyncKey& key : track.keys) {
        require(std::isfinite(key.value));
        require(static_cast<uint8_t>(key.interpolation) < SYNC_INTERPOLATION_COUNT);
        lowest = std::min<double>(lowest, key.value);
        highest = std::max<double>(highest, key.value);
    }
    // Every interpolation stays between its two keys; rounding may step one
    // part in a billion of the span outside.
    const double slack = (highest - lowest) * 1e-9;
    const double first = track.keys.front().row, last = track.keys.back().row;
    for (double share : {-0.5, 0.0, 0.125, 0.37, 0.5, 0.999, 1.0, 2.0}) {
        const double value = track.value_at(first + (last - first) * share);
        require(value >= lowest - slack && value <= highest + slack);
    }
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const SyncKey untouched{-7, 0.5f, SyncInterpolation::ramp};
    SyncTrack track{"fuzz", {untouched}};
    if (player_file_parse(data, size, "fuzz input", &track) == 0) {
        require(track.keys.size() == 1 && track.keys[0].row == untouched.row);
        return 0;
    }
    require(track.keys.size() <= (size - 4) / 9);
    for (size_t i = 1; i < track.keys.size(); ++i) require(track.keys[i - 1].row < track.keys[i].row);
    if (track.has_keys()) check_values(track);
    else require(track.value_at(1.0) == 0.0);
    return 0;
}
