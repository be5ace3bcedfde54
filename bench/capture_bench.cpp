// Capture speed (wall-clock: llvmpipe draws on threads of its own): frames
// a second that morva-capture makes at 1920 x 1080,
// each frame the show moved on by a thirtieth of a second (the sound played
// through the analysis, one update), drawn off screen and read back; in
// act 0 (the skeleton's dashes) and in act 9 (the figure and the lattice,
// the heaviest). PNG encoding of such a frame is measured on its own.
// Budget: none; the live show's own 60 frames a second for comparison.
//
// Then the whole program on the real music, patterns 40 to 45 at 1920 x
// 1080 and 30 frames a second, as a user runs it from the source folder:
// the video streamed to ffmpeg with the default options, and the same span
// as PNG frames with their video (--frames). Each ends with a line
//   "video p40-p45 at 1920x1080 30 fps: S s = R x the span"
// (and "frames ..." for the PNGs), the median of its runs against the
// span's length in the music. MORVA_CAPTURE_FOR_BENCH names another
// morva-capture to measure (an older build, say), in the same form.
#include <benchmark/benchmark.h>

#include <sys/resource.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "bench/bench_run.h"
#include "bench/captured_show.h"
#include "show/show.h"
#include "tools/capture/capture_pass.h"
#include "tools/capture/image.h"

namespace {
constexpr int32_t WIDTH = 1920;
constexpr int32_t HEIGHT = 1080;
constexpr int32_t FPS = 30;

void capture_frames(benchmark::State& state, const char* moment, int32_t expected_act) {
    run_show_frames(state, moment, expected_act, WIDTH, HEIGHT, FPS, [](Scene* scene) {
        const Image frame = draw_show_frame(scene, WIDTH, HEIGHT);
        benchmark::DoNotOptimize(frame.rgba.data());
    });
    state.counters["frames_per_s"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

// Act 0 lasts two patterns (3.5 s, about 100 frames): the runs stay inside.
void BM_CaptureAct0(benchmark::State& state) { capture_frames(state, "0", 0); }
BENCHMARK(BM_CaptureAct0)->Unit(benchmark::kMillisecond)->Iterations(60)->Repetitions(3)->UseRealTime()->ReportAggregatesOnly(true);

void BM_CaptureAct9(benchmark::State& state) { capture_frames(state, "p45", 9); }
BENCHMARK(BM_CaptureAct9)->Unit(benchmark::kMillisecond)->Iterations(30)->Repetitions(3)->UseRealTime()->ReportAggregatesOnly(true);

void BM_PngOfAnAct9Frame(benchmark::State& state) {
    CapturedShow show("p45", WIDTH, HEIGHT, FPS);
    if (show.scene == nullptr) {
        state.SkipWithError("no EGL context, or the show did not open");
        return;
    }
    const Image frame = draw_show_frame(show.scene, WIDTH, HEIGHT);
    for (auto _ : state) benchmark::DoNotOptimize(png_bytes(frame).size());
}
BENCHMARK(BM_PngOfAnAct9Frame)->Unit(benchmark::kMillisecond)->Iterations(10)->Repetitions(3)->UseRealTime()->ReportAggregatesOnly(true);

// A run of the whole program over p40-p45 with the real music.
constexpr const char* SPAN_FROM = "p40";
constexpr const char* SPAN_TO = "p45";

struct ProgramRuns {
    std::vector<double> seconds;
    std::vector<double> cpu_seconds;  // of the program and the processes it ran
    int64_t frames = 0;  // in the span: PNGs written, or as the progress counted them
};
std::map<std::string, ProgramRuns> program_runs;

std::string capture_program() {
    const char* other = std::getenv("MORVA_CAPTURE_FOR_BENCH");
    return other != nullptr && *other != '\0' ? other : MORVA_CAPTURE_BINARY;
}

std::string quoted(const std::string& text) {
    std::string out = "'";
    for (char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

// The frames the progress lines counted at the end: "frame N/N".
int64_t frames_counted(const std::string& err) {
    const size_t at = err.rfind("frame ");
    return at == std::string::npos ? 0 : std::atoll(err.c_str() + at + 6);
}

// The PNG frames written into a folder (older builds counted every frame
// from the start of the show in their progress, drawn or not).
int64_t frames_written(const std::filesystem::path& folder) {
    std::error_code error;
    int64_t frames = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error))
        frames += entry.path().filename().string().rfind("frame-", 0) == 0 ? 1 : 0;
    return frames;
}

// Runs morva-capture from the source folder with `option` (--video or
// --frames) making `output` over the span; the seconds it took, or a
// negative number when it failed.
double children_cpu_seconds() {
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    auto seconds = [](const timeval& time) { return static_cast<double>(time.tv_sec) + time.tv_usec * 1e-6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

double run_capture_program(const std::string& option, const std::filesystem::path& output,
                           const std::filesystem::path& scratch, int64_t& frames, double& cpu_seconds) {
    const std::filesystem::path log = scratch / "err.txt";
    const std::string command = "cd " + quoted(MORVA_SOURCE_DIR) + " && " + quoted(capture_program()) + " " + option + " " + quoted(output.string()) +
                                " --from " + SPAN_FROM + " --to " + SPAN_TO + " --size " + std::to_string(WIDTH) +
                                "x" + std::to_string(HEIGHT) + " --fps " + std::to_string(FPS) +
                                " >/dev/null 2>" + quoted(log.string());
    const double cpu_before = children_cpu_seconds();
    const auto started = std::chrono::steady_clock::now();
    const int status = std::system(command.c_str());
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - started;
    cpu_seconds = children_cpu_seconds() - cpu_before;
    std::ifstream in(log);
    std::stringstream err;
    err << in.rdbuf();
    frames = std::filesystem::is_directory(output) ? frames_written(output) : frames_counted(err.str());
    if (status != 0 || !WIFEXITED(status) || WEXITSTATUS(status) != 0 || frames <= 0) {
        std::fprintf(stderr, "capture_bench: %s failed:\n%s", command.c_str(), err.str().c_str());
        return -1.0;
    }
    return took.count();
}

void capture_program_span(benchmark::State& state, const char* kind, const std::string& option,
                          const std::string& output) {
    const std::filesystem::path scratch =
        std::filesystem::temp_directory_path() / ("morva-capture-bench-" + std::to_string(getpid()));
    std::filesystem::create_directories(scratch);
    ProgramRuns& runs = program_runs[kind];
    for (auto _ : state) {
        double cpu_seconds = 0.0;
        const double seconds =
            run_capture_program(option, scratch / output, scratch, runs.frames, cpu_seconds);
        if (seconds < 0) {
            state.SkipWithError("morva-capture failed");
            break;
        }
        runs.seconds.push_back(seconds);
        runs.cpu_seconds.push_back(cpu_seconds);
        state.SetIterationTime(seconds);
    }
    std::filesystem::remove_all(scratch);
}

void BM_VideoOfP40ToP45(benchmark::State& state) { capture_program_span(state, "video", "--video", "out.mp4"); }
BENCHMARK(BM_VideoOfP40ToP45)->Unit(benchmark::kSecond)->Iterations(1)->Repetitions(3)->UseManualTime()->ReportAggregatesOnly(true);

void BM_FramesOfP40ToP45(benchmark::State& state) { capture_program_span(state, "frames", "--frames", "frames"); }
BENCHMARK(BM_FramesOfP40ToP45)->Unit(benchmark::kSecond)->Iterations(1)->Repetitions(1)->UseManualTime();

// The processor time, which a busy machine stretches less than the wall
// clock's, on a line of its own before the summary line.
void print_span_line(const char* kind, const ProgramRuns& runs) {
    if (runs.seconds.empty() || runs.frames <= 0) return;
    const double median = median_of(runs.seconds);
    const double span_seconds = static_cast<double>(runs.frames) / FPS;
    std::printf("%s: %lld frames, %.1f s of music; %zu runs, median processor time %.1f s (all processes)\n", kind,
                static_cast<long long>(runs.frames), span_seconds, runs.seconds.size(), median_of(runs.cpu_seconds));
    std::printf("%s %s-%s at %dx%d %d fps: %.1f s = %.1f x the span\n", kind, SPAN_FROM, SPAN_TO, WIDTH, HEIGHT, FPS,
                median, median / span_seconds);
}
}  // namespace

int main(int argc, char** argv) {
    if (!run_benchmarks(argc, argv)) return 1;
    std::printf("\nmorva-capture: %s\n", capture_program().c_str());
    print_span_line("frames", program_runs["frames"]);
    print_span_line("video", program_runs["video"]);
    return 0;
}
