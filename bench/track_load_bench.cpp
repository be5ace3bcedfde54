// Loading the music: the whole Ogg Vorbis file is decoded at start-up, so
// its decode time is time before the first frame. The file here is 200 s of
// stereo, as long as the show's track, written once by the benchmark itself.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sndfile.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "audio/sample_buffer.h"
#include "bench/music_like.h"

namespace {
constexpr int RATE = 44100;
constexpr int SECONDS = 200;

const std::string& track_path() {
    static const std::string path = [] {
        const std::string file =
            (std::filesystem::temp_directory_path() / "morva-bench-200s.ogg").string();
        if (!std::filesystem::exists(file)) {
            const std::vector<float> samples = music_like_samples(SECONDS);
            SF_INFO info{};
            info.samplerate = RATE;
            info.channels = 2;
            info.format = SF_FORMAT_OGG | SF_FORMAT_VORBIS;
            SNDFILE* out = sf_open(file.c_str(), SFM_WRITE, &info);
            // In slices: libsndfile's Vorbis encoder crashes on one very long write.
            constexpr size_t SLICE_FRAMES = 4096;
            for (size_t frame = 0; frame < samples.size() / 2; frame += SLICE_FRAMES) {
                const size_t frames = std::min(SLICE_FRAMES, samples.size() / 2 - frame);
                sf_writef_float(out, samples.data() + 2 * frame, static_cast<sf_count_t>(frames));
            }
            sf_close(out);
        }
        return file;
    }();
    return path;
}

// The loader's report goes to standard error; keep it out of the figures.
class QuietStderr {
public:
    QuietStderr() : saved_(dup(STDERR_FILENO)) {
        const int null_fd = open("/dev/null", O_WRONLY);
        dup2(null_fd, STDERR_FILENO);
        close(null_fd);
    }
    ~QuietStderr() {
        dup2(saved_, STDERR_FILENO);
        close(saved_);
    }

private:
    int saved_;
};

void BM_LoadTwoHundredSecondOgg(benchmark::State& state) {
    const std::string& path = track_path();
    QuietStderr quiet;
    for (auto _ : state) {
        SampleBuffer* buffer = SampleBuffer::create();
        if (buffer->load(path.c_str()) != 1) state.SkipWithError("could not load the track");
        benchmark::DoNotOptimize(buffer->samples.data());
        SampleBuffer::destroy(buffer);
    }
    state.counters["audio_seconds"] = SECONDS;
}
BENCHMARK(BM_LoadTwoHundredSecondOgg)->Unit(benchmark::kMillisecond)->Iterations(2);
}  // namespace

BENCHMARK_MAIN();
