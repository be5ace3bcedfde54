#pragma once

#include <cstdint>
#include <string>
#include <vector>

// How a key's value goes over to the next key's. The numbers are the ones
// the editor sends and the player files hold.
enum class SyncInterpolation : uint8_t { step = 0, linear = 1, smooth = 2, ramp = 3 };
inline constexpr int32_t SYNC_INTERPOLATION_COUNT = 4;

struct SyncKey {
    int32_t row;
    float value;
    SyncInterpolation interpolation;  // from this key to the next

    bool operator==(const SyncKey&) const = default;
};

// One named value over the rows of the show: keys sorted by row, at most one
// on a row. A plain value; copying it copies its keys.
struct SyncTrack {
    std::string name;
    std::vector<SyncKey> keys;  // sorted by row, rows unique

    // Adds the key, or replaces the key already on its row.
    void set_key(const SyncKey& key);
    // 1 when a key on row was removed; 0 (and the track unchanged) when
    // there was none.
    int32_t delete_key(int32_t row);
    // The index of the key on row, or -1 when there is none.
    int32_t find_key(int32_t row) const;
    bool has_keys() const { return !keys.empty(); }

    // The value at a fractional row. Between two keys it goes from the
    // earlier to the later as the earlier key's interpolation says, with
    // t = (row - earlier.row) / (later.row - earlier.row):
    //   step    the earlier value, until the later key's row
    //   linear  a + (b - a) * t
    //   smooth  a + (b - a) * t * t * (3 - 2 * t)
    //   ramp    a + (b - a) * t * t
    // Before the first key it is the first key's value, from the last key
    // on the last key's value; a track without keys gives 0 (has_keys tells
    // that apart from a real 0). A NaN row counts as before the first key.
    // Costs one binary search.
    double value_at(double row) const;
};
