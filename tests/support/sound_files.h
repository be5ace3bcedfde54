#pragma once

#include <sndfile.h>

#include <cstdint>
#include <string>
#include <vector>

// A fresh folder under the system's temporary folder, removed with
// everything in it when the object goes.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

// Interleaved test samples in which every sample differs from its
// neighbours: frame f, channel c holds ((f * 7 + c * 3) % 200 - 100) / 128.
std::vector<float> distinct_samples(int frames, int channels);

// Writes interleaved samples with libsndfile in the given format (for
// example SF_FORMAT_WAV | SF_FORMAT_FLOAT); fails the test when it cannot.
void write_sound(const std::string& path, int format, int channels, int sample_rate,
                 const std::vector<float>& samples);

// Reads a whole file back with libsndfile.
struct ReadBack {
    SF_INFO info{};
    std::vector<float> samples;
};
ReadBack read_sound(const std::string& path);

// Writes a text file.
void write_text(const std::string& path, const std::string& text);

// The bytes of a whole file (none when it cannot be read), and a file
// written from bytes.
std::vector<uint8_t> file_bytes(const std::string& path);
void write_file_bytes(const std::string& path, const std::vector<uint8_t>& bytes);

// A soundtrack of the given length ("10.4", "31.2" or "52" seconds), as
// morva-compose writes it; composed once, in the build.
std::string test_track(const std::string& seconds);

// The lines of a text, without their newlines.
std::vector<std::string> lines_of(const std::string& text);
