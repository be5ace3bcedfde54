#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// A whole sound file in memory as interleaved 32-bit floats (frame 0
// channel 0, frame 0 channel 1, frame 1 channel 0, ...), exactly as
// libsndfile delivers them. The fields are the plain reads.
struct SampleBuffer {
    std::vector<float> samples;  // empty until loaded
    int32_t sample_count = 0;    // frame_count x channel_count
    int32_t frame_count = 0;
    int32_t channel_count = 0;
    int32_t sample_rate = 44100;  // the file's rate: recorded and reported only

    static SampleBuffer* create();
    static void destroy(SampleBuffer* buffer);

    // Reads the whole file and reports it on standard error. 0 and an empty
    // buffer when the file cannot be read, holds more samples than 32 bits
    // can count, or is a stream from which nothing decodes; a file that ends
    // before its header says keeps what it held.
    int32_t load(const char* path);
    // Reads a whole sound file held in memory (size bytes from `bytes`,
    // borrowed for the call) as load reads a file, with `name` standing
    // for it in the report and the messages.
    int32_t load_from_memory(const void* bytes, size_t size, const char* name);
    // Scales the samples so that the largest magnitude becomes 1.0; silence
    // stays as it is.
    void normalize();
};

// Writes interleaved float samples as a WAV file of 64-bit float samples.
// 1 on success; 0 with a line on standard error otherwise.
int32_t save_samples(const char* path, const float* samples, int32_t sample_count,
                     int32_t sample_rate, int32_t channel_count);
