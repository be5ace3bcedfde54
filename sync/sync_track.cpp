#include "sync/sync_track.h"

#include <algorithm>
#include <cmath>

namespace {
// The first key on a row after row.
std::vector<SyncKey>::const_iterator first_after(const std::vector<SyncKey>& keys, double row) {
    return std::upper_bound(keys.begin(), keys.end(), row,
                            [](double r, const SyncKey& key) { return r < static_cast<double>(key.row); });
}

// The share of the way from a to b at row, shaped by a's interpolation.
double shaped_share(const SyncKey& a, const SyncKey& b, double row) {
    const double t = (row - a.row) / (static_cast<double>(b.row) - a.row);
    switch (a.interpolation) {
        case SyncInterpolation::step: return 0.0;
        case SyncInterpolation::linear: return t;
        case SyncInterpolation::smooth: return t * t * (3.0 - 2.0 * t);
        case SyncInterpolation::ramp: return t * t;
    }
    return 0.0;
}
}  // namespace

void SyncTrack::set_key(const SyncKey& key) {
    const auto at = std::lower_bound(keys.begin(), keys.end(), key.row,
                                     [](const SyncKey& k, int32_t row) { return k.row < row; });
    if (at != keys.end() && at->row == key.row) *at = key;
    else keys.insert(at, key);
}

int32_t SyncTrack::delete_key(int32_t row) {
    const int32_t index = find_key(row);
    if (index < 0) return 0;
    keys.erase(keys.begin() + index);
    return 1;
}

int32_t SyncTrack::find_key(int32_t row) const {
    const auto at = first_after(keys, row);
    if (at == keys.begin() || std::prev(at)->row != row) return -1;
    return static_cast<int32_t>(std::prev(at) - keys.begin());
}

double SyncTrack::value_at(double row) const {
    if (keys.empty()) return 0.0;
    if (std::isnan(row)) return keys.front().value;
    // Rows are whole, so "the last key at or before row" is the last key at
    // or before floor(row) without rounding row to an int that might not hold it.
    const auto after = first_after(keys, row);
    if (after == keys.begin()) return keys.front().value;
    if (after == keys.end()) return keys.back().value;
    const SyncKey& a = *std::prev(after);
    const SyncKey& b = *after;
    // The difference in double: two extreme floats of opposite signs would
    // overflow a float difference to infinity.
    return a.value + (static_cast<double>(b.value) - a.value) * shaped_share(a, b, row);
}
