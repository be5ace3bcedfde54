// Loading and saving sound files through libsndfile, with fixtures the
// tests write themselves.
#include "audio/sample_buffer.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cmath>
#include <csignal>
#include <filesystem>
#include <fstream>

#include "audio/resample.h"
#include "tests/support/child_process.h"
#include "tests/support/signals.h"
#include "tests/support/sound_files.h"

namespace {
using testing::internal::CaptureStderr;
using testing::internal::GetCapturedStderr;

struct Loaded {
    SampleBuffer* buffer = SampleBuffer::create();
    int32_t result = -1;
    std::string err;
    ~Loaded() { SampleBuffer::destroy(buffer); }
};

// Loads a file, capturing what the loader writes to standard error.
void load(Loaded& loaded, const std::string& path) {
    CaptureStderr();
    loaded.result = loaded.buffer->load(path.c_str());
    loaded.err = GetCapturedStderr();
}

std::vector<std::string> report(const std::string& path, int samples, int frames, int channels,
                                int rate) {
    return {"loaded: " + path,
            "-------------------------------",
            "num samples: " + std::to_string(samples),
            "num frames: " + std::to_string(frames),
            "num channels: " + std::to_string(channels),
            "file sample rate: " + std::to_string(rate),
            "-------------------------------"};
}

// The header of a Sun/NeXT audio file of 16-bit samples whose data size is
// "unknown": libsndfile then takes the length from the size of the file.
void write_au_header(const std::string& path, int channels) {
    const unsigned char header[24] = {'.', 's', 'n', 'd', 0, 0, 0, 24, 0xff, 0xff, 0xff, 0xff,
                                      0, 0, 0, 3, 0, 0, 0xac, 0x44, 0, 0, 0, static_cast<unsigned char>(channels)};
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(header), sizeof header);
}

struct SampleBufferTest : testing::Test {
    TempDir dir;
};
}  // namespace

TEST(SampleBufferRecord, WithNothingLoadedTakesAnyRate) {
    // Its rate is a plausible one before any file gives it another.
    SampleBuffer* buffer = SampleBuffer::create();
    EXPECT_EQ(resample_buffer(*buffer, 48000, "nothing"), 1);
    EXPECT_EQ(buffer->sample_rate, 48000);
    SampleBuffer::destroy(buffer);
}

TEST_F(SampleBufferTest, MonoFlacAt48000LoadsWithItsOwnRate) {
    const std::string path = dir.file("mono.flac");
    const std::vector<float> written = distinct_samples(4800, 1);
    write_sound(path, SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 1, 48000, written);

    Loaded loaded;
    load(loaded, path);
    EXPECT_EQ(loaded.result, 1);
    EXPECT_EQ(lines_of(loaded.err), report(path, 4800, 4800, 1, 48000));
    EXPECT_EQ(loaded.buffer->sample_count, loaded.buffer->frame_count);
    EXPECT_EQ(loaded.buffer->sample_rate, 48000);
    ASSERT_EQ(loaded.buffer->samples.size(), written.size());
    for (size_t i = 0; i < written.size(); ++i)
        ASSERT_NEAR(loaded.buffer->samples[i], written[i], 1.0 / 32768) << i;
}

TEST_F(SampleBufferTest, OggVorbisLoadsEveryFrame) {
    const std::string path = dir.file("stereo.ogg");
    const std::vector<float> tone = sine_tone(440.0, 0.5, 22050);
    std::vector<float> written(2 * tone.size());
    for (size_t f = 0; f < tone.size(); ++f) written[2 * f] = written[2 * f + 1] = tone[f];
    write_sound(path, SF_FORMAT_OGG | SF_FORMAT_VORBIS, 2, 44100, written);

    Loaded loaded;
    load(loaded, path);
    EXPECT_EQ(loaded.result, 1);
    EXPECT_EQ(lines_of(loaded.err), report(path, 44100, 22050, 2, 44100));
    // Lossy, but a 440 Hz sine at 0.5 comes back as one.
    float peak = 0.0f;
    for (float sample : loaded.buffer->samples) peak = std::max(peak, std::fabs(sample));
    EXPECT_NEAR(peak, 0.5f, 0.05f);
}

TEST_F(SampleBufferTest, EmptyFileLoadsWithNoSamples) {
    const std::string path = dir.file("empty.wav");
    write_sound(path, SF_FORMAT_WAV | SF_FORMAT_FLOAT, 2, 44100, {});

    Loaded loaded;
    load(loaded, path);
    EXPECT_EQ(loaded.result, 1);
    EXPECT_EQ(lines_of(loaded.err), report(path, 0, 0, 2, 44100));
    EXPECT_TRUE(loaded.buffer->samples.empty());
}

TEST_F(SampleBufferTest, SixChannelFileLoadsAllItsChannels) {
    const std::string path = dir.file("six.wav");
    const std::vector<float> written = distinct_samples(100, 6);
    write_sound(path, SF_FORMAT_WAV | SF_FORMAT_FLOAT, 6, 44100, written);

    Loaded loaded;
    load(loaded, path);
    EXPECT_EQ(loaded.result, 1);
    EXPECT_EQ(loaded.buffer->channel_count, 6);
    EXPECT_EQ(loaded.buffer->sample_count, 600);
    EXPECT_EQ(loaded.buffer->samples, written);
}

TEST_F(SampleBufferTest, TruncatedWavKeepsTheFramesItHolds) {
    const std::string path = dir.file("cut.wav");
    const std::vector<float> written = distinct_samples(10000, 2);
    write_sound(path, SF_FORMAT_WAV | SF_FORMAT_FLOAT, 2, 44100, written);
    std::filesystem::resize_file(path, 20000);  // the header still says 10000 frames

    Loaded loaded;
    load(loaded, path);
    EXPECT_EQ(loaded.result, 1);
    const int32_t frames = loaded.buffer->frame_count;
    EXPECT_GT(frames, 0);
    EXPECT_LT(frames, 10000);
    EXPECT_EQ(loaded.buffer->sample_count, frames * 2);
    ASSERT_EQ(loaded.buffer->samples.size(), static_cast<size_t>(frames) * 2);
    EXPECT_TRUE(std::equal(loaded.buffer->samples.begin(), loaded.buffer->samples.end(), written.begin()));
}

TEST_F(SampleBufferTest, CutOggStreamKeepsWhatDecodes) {
    // A cut Ogg stream has no known length: the loader reads until it ends.
    const std::string path = dir.file("cut.ogg");
    // Noise, so that the encoded stream is long enough to cut in the middle.
    std::vector<float> written(2 * 100000);
    uint32_t noise = 12345;
    for (float& sample : written) {
        noise = noise * 1664525u + 1013904223u;
        sample = 0.25f * (static_cast<float>(noise >> 8) / 8388608.0f - 1.0f);
    }
    write_sound(path, SF_FORMAT_OGG | SF_FORMAT_VORBIS, 2, 44100, written);
    std::filesystem::resize_file(path, std::filesystem::file_size(path) / 2);

    Loaded loaded;
    load(loaded, path);
    EXPECT_EQ(loaded.result, 1) << loaded.err;
    EXPECT_GT(loaded.buffer->frame_count, 0);
    EXPECT_LT(loaded.buffer->frame_count, 100000);
    EXPECT_EQ(loaded.buffer->sample_count, loaded.buffer->frame_count * 2);
    EXPECT_EQ(loaded.buffer->samples.size(), static_cast<size_t>(loaded.buffer->sample_count));
    for (float sample : loaded.buffer->samples) ASSERT_LE(std::fabs(sample), 1.0f);
}

TEST_F(SampleBufferTest, OggStreamCutBeforeItsSoundIsRefused) {
    const std::string path = dir.file("headers-only.ogg");
    write_sound(path, SF_FORMAT_OGG | SF_FORMAT_VORBIS, 2, 44100, distinct_samples(100000, 2));
    // The three Vorbis headers fill the first pages; keep them and a little more.
    std::filesystem::resize_file(path, 4600);
    Loaded loaded;
    load(loaded, path);
    EXPECT_EQ(loaded.result, 0);
    EXPECT_EQ(loaded.err, "error loading file: " + path + " (no sound could be decoded)\n");
    EXPECT_TRUE(loaded.buffer->samples.empty());
}

TEST_F(SampleBufferTest, MissingFileGivesOneErrorLine) {
    const std::string path = dir.file("missing.ogg");
    Loaded loaded;
    load(loaded, path);
    EXPECT_EQ(loaded.result, 0);
    EXPECT_EQ(loaded.err, "error loading file: " + path + "\n");
    EXPECT_TRUE(loaded.buffer->samples.empty());
    EXPECT_EQ(loaded.buffer->sample_count, 0);
}

TEST_F(SampleBufferTest, FileTooLongForThirtyTwoBitCountsIsRefused) {
    // 1.1e9 stereo frames: the frames fit 32 bits, the samples do not. The
    // file is sparse, so it takes no room on disk.
    const std::string path = dir.file("huge.au");
    write_au_header(path, 2);
    std::filesystem::resize_file(path, 24 + 4ull * 1100000000ull);

    Loaded loaded;
    load(loaded, path);
    EXPECT_EQ(loaded.result, 0);
    EXPECT_EQ(loaded.err, "error loading file: " + path + " (more than 2147483647 samples)\n");
    EXPECT_TRUE(loaded.buffer->samples.empty());
    EXPECT_EQ(loaded.buffer->sample_count, 0);
}

TEST(SampleBufferNormalize, ScalesTheLargestMagnitudeToOne) {
    SampleBuffer buffer;
    buffer.samples = {0.25f, -0.5f, 0.1f, 0.0f};
    buffer.sample_count = 4;
    buffer.normalize();
    EXPECT_EQ(buffer.samples, (std::vector<float>{0.5f, -1.0f, 0.2f, 0.0f}));

    buffer.samples = {0.4f, -0.2f};
    buffer.sample_count = 2;
    buffer.normalize();
    EXPECT_EQ(buffer.samples, (std::vector<float>{1.0f, -0.5f}));

    buffer.samples = {-0.1f, -0.05f};  // all negative
    buffer.normalize();
    EXPECT_FLOAT_EQ(buffer.samples[0], -1.0f);
    EXPECT_FLOAT_EQ(buffer.samples[1], -0.5f);
}

TEST(SampleBufferNormalize, SilenceAndEmptyBuffersStayAsTheyAre) {
    SampleBuffer silent;
    silent.samples = {0.0f, 0.0f, 0.0f};
    silent.sample_count = 3;
    silent.normalize();
    EXPECT_EQ(silent.samples, (std::vector<float>{0.0f, 0.0f, 0.0f}));

    SampleBuffer empty;
    empty.normalize();
    EXPECT_TRUE(empty.samples.empty());
}

TEST_F(SampleBufferTest, SaveWritesDoubleWavFrames) {
    const std::string path = dir.file("saved.wav");
    const std::vector<float> samples = distinct_samples(5, 2);
    EXPECT_EQ(save_samples(path.c_str(), samples.data(), 10, 22050, 2), 1);

    const ReadBack back = read_sound(path);
    EXPECT_EQ(back.info.format, 0x10007);
    EXPECT_EQ(back.info.frames, 5);
    EXPECT_EQ(back.info.channels, 2);
    EXPECT_EQ(back.info.samplerate, 22050);
    EXPECT_EQ(back.samples, samples);

    // And the loader takes it back unchanged.
    Loaded loaded;
    load(loaded, path);
    EXPECT_EQ(loaded.buffer->samples, samples);
}

TEST_F(SampleBufferTest, SaveDropsAnIncompleteLastFrame) {
    const std::string path = dir.file("odd.wav");
    const std::vector<float> samples = distinct_samples(4, 1);  // 4 samples
    EXPECT_EQ(save_samples(path.c_str(), samples.data(), 3, 44100, 2), 1);
    EXPECT_EQ(read_sound(path).info.frames, 1);
}

TEST_F(SampleBufferTest, SaveThatCannotCreateItsFileSaysWhy) {
    const std::string path = dir.file("no/such/folder/out.wav");
    const float samples[2] = {0.0f, 0.0f};
    CaptureStderr();
    EXPECT_EQ(save_samples(path.c_str(), samples, 2, 44100, 2), 0);
    const std::string err = GetCapturedStderr();
    EXPECT_EQ(err.rfind("error saving file: " + path + " - ", 0), 0u) << err;
    EXPECT_NE(err.find("No such file or directory"), std::string::npos) << err;
    EXPECT_EQ(lines_of(err).size(), 1u);

    CaptureStderr();
    EXPECT_EQ(save_samples(dir.file("zero.wav").c_str(), samples, 2, 44100, 0), 0);
    EXPECT_EQ(lines_of(GetCapturedStderr()).size(), 1u);
    CaptureStderr();
    EXPECT_EQ(save_samples(dir.file("negative.wav").c_str(), samples, -2, 44100, 2), 0);
    EXPECT_EQ(lines_of(GetCapturedStderr()).size(), 1u);
}

TEST_F(SampleBufferTest, ShortWriteIsReported) {
    // A file size limit lets the header through and stops the samples.
    const std::string path = dir.file("limited.wav");
    ChildProcess child = ChildProcess::fork_function([&] {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{8192, 8192};
        setrlimit(RLIMIT_FSIZE, &limit);
        const std::vector<float> samples = distinct_samples(100000, 2);
        EXPECT_EQ(save_samples(path.c_str(), samples.data(), 200000, 44100, 2), 0);
    });
    const ChildResult result = child.wait(std::chrono::milliseconds(10000));
    EXPECT_TRUE(result.succeeded()) << result.describe();
    EXPECT_EQ(result.err, "error saving file: " + path + "\n");
}

namespace {
// The largest resident size this process has had, in bytes.
int64_t peak_resident_bytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<int64_t>(usage.ru_maxrss) * 1024;
}

// How a sound reaches the loader: from its file, or from memory.
enum class Source { file, memory };

void load_from(Source source, Loaded& loaded, const std::string& path) {
    if (source == Source::file) return load(loaded, path);
    const std::vector<uint8_t> bytes = file_bytes(path);
    CaptureStderr();
    loaded.result = loaded.buffer->load_from_memory(bytes.data(), bytes.size(), path.c_str());
    loaded.err = GetCapturedStderr();
}

class FromFileOrMemory : public testing::TestWithParam<Source> {
protected:
    TempDir dir;
};
}  // namespace

TEST_P(FromFileOrMemory, StereoWavLoadsEverySampleWithItsReport) {
    const std::string path = dir.file("stereo.wav");
    const std::vector<float> written = distinct_samples(300, 2);
    write_sound(path, SF_FORMAT_WAV | SF_FORMAT_FLOAT, 2, 22050, written);
    Loaded loaded;
    load_from(GetParam(), loaded, path);
    ASSERT_EQ(loaded.result, 1) << loaded.err;
    EXPECT_EQ(loaded.buffer->samples, written);
    EXPECT_EQ(lines_of(loaded.err), report(path, 600, 300, 2, 22050));
}

TEST_P(FromFileOrMemory, NonsenseGivesOneErrorLine) {
    const std::string path = dir.file("notes.wav");
    write_text(path, "RIFF but not really a sound at all\n");
    Loaded loaded;
    load_from(GetParam(), loaded, path);
    EXPECT_EQ(loaded.result, 0);
    EXPECT_EQ(loaded.err, "error loading file: " + path + "\n");
    EXPECT_TRUE(loaded.buffer->samples.empty());
}

// A FLAC header may claim any length: here a thousand million frames for a
// file of 200. What it holds loads, with the shortfall reported, and memory
// follows what was read rather than the claim (which would be 4 GB).
TEST_P(FromFileOrMemory, HeaderClaimingFarMoreSoundThanTheFileHoldsCostsOnlyWhatIsRead) {
    const std::string path = dir.file("claims.flac");
    const std::vector<float> written = distinct_samples(200, 1);
    write_sound(path, SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 1, 8000, written);
    std::vector<uint8_t> bytes = file_bytes(path);
    // STREAMINFO follows "fLaC" and its block header; its 36-bit sample
    // count ends it after the rates and sizes, at bytes 21 (low half) to 25.
    ASSERT_EQ(std::string(bytes.begin(), bytes.begin() + 4), "fLaC");
    bytes[21] = static_cast<uint8_t>(bytes[21] & 0xF0);
    bytes[22] = 0x3F;
    bytes[23] = bytes[24] = bytes[25] = 0xFF;
    write_file_bytes(path, bytes);

    const int64_t peak_before = peak_resident_bytes();
    Loaded loaded;
    load_from(GetParam(), loaded, path);
    ASSERT_EQ(loaded.result, 1) << loaded.err;
    EXPECT_EQ(loaded.buffer->frame_count, 200);
    EXPECT_EQ(lines_of(loaded.err).front(), "warning: " + path + " ends after 200 of 1073741823 frames");
    EXPECT_LT(peak_resident_bytes() - peak_before, int64_t{256} << 20);
}

INSTANTIATE_TEST_SUITE_P(SampleBuffer, FromFileOrMemory, testing::Values(Source::file, Source::memory));
