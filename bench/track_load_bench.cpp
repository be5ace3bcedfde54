// Loading the music: the whole file is decoded at start-up, and a song at
// another rate than the stream's is converted to it there too, so both are
// time before the first frame. Measured on the show's own soundtrack
// (199.68 s of stereo Ogg Vorbis at 44100 Hz, composed in the build), as it
// is and converted to 48000 Hz, opened the way the show opens it; and the
// bare decode of a 200 s file the benchmark writes itself. Ends with
//   track load: 44100 Hz <ms> ms, 48000 Hz <ms> ms (<ratio>x)
#include <benchmark/benchmark.h>
#include <sndfile.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "audio/audio_track.h"
#include "audio/resample.h"
#include "audio/sample_buffer.h"
#include "bench/bench_run.h"
#include "bench/music_like.h"
#include "bench/quiet.h"

namespace {
constexpr int RATE = 44100;
constexpr int CONVERTED_RATE = 48000;
constexpr int SECONDS = 200;
constexpr const char* SOUNDTRACK = MORVA_SOUNDTRACK;

// Writes interleaved stereo as Ogg Vorbis; 1 or 0.
int write_ogg(const std::string& path, const std::vector<float>& samples, int rate) {
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = 2;
    info.format = SF_FORMAT_OGG | SF_FORMAT_VORBIS;
    SNDFILE* out = sf_open(path.c_str(), SFM_WRITE, &info);
    if (out == nullptr) return 0;
    // In slices: libsndfile's Vorbis encoder crashes on one very long write.
    constexpr size_t SLICE_FRAMES = 4096;
    for (size_t frame = 0; frame < samples.size() / 2; frame += SLICE_FRAMES) {
        const size_t frames = std::min(SLICE_FRAMES, samples.size() / 2 - frame);
        sf_writef_float(out, samples.data() + 2 * frame, static_cast<sf_count_t>(frames));
    }
    return sf_close(out) == 0 ? 1 : 0;
}

std::string temporary(const char* name) { return (std::filesystem::temp_directory_path() / name).string(); }

const std::string& synthetic_path() {
    static const std::string path = [] {
        const std::string file = temporary("morva-bench-200s.ogg");
        if (!std::filesystem::exists(file)) write_ogg(file, music_like_samples(SECONDS), RATE);
        return file;
    }();
    return path;
}

// The soundtrack converted to 48000 Hz, written once; empty when it cannot be.
const std::string& converted_soundtrack() {
    static const std::string path = [] {
        const std::string file = temporary("morva-bench-soundtrack-48k.ogg");
        if (std::filesystem::exists(file)) return file;
        Quiet quiet;
        SampleBuffer* buffer = SampleBuffer::create();
        const bool made = buffer->load(SOUNDTRACK) == 1 && resample_buffer(*buffer, CONVERTED_RATE, SOUNDTRACK) == 1 &&
                          write_ogg(file + ".part", buffer->samples, CONVERTED_RATE) == 1;
        SampleBuffer::destroy(buffer);
        if (!made) return std::string();
        std::filesystem::rename(file + ".part", file);
        return file;
    }();
    return path;
}

void BM_LoadTwoHundredSecondOgg(benchmark::State& state) {
    const std::string& path = synthetic_path();
    Quiet quiet;
    for (auto _ : state) {
        SampleBuffer* buffer = SampleBuffer::create();
        if (buffer->load(path.c_str()) != 1) state.SkipWithError("could not load the track");
        benchmark::DoNotOptimize(buffer->samples.data());
        SampleBuffer::destroy(buffer);
    }
    state.counters["audio_seconds"] = SECONDS;
}
BENCHMARK(BM_LoadTwoHundredSecondOgg)->Unit(benchmark::kMillisecond)->Iterations(2);

// The soundtrack opened by a track, as the show opens its music.
void open_in_track(benchmark::State& state, const std::string& path) {
    if (path.empty()) {
        state.SkipWithError("no soundtrack to open");
        return;
    }
    Quiet quiet;
    for (auto _ : state) {
        AudioTrack* track = AudioTrack::create();
        if (track->open_file(path.c_str()) != 1) state.SkipWithError("could not open the soundtrack");
        benchmark::DoNotOptimize(track->length_seconds());
        AudioTrack::destroy(track);
    }
}

void BM_OpenSoundtrack44100(benchmark::State& state) { open_in_track(state, SOUNDTRACK); }
void BM_OpenSoundtrack48000(benchmark::State& state) { open_in_track(state, converted_soundtrack()); }
BENCHMARK(BM_OpenSoundtrack44100)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_OpenSoundtrack48000)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(5)->ReportAggregatesOnly(true);

// The table, then the two openings' medians side by side.
class LoadReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs)
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median")
                medians_ms_[run.run_name.function_name] = run.GetAdjustedRealTime();
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        const auto as_is = medians_ms_.find("BM_OpenSoundtrack44100");
        const auto converted = medians_ms_.find("BM_OpenSoundtrack48000");
        if (as_is == medians_ms_.end() || converted == medians_ms_.end()) return;  // filtered out
        std::printf("track load: 44100 Hz %.0f ms, 48000 Hz %.0f ms (%.2fx)\n", as_is->second, converted->second,
                    converted->second / as_is->second);
    }

private:
    std::map<std::string, double> medians_ms_;
};
}  // namespace

int main(int argc, char** argv) {
    LoadReporter reporter;
    return run_benchmarks(argc, argv, &reporter) ? 0 : 1;
}
