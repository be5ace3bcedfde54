// A track's value between and beyond its keys, worked out by hand from the
// four interpolations, and the edits an editor makes to a track.
#include "sync/sync_track.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "sync/sync_tracks.h"

namespace {
using I = SyncInterpolation;

// One key of each interpolation, then a last key that only ends the step.
SyncTrack shaped_track() {
    SyncTrack track{"shaped", {}};
    for (const SyncKey& key : {SyncKey{40, 8.0f, I::step}, SyncKey{10, 2.0f, I::linear}, SyncKey{30, -4.0f, I::ramp},
                               SyncKey{20, 6.0f, I::smooth}, SyncKey{50, 1.0f, I::linear}})
        track.set_key(key);
    return track;
}

struct ValueAt {
    const char* what;
    double row;
    double value;
};

class SyncTrackValue : public testing::TestWithParam<ValueAt> {};

TEST_P(SyncTrackValue, FollowsTheEarlierKeysInterpolation) {
    EXPECT_DOUBLE_EQ(shaped_track().value_at(GetParam().row), GetParam().value) << GetParam().what;
}

const ValueAt VALUES[] = {
    {"before the first key: the first value", -5.0, 2.0},
    {"a NaN row: the first value", std::numeric_limits<double>::quiet_NaN(), 2.0},
    {"on the first key", 10.0, 2.0},
    {"linear, a quarter of the way: 2 + 4 * 0.25", 12.5, 3.0},
    {"linear, halfway", 15.0, 4.0},
    {"on the smooth key", 20.0, 6.0},
    {"smooth, a quarter: 6 - 10 * 0.15625", 22.5, 4.4375},
    {"smooth, halfway: 6 - 10 * 0.5", 25.0, 1.0},
    {"ramp, a twentieth: -4 + 12 * 0.0025", 30.5, -3.97},
    {"ramp, halfway: -4 + 12 * 0.25", 35.0, -1.0},
    {"ramp, three quarters: -4 + 12 * 0.5625", 37.5, 2.75},
    {"step, just after its key", 40.25, 8.0},
    {"step, just before the next key", 49.999, 8.0},
    {"on the last key", 50.0, 1.0},
    {"after the last key: the last value", 1e12, 1.0},
};
INSTANTIATE_TEST_SUITE_P(Rows, SyncTrackValue, testing::ValuesIn(VALUES));

TEST(SyncTrack, BetweenTheLargestFloatsOfEachSignStaysFinite) {
    const float most = std::numeric_limits<float>::max();
    const SyncTrack track{"extreme", {{0, -most, I::linear}, {10, most, I::step}}};
    EXPECT_EQ(track.value_at(5.0), 0.0);
    EXPECT_DOUBLE_EQ(track.value_at(2.5), -0.5 * most);
}

TEST(SyncTrack, SetReplacesTheKeyOnItsRowAndDeleteRemovesOnlyAKeyThere) {
    SyncTrack empty{"empty", {}};
    EXPECT_FALSE(empty.has_keys());
    EXPECT_EQ(empty.value_at(3.5), 0.0);
    SyncTrack track = shaped_track();
    EXPECT_TRUE(track.has_keys());
    track.set_key({20, 9.0f, I::step});
    ASSERT_EQ(track.keys.size(), 5u);
    EXPECT_EQ(track.find_key(20), 1);
    EXPECT_EQ(track.keys[1].value, 9.0f);
    EXPECT_EQ(track.value_at(25.0), 9.0);

    EXPECT_EQ(track.delete_key(21), 0);
    EXPECT_EQ(track.keys.size(), 5u);
    EXPECT_EQ(track.delete_key(20), 1);
    EXPECT_EQ(track.find_key(20), -1);
    EXPECT_DOUBLE_EQ(track.value_at(15.0), 2.0 + (-4.0 - 2.0) * 0.25);
    for (size_t i = 1; i < track.keys.size(); ++i) EXPECT_LT(track.keys[i - 1].row, track.keys[i].row);
}

TEST(SyncTracks, KeepTheOrderOfFirstRequestAndTheirPlaces) {
    SyncTracks tracks;
    SyncTrack* fade = tracks.find_or_create("fade");
    SyncTrack* camera = tracks.find_or_create("camera:x");
    for (int i = 0; i < 100; ++i) tracks.find_or_create("filler" + std::to_string(i));
    EXPECT_EQ(tracks.find_or_create("fade"), fade);
    EXPECT_EQ(tracks.at(1), camera);
    EXPECT_EQ(tracks.find("camera:x"), 1);
    EXPECT_EQ(tracks.find("nothing"), -1);
    EXPECT_EQ(tracks.at(tracks.count()), nullptr);
    EXPECT_EQ(fade->name, "fade");
}
}  // namespace
