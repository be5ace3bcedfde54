// Moving through the show: jumps to 40 moments spread over the show's own
// soundtrack (199.68 s), forward and back, far and near, on a session just
// opened, timed from the call to the state ready for drawing (the moment's
// values restored and replayed, the figure and the lattice's copy built).
// The pass that keeps the moments starts with the session, beside it, as
// the live show starts it; the benchmark takes none beforehand, so the
// first jumps find few moments (a jump beyond where the pass has got
// replays from its last moment). Also reports what the pass costs, whether
// the show's first update waits for it, the memory the moments hold, and
// the jumps asked for once the pass had ended.
// Ends with
//   seek to any moment: median <ms> ms, worst <ms> ms over 40 jumps
#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <thread>
#include <vector>

#include "audio/audio_track.h"
#include "audio/sample_buffer.h"
#include "bench/bench_run.h"
#include "bench/quiet.h"
#include "show/scene.h"
#include "show/show.h"
#include "show/show_seek.h"
#include "show/show_session.h"

namespace {
constexpr const char* SOUNDTRACK = MORVA_SOUNDTRACK;

// Seconds of music to jump to, in this order: far and near, forward and
// back, pattern starts and moments between them, the very start and end.
constexpr std::array<double, 40> JUMP_SECONDS = {
    150.0, 20.0,  21.0,  190.0, 5.0,   96.0,  97.9,  60.2,  61.0,  180.5, 0.0,   199.6, 33.3,  44.4,
    12.0,  130.0, 129.0, 75.0,  76.5,  2.0,   170.1, 88.8,  40.0,  41.9,  160.0, 100.0, 101.0, 8.5,
    115.5, 55.0,  195.0, 25.0,  145.0, 146.0, 66.6,  70.0,  3.3,   120.0, 185.0, 50.0};

double milliseconds_since(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}


struct SeekFigures {
    std::vector<double> jump_ms;
    std::vector<double> jump_ms_after_pass;  // of the jumps asked for once the pass had ended
    double start_ms = 0.0;         // starting the pass
    double first_update_ms = 0.0;  // the show's first update after it
    bool first_update_before_pass_done = false;
    double pass_wall_s = 0.0;
    double pass_cpu_s = 0.0;
    size_t moments_bytes = 0;
};
SeekFigures figures;

void BM_SeekAcrossTheSoundtrack(benchmark::State& state) {
    for (auto _ : state) {
        ShowSession* session = nullptr;
        {
            Quiet quiet;
            SampleBuffer* samples = SampleBuffer::create();
            if (samples->load(SOUNDTRACK) != 1) {
                SampleBuffer::destroy(samples);
                state.SkipWithError("could not load the soundtrack");
                return;
            }
            session = show_session_open_samples(samples, nullptr, 1920, 1080);
        }
        auto started = std::chrono::steady_clock::now();
        show_session_start_moments(session);
        figures.start_ms = milliseconds_since(started);
        started = std::chrono::steady_clock::now();
        scene_tick(session->scene);
        scene_tick(session->scene);
        figures.first_update_ms = milliseconds_since(started);
        figures.first_update_before_pass_done = !session->moments->pass_done.load();
        const double seconds_per_frame = 1.0 / SEEK_UPDATES_PER_SECOND;
        for (double seconds : JUMP_SECONDS) {
            const bool pass_done = session->moments->pass_done.load();
            const auto asked = std::chrono::steady_clock::now();
            show_session_seek(session, static_cast<int64_t>(seconds / seconds_per_frame));
            figures.jump_ms.push_back(milliseconds_since(asked));
            if (pass_done) figures.jump_ms_after_pass.push_back(figures.jump_ms.back());
        }
        benchmark::DoNotOptimize(show_act(session->scene));
        while (!session->moments->pass_done.load()) std::this_thread::yield();
        figures.pass_wall_s = session->moments->pass_wall_seconds;
        figures.pass_cpu_s = session->moments->pass_cpu_seconds;
        figures.moments_bytes = show_moments_bytes(session->moments);
        show_session_close(session);
    }
}
BENCHMARK(BM_SeekAcrossTheSoundtrack)->Unit(benchmark::kMillisecond)->Iterations(1);
}  // namespace

int main(int argc, char** argv) {
    if (!run_benchmarks(argc, argv)) return 1;
    if (figures.jump_ms.empty()) return 1;
    std::printf("\njumps, ms in order:");
    for (double ms : figures.jump_ms) std::printf(" %.1f", ms);
    std::printf("\nthe pass over the soundtrack: %.2f s wall, %.2f s processor, started in %.2f ms\n",
                figures.pass_wall_s, figures.pass_cpu_s, figures.start_ms);
    std::printf("the show's first update: %.2f ms, %s\n", figures.first_update_ms,
                figures.first_update_before_pass_done ? "while the pass was still running (it does not wait)"
                                                      : "after the pass had ended");
    std::printf("moments kept: %.2f MB for 104 patterns\n", static_cast<double>(figures.moments_bytes) / 1e6);
    if (!figures.jump_ms_after_pass.empty())
        std::printf("the %zu jumps asked for once the pass had ended: median %.1f ms, worst %.1f ms\n",
                    figures.jump_ms_after_pass.size(), median_of(figures.jump_ms_after_pass),
                    *std::max_element(figures.jump_ms_after_pass.begin(), figures.jump_ms_after_pass.end()));
    std::printf("seek to any moment: median %.0f ms, worst %.0f ms over %zu jumps\n", median_of(figures.jump_ms),
                *std::max_element(figures.jump_ms.begin(), figures.jump_ms.end()), figures.jump_ms.size());
    return 0;
}
