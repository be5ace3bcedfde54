// The analysis on the stream thread: every 256-frame block runs 256 samples
// through the 112 tracking filters and then the per-block step (levels,
// smoothing, pitch profile), all while the track's lock is held. A block
// lasts 5.8 ms at 44100 Hz; after the table, each median's CPU time is
// printed as a share of that. Budget: at most 1 % of the block.
//
// Beside it, over the same music, the analysis most people would reach for
// instead: aubio's phase vocoder (1024-point window, 256-frame hop) and a
// 112-band mel filter bank over 20 Hz to 20 kHz. The last line compares the
// two:
//   analysis per block: morva X us = Y % of the block; aubio Z us; morva/aubio R
#include <aubio/aubio.h>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "audio/audio_track.h"
#include "audio/filter_bank.h"
#include "audio/filter_lanes.h"
#include "audio/sample_buffer.h"
#include "audio/spectrum_analyser.h"
#include "bench/bench_run.h"
#include "bench/music_like.h"

namespace {
constexpr double BLOCK_SECONDS = 256.0 / 44100.0;
constexpr double BUDGET_SHARE = 0.01;
constexpr const char* OURS = "BM_CallbackBlockMusic";
constexpr const char* PEER = "BM_AubioBlockMusic";

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

std::vector<float> left_channel(const std::vector<float>& stereo) {
    std::vector<float> left(stereo.size() / 2);
    for (size_t i = 0; i < left.size(); ++i) left[i] = stereo[2 * i];
    return left;
}

// The console table, then one line per median against the block's duration,
// and last the comparison with aubio.
class BudgetReporter : public benchmark::ConsoleReporter {
public:
    BudgetReporter() : ConsoleReporter(OO_Tabular) {}

    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.run_type != Run::RT_Aggregate || run.aggregate_name != "median") continue;
            const double seconds = run.GetAdjustedCPUTime() / benchmark::GetTimeUnitMultiplier(run.time_unit);
            medians_[run.run_name.function_name] = seconds;
            std::array<char, 160> line{};
            std::snprintf(line.data(), line.size(), "%-28s %7.1f us = %4.2f %% of the %.1f ms block",
                          run.run_name.function_name.c_str(), seconds * 1e6,
                          100.0 * seconds / BLOCK_SECONDS, BLOCK_SECONDS * 1e3);
            lines_.emplace_back(line.data());
        }
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        std::printf("\nMedian CPU time per block (budget: %.0f %% of the block, %.0f us):\n",
                    BUDGET_SHARE * 100.0, BUDGET_SHARE * BLOCK_SECONDS * 1e6);
        for (const std::string& line : lines_) std::printf("  %s\n", line.c_str());
        std::printf("The filters run in %s vector lanes.\n", FilterLanes::target_name());
        if (medians_.count(OURS) == 0 || medians_.count(PEER) == 0) return;  // filtered out
        const double ours = medians_[OURS];
        const double peer = medians_[PEER];
        std::printf("analysis per block: morva %.1f us = %.2f %% of the block; "
                    "aubio %.1f us; morva/aubio %.2f\n",
                    ours * 1e6, 100.0 * ours / BLOCK_SECONDS, peer * 1e6, ours / peer);
    }

private:
    std::vector<std::string> lines_;
    std::map<std::string, double> medians_;  // seconds, by benchmark
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
    const std::vector<float> left = left_channel(stereo_signal(MUSIC));
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

// aubio over the same music, one 256-frame hop per iteration: the phase
// vocoder's 1024-point spectrum, then the 112 mel bands' energies.
void BM_AubioBlockMusic(benchmark::State& state) {
    constexpr uint_t WINDOW = 1024;
    constexpr uint_t HOP = 256;
    constexpr uint_t BANDS = 112;
    aubio_pvoc_t* vocoder = new_aubio_pvoc(WINDOW, HOP);
    aubio_filterbank_t* bank = new_aubio_filterbank(BANDS, WINDOW);
    const bool ready = vocoder != nullptr && bank != nullptr &&
                       aubio_filterbank_set_mel_coeffs(bank, 44100, 20, 20000) == 0;
    if (!ready) {
        state.SkipWithError("aubio could not be set up");
        if (bank != nullptr) del_aubio_filterbank(bank);
        if (vocoder != nullptr) del_aubio_pvoc(vocoder);
        return;
    }
    fvec_t* hop = new_fvec(HOP);
    cvec_t* spectrum = new_cvec(WINDOW);
    fvec_t* energies = new_fvec(BANDS);
    const std::vector<float> left = left_channel(stereo_signal(MUSIC));
    size_t at = 0;
    for (auto _ : state) {
        std::copy_n(left.data() + at, HOP, hop->data);
        aubio_pvoc_do(vocoder, hop, spectrum);
        aubio_filterbank_do(bank, spectrum, energies);
        benchmark::DoNotOptimize(energies->data);
        at = at + 2 * HOP <= left.size() ? at + HOP : 0;
    }
    del_fvec(energies);
    del_cvec(spectrum);
    del_fvec(hop);
    del_aubio_filterbank(bank);
    del_aubio_pvoc(vocoder);
}
BENCHMARK(BM_AubioBlockMusic)->Unit(benchmark::kMicrosecond)->Repetitions(9)->ReportAggregatesOnly(true);
}  // namespace

int main(int argc, char** argv) {
    BudgetReporter reporter;
    return run_benchmarks(argc, argv, &reporter) ? 0 : 1;
}
