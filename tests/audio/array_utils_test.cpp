// The array and number utilities, and pitch classes.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "audio/array_utils.h"
#include "audio/pitch_profile.h"

namespace {
constexpr float PITCH_BASE = 16.3516f;
constexpr float SEMITONE_SCALE = 17.31234f;
constexpr float INF = std::numeric_limits<float>::infinity();
}  // namespace

TEST(Decibels, RoundTripAndUnitRange) {
    std::vector<float> values = {1.0f, 0.5f, 0.001f, 0.0f, 2.0f};
    to_decibels(values.data(), 5);
    EXPECT_FLOAT_EQ(values[0], 0.0f);
    EXPECT_NEAR(values[1], -6.0206f, 1e-4f);
    EXPECT_NEAR(values[2], -60.0f, 1e-4f);
    EXPECT_EQ(values[3], -INF);
    EXPECT_NEAR(values[4], 6.0206f, 1e-4f);

    std::vector<float> back = values;
    from_decibels(back.data(), 5);
    EXPECT_NEAR(back[1], 0.5f, 1e-6f);
    EXPECT_EQ(back[3], 0.0f);

    decibels_to_unit(values.data(), 5, -60.0f);
    EXPECT_EQ(values[0], 1.0f);
    EXPECT_NEAR(values[1], 0.89966f, 1e-5f);  // half amplitude: level 0.9
    EXPECT_NEAR(values[2], 0.0f, 1e-5f);
    EXPECT_EQ(values[3], 0.0f);  // silence
    EXPECT_EQ(values[4], 1.0f);  // clamped

    std::vector<float> odd = {std::nanf(""), -30.0f};
    decibels_to_unit(odd.data(), 2, -60.0f);
    EXPECT_EQ(odd[0], 0.0f);
    EXPECT_EQ(odd[1], 0.5f);
    // A floor of 0 leaves no range: at or above 0 dB is 1, the rest 0.
    std::vector<float> no_range = {-1.0f, 0.0f, 3.0f};
    decibels_to_unit(no_range.data(), 3, 0.0f);
    EXPECT_EQ(no_range, (std::vector<float>{0.0f, 1.0f, 1.0f}));
}

TEST(SmoothInto, FollowsWithTheGivenWeight) {
    std::vector<float> state = {0.0f, 1.0f};
    std::vector<float> values = {1.0f, 0.0f};
    smooth_into(values.data(), state.data(), 2, 0.75f);
    EXPECT_EQ(values, (std::vector<float>{0.25f, 0.75f}));
    EXPECT_EQ(state, values);
    values = {1.0f, 0.0f};
    smooth_into(values.data(), state.data(), 2, 0.0f);  // no smoothing
    EXPECT_EQ(values, (std::vector<float>{1.0f, 0.0f}));
}

TEST(Reductions, SumMaximumArgmaxAndTheirEmptyValues) {
    const std::vector<float> values = {-2.0f, 3.0f, 1.0f, 3.0f};
    EXPECT_EQ(sum(values.data(), 4), 5.0f);
    EXPECT_EQ(maximum(values.data(), 4), 3.0f);
    EXPECT_EQ(argmax(values.data(), 4), 1);  // the first of two
    EXPECT_EQ(sum(nullptr, 0), 0.0f);
    EXPECT_EQ(maximum(nullptr, 0), -1e15f);
    EXPECT_EQ(argmax(nullptr, 0), 0);
    const std::vector<float> silent = {-INF, -INF};  // decibels of silence
    EXPECT_EQ(maximum(silent.data(), 2), -1e15f);
    EXPECT_EQ(argmax(silent.data(), 2), 0);
}

TEST(PeakPosition, RefinesInsideAndKeepsTheEdges) {
    // Samples of a parabola with its vertex at 2.3.
    std::vector<float> parabola(6);
    for (int i = 0; i < 6; ++i) parabola[i] = 10.0f - (i - 2.3f) * (i - 2.3f);
    EXPECT_NEAR(peak_position(parabola.data(), 6), 2.3f, 1e-4f);
    const std::vector<float> symmetric = {1.0f, 4.0f, 1.0f};
    EXPECT_EQ(peak_position(symmetric.data(), 3), 1.0f);

    // At either edge there is one neighbour only: the plain index.
    const std::vector<float> first = {5.0f, 4.0f, 1.0f};
    EXPECT_EQ(peak_position(first.data(), 3), 0.0f);
    const std::vector<float> last = {1.0f, 4.0f, 5.0f};
    EXPECT_EQ(peak_position(last.data(), 3), 2.0f);
    const std::vector<float> single = {7.0f};
    EXPECT_EQ(peak_position(single.data(), 1), 0.0f);
    EXPECT_EQ(peak_position(nullptr, 0), 0.0f);
    // A neighbour of minus infinity gives no vertex: the plain index.
    const std::vector<float> cliff = {-INF, 2.0f, 1.0f};
    EXPECT_EQ(peak_position(cliff.data(), 3), 1.0f);
}

TEST(NormalizeRange, SpansZeroToOneAndConstantsGiveZero) {
    std::vector<float> values = {2.0f, 4.0f, 3.0f};
    normalize_range(values.data(), 3);
    EXPECT_EQ(values, (std::vector<float>{0.0f, 1.0f, 0.5f}));
    std::vector<float> constant = {0.7f, 0.7f, 0.7f};
    normalize_range(constant.data(), 3);
    EXPECT_EQ(constant, (std::vector<float>{0.0f, 0.0f, 0.0f}));
    normalize_range(nullptr, 0);
}

TEST(PairOperations, ShortfallAndAttenuate) {
    EXPECT_EQ(shortfall(3.0f, 4.0f), 0.25f);
    EXPECT_EQ(shortfall(5.0f, 4.0f), 0.0f);   // no shortfall
    EXPECT_EQ(shortfall(-4.0f, 4.0f), 1.0f);  // clamped
    EXPECT_EQ(shortfall(1.0f, 0.0f), 0.0f);   // nothing to fall short of
    EXPECT_EQ(attenuate(0.25f, 8.0f), 6.0f);
    EXPECT_EQ(attenuate(1.0f, 8.0f), 0.0f);
}

TEST(PeaksOf, StrictLocalMaximaOnly) {
    const std::vector<float> values = {9.0f, 1.0f, 3.0f, 2.0f, 2.0f, 5.0f, 5.0f, 1.0f, 8.0f};
    std::vector<float> peaks(values.size(), -1.0f);
    peaks_of(values.data(), peaks.data(), 9);
    // The edges never count; nor does either half of a plateau.
    EXPECT_EQ(peaks, (std::vector<float>{0, 0, 3.0f, 0, 0, 0, 0, 0, 0}));

    const std::vector<float> pair = {2.0f, 1.0f};
    std::vector<float> out(2, -1.0f);
    peaks_of(pair.data(), out.data(), 2);
    EXPECT_EQ(out, (std::vector<float>{2.0f, 0.0f}));
    const std::vector<float> tie = {1.0f, 1.0f};
    peaks_of(tie.data(), out.data(), 2);
    EXPECT_EQ(out, (std::vector<float>{0.0f, 1.0f}));  // the second on a tie
    float one = -1.0f;
    const float alone = 0.3f;
    peaks_of(&alone, &one, 1);
    EXPECT_EQ(one, 0.3f);
}

TEST(PitchClass, NearestSemitoneCountedFromC) {
    EXPECT_EQ(pitch_class_of(16.3516f, PITCH_BASE, SEMITONE_SCALE), 0);
    EXPECT_EQ(pitch_class_of(659.2f, PITCH_BASE, SEMITONE_SCALE), 4);  // E5
    EXPECT_EQ(pitch_class_of(440.0f, PITCH_BASE, SEMITONE_SCALE), 9);  // A4
    EXPECT_EQ(pitch_class_of(261.63f, PITCH_BASE, SEMITONE_SCALE), 0);  // C4
    EXPECT_EQ(pitch_class_of(256.0f, PITCH_BASE, SEMITONE_SCALE), 0);  // a flat C4 wraps up to class 0
    EXPECT_EQ(pitch_class_of(20.0f, PITCH_BASE, SEMITONE_SCALE), 3);
    // Below the base: a negative remainder wraps into the octave.
    EXPECT_EQ(pitch_class_of(10.0f, PITCH_BASE, SEMITONE_SCALE), 3);   // -8.5 semitones: D#
    EXPECT_EQ(pitch_class_of(15.9f, PITCH_BASE, SEMITONE_SCALE), 0);   // just under C0
    EXPECT_EQ(pitch_class_of(15.6f, PITCH_BASE, SEMITONE_SCALE), 11);  // nearer B-1
    // No pitch at all.
    EXPECT_EQ(pitch_class_of(0.0f, PITCH_BASE, SEMITONE_SCALE), -1);
    EXPECT_EQ(pitch_class_of(-440.0f, PITCH_BASE, SEMITONE_SCALE), -1);
    EXPECT_EQ(pitch_class_of(std::nanf(""), PITCH_BASE, SEMITONE_SCALE), -1);
    EXPECT_EQ(pitch_class_of(INF, PITCH_BASE, SEMITONE_SCALE), -1);
}

TEST(PitchProfile, AddsLevelsByClassAndLeavesOutBinsWithoutPitch) {
    const std::vector<float> frequencies = {659.2f, 1318.4f, 440.0f, 0.0f, -659.2f, 329.6f};
    const std::vector<float> levels = {0.5f, 0.25f, 0.125f, 1.0f, 1.0f, 0.0625f};
    std::vector<float> profile(12, 9.0f);
    fold_pitch_profile(frequencies.data(), levels.data(), 6, PITCH_BASE, SEMITONE_SCALE, profile.data());
    std::vector<float> expected(12, 0.0f);
    expected[4] = 0.5f + 0.25f + 0.0625f;  // E in three octaves
    expected[9] = 0.125f;
    EXPECT_EQ(profile, expected);
}
