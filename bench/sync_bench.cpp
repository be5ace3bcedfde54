// Evaluating sync tracks: each frame the show asks every track for its value
// at the frame's row. Budget: 10 us for 11 tracks of 1000 keys at a row.
// Ends with the line "tracks at a row: N us for T tracks of K keys", N the
// median over batches of rows spread over the tracks' whole length.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "bench/bench_run.h"
#include "sync/sync_track.h"

namespace {
constexpr int TRACK_COUNT = 11;
constexpr int KEY_COUNT = 1000;
constexpr int ROWS_PER_BATCH = 100;

std::vector<double> us_per_row;  // one figure per timed batch

// Keys every 4 to 12 rows, their interpolations cycling through the four,
// each track's rows and values offset so no two tracks are alike.
std::vector<SyncTrack> tracks() {
    std::vector<SyncTrack> all;
    for (int t = 0; t < TRACK_COUNT; ++t) {
        SyncTrack track{"track" + std::to_string(t), {}};
        int32_t row = t;
        for (int k = 0; k < KEY_COUNT; ++k) {
            track.set_key({row, static_cast<float>((k * 37 + t * 11) % 100) / 10.0f,
                           static_cast<SyncInterpolation>((k + t) % SYNC_INTERPOLATION_COUNT)});
            row += 4 + (k * 7 + t) % 9;
        }
        all.push_back(std::move(track));
    }
    return all;
}

// Fractional rows spread from before the first key to past the last.
std::vector<double> rows(const std::vector<SyncTrack>& all) {
    const double last = all.back().keys.back().row;
    std::vector<double> spread;
    for (int i = 0; i < 997; ++i) spread.push_back(-10.0 + (last + 20.0) * i / 996.0 + 0.37);
    return spread;
}

void BM_TracksAtARow(benchmark::State& state) {
    const std::vector<SyncTrack> all = tracks();
    const std::vector<double> spread = rows(all);
    size_t next = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        for (int r = 0; r < ROWS_PER_BATCH; ++r) {
            const double row = spread[next];
            next = (next + 1) % spread.size();
            for (const SyncTrack& track : all) benchmark::DoNotOptimize(track.value_at(row));
        }
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        state.SetIterationTime(took.count());
        us_per_row.push_back(took.count() * 1e6 / ROWS_PER_BATCH);
    }
    state.counters["budget_us_per_row"] = 10.0;
    state.SetItemsProcessed(state.iterations() * ROWS_PER_BATCH);
}
BENCHMARK(BM_TracksAtARow)->UseManualTime()->Unit(benchmark::kMicrosecond);
}  // namespace

int main(int argc, char** argv) {
    if (!run_benchmarks(argc, argv)) return 1;
    if (us_per_row.empty()) return 1;
    std::printf("tracks at a row: %.2f us for %d tracks of %d keys\n", median_of(us_per_row), TRACK_COUNT, KEY_COUNT);
    return 0;
}
