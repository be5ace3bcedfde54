#pragma once

#include <algorithm>
#include <cstdint>

#include "hwy/aligned_allocator.h"

struct TrackingFilter;

// The power a filter needs to track, from the bank's envelope one sample
// earlier: a thousandth of it, and never below 1e-6.
inline float tracking_threshold(float envelope) { return std::max(0.001f, envelope) / 1000.0f; }

// The bank's envelope while its filters run: followed from sample to
// sample, with the threshold the last sample was given.
struct EnvelopeFollower {
    float envelope = 0.0001f;
    float new_weight = 1.0f;
    float old_weight = 0.0f;
    float threshold = 0.001f;
};

// The fields of every filter in a bank, laid out so that one sample runs
// through many filters at once in the processor's vector lanes: each field
// of all the filters in one array (every stage-1 real part together, and so
// on), padded to whole vectors of the widest target. The filters'
// TrackingFilter records stay the bank's plain reads; load takes them in
// before a run and store writes the state back after it, so a record
// changed between runs (a new smoothing constant, say) is honoured.
//
// The run picks the widest instruction set the processor offers (AVX-512,
// AVX2, SSE4, ...) once, at run time; the build keeps its portable flags.
// Nothing in load, run or store allocates or takes a lock: they run on the
// audio thread.
struct FilterLanes {
    enum Field {
        // Settings, taken from the records.
        ALPHA1, ONE_MINUS_ALPHA1, ALPHA2, ONE_MINUS_ALPHA2, NEGATIVE_ALPHA3,
        NOMINAL_STEP, UPPER_BOUND_STEP, LOWER_BOUND_STEP, LIMITED,
        OFFSET_COS, OFFSET_SIN,
        // State, written back to the records.
        STAGE1_RE, STAGE1_IM, STAGE2_RE, STAGE2_IM, PRODUCT_RE, PRODUCT_IM,
        STEP, RE, IM, COS_STEP, SIN_STEP, COS_PLUS_SIN,
        FIELD_COUNT
    };
    // Lanes of the widest vectors any target uses: every array is a whole
    // number of them long, and aligned to them.
    static constexpr int32_t WIDEST_LANES = 16;

    int32_t count = 0;         // filters
    int32_t padded_count = 0;  // count rounded up to WIDEST_LANES; the rest rest silent
    // Set by load when some filter's oscillator has a phase offset (only
    // resynthesis sets one): the run then turns the mixer by it.
    bool phase_offsets = false;
    hwy::AlignedFreeUniquePtr<float[]> storage;  // FIELD_COUNT arrays of padded_count

    static FilterLanes* create(int32_t count);
    static void destroy(FilterLanes* lanes);

    float* field(Field which) { return storage.get() + static_cast<size_t>(which) * padded_count; }
    const float* field(Field which) const {
        return storage.get() + static_cast<size_t>(which) * padded_count;
    }

    // Takes in every field of count records.
    void load(const TrackingFilter* filters);
    // Writes the state back into count records, with the threshold of the
    // last sample.
    void store(TrackingFilter* filters, float threshold) const;

    // Exactly what that many single-sample steps of the bank do, sample by
    // sample: every filter takes the threshold from the envelope before the
    // sample, runs its step, and has its oscillator renormalised; the
    // envelope then follows the strongest power of the sample.
    void run_samples(const float* samples, int32_t sample_count, EnvelopeFollower& envelope);

    // The instruction set the runs use on this processor ("AVX3" is
    // AVX-512, then "AVX2", "SSE4", ...).
    static const char* target_name();
};
