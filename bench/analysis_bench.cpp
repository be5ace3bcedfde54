// The analysis on the stream thread: every 256-frame block runs 256 samples
// through the 112 tracking filters and then the per-block step (levels,
// smoothing, pitch profile), all while the track's lock is held. A block
// lasts 5.8 ms at 44100 Hz; after the table, each median's CPU time is
// printed as a share of that. Budget: at most 4 % of the block.
#include <benchmark/benchmark.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "audio/audio_track.h"
#include "audio/filter_bank.h"
#include "audio/sample_buffer.h"
#include "audio/spectrum_analyser.h"
#include "bench/music_like.h"

namespace {
constexpr double BLOCK_SECONDS = 256.0 / 44100.0;
constexpr double BUDGET_SHARE = 0.04;

enum Signal { MUSIC, TONE, SILENCE };

std::vector<float> stereo_signal(Signal signal) {
    constexpr int SECONDS = 10;
    if (signal == MUSIC) return music_like_samples(SECONDS);
    std::vector<float> samples(static_cast<size_t>(44100) * SECONDS * 2, 0.0f);
    if (signal == TONE)
        for (size_t frame = 0; frame < samples.size() / 2; ++frame)
            samples[2 * frame] = static_cast<float>(0.5 * std::sin(2 * M_PI * 659.2 * frame / 44100.0));
    return samples;
}

// A track holding the signal in memory, played by calling its callback
// as the stream thread would.
AudioTrack* track_of(Signal signal) {
    AudioTrack* track = AudioTrack::create();
    SampleBuffer* buffer = SampleBuffer::create();
    buffer->samples = stereo_signal(signal);
    buffer->channel_count = 2;
    buffer->sample_count = static_cast<int32_t>(buffer->samples.size());
    buffer->frame_count = buffer->sample_count / 2;
    track->sample_buffer = buffer;
    return track;
}

// The console table, then one line per median against the block's duration.
// The console table, then one line per median against the block's duration.
class BudgetReporter : public benchmark::ConsoleReporter {
public:
    BudgetReporter() : ConsoleReporter(OO_Tabular) {}

    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.run_type != Run::RT_Aggregate || run.aggregate_name != "median") continue;
            const double seconds = run.GetAdjustedCPUTime() / benchmark::GetTimeUnitMultiplier(run.time_unit);
            std::array<char, 160> line{};
            std::snprintf(line.data(), line.size(), "%-28s %7.1f us = %4.2f %% of the %.1f ms block",
                          run.run_name.function_name.c_str(), seconds * 1e6,
                          100.0 * seconds / BLOCK_SECONDS, BLOCK_SECONDS * 1e3);
            lines_.emplace_back(line.data());
        }
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        std::printf("\nMedian CPU time per block (budget: 4 %% of the block, %.0f us):\n",
                    BUDGET_SHARE * BLOCK_SECONDS * 1e6);
        for (const std::string& line : lines_) std::printf("  %s\n", line.c_str());
    }

private:
    std::vector<std::string> lines_;
};

// One callback of 256 frames per iteration, after a second of the signal
// so the filters have settled as they would in the middle of a piece.
void run_callback_blocks(benchmark::State& state, Signal signal) {
    AudioTrack* track = track_of(signal);
    std::vector<float> output(512);
    for (int block = 0; block < 172; ++block)
        AudioTrack::audio_callback(output.data(), nullptr, 256, 0.0, 0, track);
    for (auto _ : state) {
        if (AudioTrack::audio_callback(output.data(), nullptr, 256, 0.0, 0, track) != 0) track->position = 0;
        benchmark::DoNotOptimize(output.data());
    }
    AudioTrack::destroy(track);
}

void BM_CallbackBlockMusic(benchmark::State& state) { run_callback_blocks(state, MUSIC); }
void BM_CallbackBlockTone(benchmark::State& state) { run_callback_blocks(state, TONE); }
void BM_CallbackBlockSilence(benchmark::State& state) { run_callback_blocks(state, SILENCE); }
BENCHMARK(BM_CallbackBlockMusic)->Unit(benchmark::kMicrosecond)->Repetitions(9)->ReportAggregatesOnly(true);
BENCHMARK(BM_CallbackBlockTone)->Unit(benchmark::kMicrosecond)->Repetitions(9)->ReportAggregatesOnly(true);
BENCHMARK(BM_CallbackBlockSilence)->Unit(benchmark::kMicrosecond)->Repetitions(9)->ReportAggregatesOnly(true);

// The same music through the bank filter by filter (process_block), for
// comparison with the sample-by-sample order the callback uses.
void BM_FilterBankProcessBlock(benchmark::State& state) {
    SpectrumAnalyser* analyser = SpectrumAnalyser::create(44100, 112, ANALYSER_ALL_OPTIONS);
    const std::vector<float> stereo = stereo_signal(MUSIC);
    std::vector<float> left(stereo.size() / 2);
    for (size_t i = 0; i < left.size(); ++i) left[i] = stereo[2 * i];
    size_t at = 0;
    for (auto _ : state) {
        analyser->bank->process_block(left.data() + at, 256);
        at = at + 512 <= left.size() ? at + 256 : 0;
    }
    SpectrumAnalyser::destroy(analyser);
}
BENCHMARK(BM_FilterBankProcessBlock)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(9)
    ->ReportAggregatesOnly(true);
}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    BudgetReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
