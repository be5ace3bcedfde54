#include "tests/support/sound_files.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

TempDir::TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "morva-test-XXXXXX").string();
    if (mkdtemp(pattern.data()) != nullptr) path_ = pattern;
    EXPECT_FALSE(path_.empty()) << "could not make a temporary folder";
}

TempDir::~TempDir() {
    std::error_code ignored;
    if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
}

std::vector<float> distinct_samples(int frames, int channels) {
    std::vector<float> samples(static_cast<size_t>(frames) * channels);
    for (int f = 0; f < frames; ++f)
        for (int c = 0; c < channels; ++c)
            samples[static_cast<size_t>(f) * channels + c] =
                static_cast<float>((f * 7 + c * 3) % 200 - 100) / 128.0f;
    return samples;
}

void write_sound(const std::string& path, int format, int channels, int sample_rate,
                 const std::vector<float>& samples) {
    SF_INFO info{};
    info.samplerate = sample_rate;
    info.channels = channels;
    info.format = format;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    ASSERT_NE(file, nullptr) << path << ": " << sf_strerror(nullptr);
    const sf_count_t frames = static_cast<sf_count_t>(samples.size()) / channels;
    EXPECT_EQ(sf_writef_float(file, samples.data(), frames), frames);
    sf_close(file);
}

ReadBack read_sound(const std::string& path) {
    ReadBack back;
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &back.info);
    EXPECT_NE(file, nullptr) << path << ": " << sf_strerror(nullptr);
    if (file == nullptr) return back;
    back.samples.resize(static_cast<size_t>(back.info.frames * back.info.channels));
    sf_read_float(file, back.samples.data(), static_cast<sf_count_t>(back.samples.size()));
    sf_close(file);
    return back;
}

void write_text(const std::string& path, const std::string& text) {
    std::ofstream(path) << text;
}

std::vector<uint8_t> file_bytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void write_file_bytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::string test_track(const std::string& seconds) {
    const std::string path = std::string(MORVA_TEST_TRACKS_DIR) + "/" + seconds + ".ogg";
    EXPECT_TRUE(std::filesystem::exists(path)) << path << " is made by the build";
    return path;
}

std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);) lines.push_back(line);
    return lines;
}
