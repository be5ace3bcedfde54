// Drawing speed: one frame of the live show at 1920 x 1080 as its loop
// makes it at 60 frames a second, off screen (Mesa's EGL with llvmpipe, the
// renderer of Xvfb): the show moved on by a sixtieth of a second (the sound
// played through the analysis, one update), the frame drawn, and OpenGL
// waited for (glFinish: llvmpipe rasterises on threads of its own). No
// swap and no read-back. In act 0 (the skeleton's dashes), act 5 (the white
// figure turning) and act 9 (the rainbow figure and its 125 copies, the
// heaviest). Budget: 16.7 ms, a frame at 60 frames a second. After the
// table, one line per act from the median wall-clock time, act 9 last:
//   act 9 frame at 1920x1080: N ms = F frames/s
#include <GL/gl.h>
#include <benchmark/benchmark.h>

#include <array>
#include <cstdio>
#include <string>
#include <vector>

#include "bench/bench_run.h"
#include "bench/captured_show.h"
#include "show/show.h"
#include "show/show_view.h"

namespace {
constexpr int32_t WIDTH = 1920;
constexpr int32_t HEIGHT = 1080;
constexpr int32_t FPS = 60;

void draw_frames(benchmark::State& state, const char* moment, int32_t expected_act) {
    run_show_frames(state, moment, expected_act, WIDTH, HEIGHT, FPS, [](Scene* scene) {
        show_frame_draw(scene, WIDTH, HEIGHT);
        glFinish();
    });
}

// Act 0 lasts two patterns (3.5 s of the music, 200 frames), act 5 six.
void BM_Act0Frame(benchmark::State& state) { draw_frames(state, "0", 0); }
void BM_Act5Frame(benchmark::State& state) { draw_frames(state, "p9", 5); }
void BM_Act9Frame(benchmark::State& state) { draw_frames(state, "p45", 9); }
BENCHMARK(BM_Act0Frame)->Unit(benchmark::kMillisecond)->Iterations(30)->Repetitions(5)->UseRealTime()->ReportAggregatesOnly(true);
BENCHMARK(BM_Act5Frame)->Unit(benchmark::kMillisecond)->Iterations(30)->Repetitions(5)->UseRealTime()->ReportAggregatesOnly(true);
BENCHMARK(BM_Act9Frame)->Unit(benchmark::kMillisecond)->Iterations(30)->Repetitions(5)->UseRealTime()->ReportAggregatesOnly(true);

// The console table, then each act's median frame as milliseconds and
// frames a second.
class FrameRateReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.run_type != Run::RT_Aggregate || run.aggregate_name != "median") continue;
            const std::string& name = run.run_name.function_name;  // BM_Act<N>Frame
            const double ms = run.GetAdjustedRealTime() / benchmark::GetTimeUnitMultiplier(run.time_unit) * 1e3;
            std::array<char, 96> line{};
            std::snprintf(line.data(), line.size(), "act %s frame at %dx%d: %.1f ms = %.1f frames/s",
                          name.substr(6, name.size() - 11).c_str(), WIDTH, HEIGHT, ms, 1000.0 / ms);
            lines_.emplace_back(line.data());
        }
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        std::printf("\nMedian frame, update and drawing (budget: 16.7 ms, 60 frames/s):\n");
        for (const std::string& line : lines_) std::printf("%s\n", line.c_str());
    }

private:
    std::vector<std::string> lines_;
};
}  // namespace

int main(int argc, char** argv) {
    FrameRateReporter reporter;
    return run_benchmarks(argc, argv, &reporter) ? 0 : 1;
}
