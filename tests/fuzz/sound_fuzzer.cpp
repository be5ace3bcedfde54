// Sound files as the show loads them, from memory through the same decoding
// as from a file, and converted to the playback rate: a load may fail, but
// not crash, and what it keeps is consistent.
#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "audio/audio_track.h"
#include "audio/resample.h"
#include "audio/sample_buffer.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // Every load writes its report or its error line; at thousands of loads
    // a second they would drown the fuzzer's own output. The fuzzer and the
    // sanitizers keep writing to the real standard error.
    stderr = std::fopen("/dev/null", "w");
    return 0;
}

namespace {
bool consistent(const SampleBuffer& buffer) {
    return buffer.channel_count > 0 && buffer.frame_count >= 0 &&
           static_cast<int64_t>(buffer.sample_count) == static_cast<int64_t>(buffer.frame_count) * buffer.channel_count &&
           buffer.samples.size() == static_cast<size_t>(buffer.sample_count);
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    SampleBuffer* buffer = SampleBuffer::create();
    if (buffer->load_from_memory(data, size, "fuzz input") == 1) {
        if (!consistent(*buffer)) __builtin_trap();
        // Then converted to the playback rate, as a track does.
        if (resample_buffer(*buffer, PLAYBACK_SAMPLE_RATE, "fuzz input") == 1 &&
            (!consistent(*buffer) || buffer->sample_rate != PLAYBACK_SAMPLE_RATE))
            __builtin_trap();
        buffer->normalize();
    } else if (!buffer->samples.empty() || buffer->sample_count != 0) {
        __builtin_trap();  // a failed load leaves the buffer empty
    }
    SampleBuffer::destroy(buffer);
    return 0;
}
