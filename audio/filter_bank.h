#pragma once

#include <cstdint>
#include <vector>

#include "audio/tracking_filter.h"

struct FilterLanes;

// A bank of tracking filters fed with the same input. Each filter tracks
// only while its power exceeds a thousandth of the strongest filter's power
// (the envelope) one sample earlier, and never below a power of 1e-6, so
// that weak bins rest at their centres instead of chasing their
// neighbours' leakage. The fields are the plain reads.
struct FilterBank {
    float sample_rate = 44100.0f;
    std::vector<TrackingFilter> filters;
    int32_t count = 0;
    // The envelope follows the strongest power with these weights: by
    // default it is simply the strongest power of the last sample.
    float new_weight = 1.0f;
    float old_weight = 0.0f;
    float envelope = 0.0001f;
    std::vector<float> nominal_hz;  // centre of each filter
    // Owned: the filters laid out for the vector lanes in which the
    // sample-by-sample steps run; the records above are loaded into them
    // before a run and receive the state after it.
    FilterLanes* lanes = nullptr;

    // One filter per centre, each with its smoothing constant from alphas.
    static FilterBank* create(float sample_rate, const float* centres_hz, const float* alphas,
                              int32_t count);
    static void destroy(FilterBank* bank);

    void process_sample(float x);
    // Like that many calls of process_sample, in one run through the lanes.
    void process_samples(const float* samples, int32_t sample_count);
    // Like that many calls of process_sample, but filter by filter: the
    // threshold comes from the envelope before the block, each oscillator
    // is renormalised once at its end, and the envelope is updated once,
    // from the strongest end-of-block power.
    void process_block(const float* samples, int32_t sample_count);
    // As process_block, over the samples at 0, stride, 2 stride, ... below
    // sample_count. A stride below 1 processes nothing.
    void process_strided(const float* samples, int32_t sample_count, int32_t stride);

    // Per filter, up to the smaller of count and the bank's size: centre
    // frequency; tracked frequency; power; radians turned in the last sample.
    void read_nominal(float* destination, int32_t max_count) const;
    void read_frequencies(float* destination, int32_t max_count) const;
    void read_powers(float* destination, int32_t max_count) const;
    void read_phase_steps(float* destination, int32_t max_count) const;
    // Tracked frequency of one filter; 0 for an index outside the bank.
    float frequency_of(int32_t index) const;

private:
    float threshold_now() const;
    void process_filter_by_filter(const float* samples, int32_t sample_count, int32_t stride);
    int32_t readable(int32_t max_count) const;
};
