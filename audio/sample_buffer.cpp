#include "audio/sample_buffer.h"

#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

namespace {
constexpr int SAVE_FORMAT = SF_FORMAT_WAV | SF_FORMAT_DOUBLE;
static_assert(SAVE_FORMAT == 0x10007);

constexpr sf_count_t MAX_SAMPLES = std::numeric_limits<int32_t>::max();
// Frames read at a time.
constexpr sf_count_t STREAM_CHUNK_FRAMES = 65536;
// Samples room is made for before reading (untouched room costs no
// memory until it is written): over six minutes of stereo sound at
// 44100 Hz, so the show's track is read without moving.
constexpr sf_count_t READ_RESERVE_SAMPLES = sf_count_t{1} << 25;

void report_loaded(const char* path, const SampleBuffer& buffer) {
    std::fprintf(stderr, "loaded: %s\n", path);
    std::fprintf(stderr, "-------------------------------\n");
    std::fprintf(stderr, "num samples: %d\n", buffer.sample_count);
    std::fprintf(stderr, "num frames: %d\n", buffer.frame_count);
    std::fprintf(stderr, "num channels: %d\n", buffer.channel_count);
    std::fprintf(stderr, "file sample rate: %d\n", buffer.sample_rate);
    std::fprintf(stderr, "-------------------------------\n");
}

// A sound file held in memory, read through libsndfile's virtual I/O.
struct MemoryFile {
    const uint8_t* data;
    sf_count_t size;
    sf_count_t position;
};

MemoryFile& memory_of(void* user_data) { return *static_cast<MemoryFile*>(user_data); }

sf_count_t memory_length(void* user_data) { return memory_of(user_data).size; }

sf_count_t memory_seek(sf_count_t offset, int whence, void* user_data) {
    MemoryFile& memory = memory_of(user_data);
    sf_count_t base = 0;
    if (whence == SEEK_CUR) base = memory.position;
    else if (whence == SEEK_END) base = memory.size;
    else if (whence != SEEK_SET) return -1;
    // Out of range is refused rather than clamped, as lseek refuses a
    // negative position; past the end reads nothing.
    if (offset < -base || offset > std::numeric_limits<sf_count_t>::max() - base) return -1;
    memory.position = base + offset;
    return memory.position;
}

sf_count_t memory_read(void* destination, sf_count_t count, void* user_data) {
    MemoryFile& memory = memory_of(user_data);
    const sf_count_t left = memory.position < memory.size ? memory.size - memory.position : 0;
    const sf_count_t n = std::clamp<sf_count_t>(count, 0, left);
    if (n > 0) std::memcpy(destination, memory.data + memory.position, static_cast<size_t>(n));
    memory.position += n;
    return n;
}

sf_count_t memory_write(const void*, sf_count_t, void*) { return 0; }

sf_count_t memory_tell(void* user_data) { return memory_of(user_data).position; }

constexpr SF_VIRTUAL_IO MEMORY_FILE_IO = {memory_length, memory_seek, memory_read, memory_write, memory_tell};

// Reads up to `limit` samples (the header's count, or everything that
// comes when the header gives no length: a damaged or cut Ogg file, for
// one) chunk by chunk until the file ends. A header may claim far more than
// the file holds, so memory follows what is read rather than the claim. Returns the samples read, or -1 when there are more
// than 32 bits can count.
sf_count_t read_samples(SNDFILE* file, int channels, sf_count_t limit, std::vector<float>& samples) {
    const sf_count_t chunk = STREAM_CHUNK_FRAMES * channels;
    samples.clear();
    samples.reserve(static_cast<size_t>(std::min(limit, READ_RESERVE_SAMPLES)));
    sf_count_t total = 0;
    while (total < limit) {
        const sf_count_t wanted = std::min(chunk, limit - total);
        if (total + wanted > MAX_SAMPLES) return -1;
        samples.resize(static_cast<size_t>(total + wanted));
        const sf_count_t read = sf_read_float(file, samples.data() + total, wanted);
        if (read <= 0) break;
        total += read;
    }
    samples.resize(static_cast<size_t>(total));
    return total;
}

// Takes the whole sound from a file opened for reading (none when it could
// not be opened), closes it and reports it: what load and load_from_memory
// share.
int32_t decode(SampleBuffer& buffer, SNDFILE* file, const SF_INFO& info, const char* path) {
    if (file == nullptr) {
        std::fprintf(stderr, "error loading file: %s\n", path);
        return 0;
    }
    if (info.channels < 1 || info.frames < 0) {
        std::fprintf(stderr, "error loading file: %s (no channels, or fewer than no frames)\n", path);
        sf_close(file);
        return 0;
    }
    const bool length_known = info.frames != SF_COUNT_MAX;
    // Compared by division: a header may claim any number of frames, and
    // the product could overflow.
    if (length_known && info.frames > MAX_SAMPLES / info.channels) {
        std::fprintf(stderr, "error loading file: %s (more than %lld samples)\n", path,
                     static_cast<long long>(MAX_SAMPLES));
        sf_close(file);
        return 0;
    }
    const sf_count_t limit = length_known ? info.frames * info.channels : SF_COUNT_MAX;
    const sf_count_t read = read_samples(file, info.channels, limit, buffer.samples);
    sf_close(file);
    if (read < 0) {
        buffer.samples.clear();
        std::fprintf(stderr, "error loading file: %s (more than %lld samples)\n", path,
                     static_cast<long long>(MAX_SAMPLES));
        return 0;
    }
    // A stream of unknown length that gives nothing at all is damaged (cut
    // off after its headers, say), unlike a file that says it is empty.
    if (!length_known && read == 0) {
        buffer.samples.clear();
        std::fprintf(stderr, "error loading file: %s (no sound could be decoded)\n", path);
        return 0;
    }
    // A file that ends early (cut off, or damaged past some point) keeps the
    // whole frames it held; nothing past them is made up.
    const sf_count_t frames = read / info.channels;
    if (length_known && frames < info.frames)
        std::fprintf(stderr, "warning: %s ends after %lld of %lld frames\n", path,
                     static_cast<long long>(frames), static_cast<long long>(info.frames));
    buffer.samples.resize(static_cast<size_t>(frames * info.channels));
    buffer.samples.shrink_to_fit();
    buffer.channel_count = info.channels;
    buffer.frame_count = static_cast<int32_t>(frames);
    buffer.sample_count = static_cast<int32_t>(frames * info.channels);
    buffer.sample_rate = info.samplerate;
    report_loaded(path, buffer);
    return 1;
}
}  // namespace

SampleBuffer* SampleBuffer::create() { return new SampleBuffer{}; }

void SampleBuffer::destroy(SampleBuffer* buffer) { delete buffer; }

int32_t SampleBuffer::load(const char* path) {
    SF_INFO info{};
    SNDFILE* file = sf_open(path, SFM_READ, &info);
    return decode(*this, file, info, path);
}

int32_t SampleBuffer::load_from_memory(const void* bytes, size_t size, const char* name) {
    MemoryFile memory{static_cast<const uint8_t*>(bytes), static_cast<sf_count_t>(size), 0};
    SF_VIRTUAL_IO io = MEMORY_FILE_IO;
    SF_INFO info{};
    SNDFILE* file = sf_open_virtual(&io, SFM_READ, &info, &memory);
    return decode(*this, file, info, name);
}

void SampleBuffer::normalize() {
    if (samples.empty() || sample_count <= 0) return;
    float smallest = 1e15f;
    float largest = -1e15f;
    for (int32_t i = 0; i < sample_count; ++i) {
        smallest = std::fmin(smallest, samples[static_cast<size_t>(i)]);
        largest = std::fmax(largest, samples[static_cast<size_t>(i)]);
    }
    const float peak = largest >= std::fabs(smallest) ? largest : std::fabs(smallest);
    if (peak <= 0.0f) return;  // silence: there is nothing to scale up
    const float factor = 1.0f / peak;
    for (int32_t i = 0; i < sample_count; ++i) samples[static_cast<size_t>(i)] *= factor;
}

int32_t save_samples(const char* path, const float* samples, int32_t sample_count,
                     int32_t sample_rate, int32_t channel_count) {
    if (sample_count < 0) {
        std::fprintf(stderr, "error saving file: %s - %s\n", path, "negative sample count");
        return 0;
    }
    SF_INFO info{};
    info.samplerate = sample_rate;
    info.channels = channel_count;
    info.format = SAVE_FORMAT;
    SNDFILE* file = sf_open(path, SFM_WRITE, &info);
    if (file == nullptr) {
        std::fprintf(stderr, "error saving file: %s - %s\n", path, sf_strerror(nullptr));
        return 0;
    }
    const sf_count_t frames = sample_count / channel_count;  // sf_open refuses 0 channels
    const sf_count_t written = sf_writef_float(file, samples, frames);
    sf_close(file);
    if (written < frames) {
        std::fprintf(stderr, "error saving file: %s\n", path);
        return 0;
    }
    return 1;
}
