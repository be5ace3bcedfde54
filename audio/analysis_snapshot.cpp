#include "audio/analysis_snapshot.h"

#include <algorithm>
#include <mutex>
#include <utility>

#include "audio/filter_bank.h"
#include "audio/spectrum_analyser.h"

namespace {
// The track's result and smoothing arrays with their places in a snapshot.
constexpr std::pair<std::vector<float> AudioTrack::*, std::vector<float> AnalysisSnapshot::*> RESULT_ARRAYS[] = {
    {&AudioTrack::levels, &AnalysisSnapshot::levels},
    {&AudioTrack::frequencies, &AnalysisSnapshot::frequencies},
    {&AudioTrack::phases, &AnalysisSnapshot::phases},
    {&AudioTrack::peaks, &AnalysisSnapshot::peaks},
    {&AudioTrack::level_state, &AnalysisSnapshot::level_state},
    {&AudioTrack::frequency_state, &AnalysisSnapshot::frequency_state},
};

FilterState state_of(const TrackingFilter& filter) {
    const Phasor& phasor = filter.phasor;
    return {filter.stage1, filter.stage2,   phasor.step,     phasor.re,
            phasor.im,     phasor.cos_step, phasor.sin_step, phasor.cos_plus_sin};
}

// Plain stores, not the phasor's setters: set_step would recompute a
// rotation the snapshot already holds.
void put_state(const FilterState& state, TrackingFilter& filter) {
    Phasor& phasor = filter.phasor;
    filter.stage1 = state.stage1;
    filter.stage2 = state.stage2;
    phasor.step = state.step;
    phasor.re = state.re;
    phasor.im = state.im;
    phasor.cos_step = state.cos_step;
    phasor.sin_step = state.sin_step;
    phasor.cos_plus_sin = state.cos_plus_sin;
}

bool fits(const AudioTrack& track, const AnalysisSnapshot& snapshot) {
    if (snapshot.filters.size() != track.analyser->bank->filters.size()) return false;
    return std::all_of(std::begin(RESULT_ARRAYS), std::end(RESULT_ARRAYS), [&](const auto& arrays) {
        return (snapshot.*arrays.second).size() == (track.*arrays.first).size();
    });
}
}  // namespace

void analysis_snapshot_take(AudioTrack& track, AnalysisSnapshot& out) {
    const FilterBank& bank = *track.analyser->bank;
    out.filters.resize(bank.filters.size());
    for (const auto& [mine, theirs] : RESULT_ARRAYS) (out.*theirs).resize((track.*mine).size());
    std::lock_guard<std::mutex> guard(track.lock);
    std::transform(bank.filters.begin(), bank.filters.end(), out.filters.begin(), state_of);
    out.envelope = bank.envelope;
    for (const auto& [mine, theirs] : RESULT_ARRAYS)
        std::copy((track.*mine).begin(), (track.*mine).end(), (out.*theirs).begin());
    out.pitch_profile = track.pitch_profile;
    out.smoothing = track.smoothing.load(std::memory_order_relaxed);
}

void analysis_snapshot_restore(AudioTrack& track, const AnalysisSnapshot& snapshot) {
    std::lock_guard<std::mutex> guard(track.lock);
    analysis_snapshot_restore_locked(track, snapshot);
}

void analysis_snapshot_restore_locked(AudioTrack& track, const AnalysisSnapshot& snapshot) {
    if (!fits(track, snapshot)) return;
    FilterBank& bank = *track.analyser->bank;
    for (size_t i = 0; i < snapshot.filters.size(); ++i) put_state(snapshot.filters[i], bank.filters[i]);
    bank.envelope = snapshot.envelope;
    for (const auto& [mine, theirs] : RESULT_ARRAYS)
        std::copy((snapshot.*theirs).begin(), (snapshot.*theirs).end(), (track.*mine).begin());
    track.pitch_profile = snapshot.pitch_profile;
    track.smoothing.store(snapshot.smoothing, std::memory_order_relaxed);
}

size_t analysis_snapshot_bytes(const AnalysisSnapshot& snapshot) {
    size_t bytes = sizeof(snapshot) + snapshot.filters.capacity() * sizeof(FilterState);
    for (const auto& [mine, theirs] : RESULT_ARRAYS) bytes += (snapshot.*theirs).capacity() * sizeof(float);
    return bytes;
}
