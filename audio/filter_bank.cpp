#include "audio/filter_bank.h"

#include <algorithm>

#include "audio/filter_lanes.h"

FilterBank* FilterBank::create(float sample_rate, const float* centres_hz, const float* alphas,
                               int32_t count) {
    auto* bank = new FilterBank{};
    bank->sample_rate = sample_rate;
    bank->count = std::max(count, 0);
    bank->nominal_hz.assign(centres_hz, centres_hz + bank->count);
    bank->filters.reserve(static_cast<size_t>(bank->count));
    for (int32_t i = 0; i < bank->count; ++i)
        bank->filters.push_back(TrackingFilter::at_centre(centres_hz[i], alphas[i], sample_rate));
    bank->lanes = FilterLanes::create(bank->count);
    return bank;
}

void FilterBank::destroy(FilterBank* bank) {
    if (bank == nullptr) return;
    FilterLanes::destroy(bank->lanes);
    delete bank;
}

float FilterBank::threshold_now() const { return tracking_threshold(envelope); }

void FilterBank::process_sample(float x) { process_samples(&x, 1); }

void FilterBank::process_samples(const float* samples, int32_t sample_count) {
    if (sample_count < 1) return;
    lanes->load(filters.data());
    EnvelopeFollower follower{envelope, new_weight, old_weight, threshold_now()};
    lanes->run_samples(samples, sample_count, follower);
    lanes->store(filters.data(), follower.threshold);
    envelope = follower.envelope;
}

void FilterBank::process_filter_by_filter(const float* samples, int32_t sample_count, int32_t stride) {
    const float threshold = threshold_now();
    const float previous = envelope;
    for (TrackingFilter& filter : filters) {
        filter.threshold = threshold;
        for (int32_t i = 0; i < sample_count; i += stride) filter.process_sample(samples[i]);
        filter.phasor.renormalize();
    }
    // The strongest power in a pass of its own: kept in the loop above, it
    // would be one long chain through memory across the library calls.
    float largest = 0.0f;
    for (const TrackingFilter& filter : filters) largest = std::max(largest, filter.power());
    envelope = largest * new_weight + previous * old_weight;
}

void FilterBank::process_block(const float* samples, int32_t sample_count) {
    process_filter_by_filter(samples, sample_count, 1);
}

void FilterBank::process_strided(const float* samples, int32_t sample_count, int32_t stride) {
    if (stride < 1) return;
    process_filter_by_filter(samples, sample_count, stride);
}

int32_t FilterBank::readable(int32_t max_count) const { return std::clamp(max_count, 0, count); }

void FilterBank::read_nominal(float* destination, int32_t max_count) const {
    for (int32_t i = 0; i < readable(max_count); ++i) destination[i] = nominal_hz[i];
}

void FilterBank::read_frequencies(float* destination, int32_t max_count) const {
    for (int32_t i = 0; i < readable(max_count); ++i) destination[i] = filters[i].phasor.frequency_hz();
}

void FilterBank::read_powers(float* destination, int32_t max_count) const {
    for (int32_t i = 0; i < readable(max_count); ++i) destination[i] = filters[i].power();
}

void FilterBank::read_phase_steps(float* destination, int32_t max_count) const {
    for (int32_t i = 0; i < readable(max_count); ++i) destination[i] = filters[i].phase_step();
}

float FilterBank::frequency_of(int32_t index) const {
    if (index < 0 || index >= count) return 0.0f;
    return filters[index].phasor.frequency_hz();
}
