// Sound files as the show loads them, from memory through the same decoding
// as from a file: a load may fail, but not crash, and what it keeps is
// consistent.
#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "audio/sample_buffer.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // Every load writes its report or its error line; at thousands of loads
    // a second they would drown the fuzzer's own output. The fuzzer and the
    // sanitizers keep writing to the real standard error.
    stderr = std::fopen("/dev/null", "w");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    SampleBuffer* buffer = SampleBuffer::create();
    if (buffer->load_from_memory(data, size, "fuzz input") == 1) {
        const bool consistent =
            buffer->channel_count > 0 && buffer->frame_count >= 0 &&
            static_cast<int64_t>(buffer->sample_count) ==
                static_cast<int64_t>(buffer->frame_count) * buffer->channel_count &&
            buffer->samples.size() == static_cast<size_t>(buffer->sample_count);
        if (!consistent) __builtin_trap();
        buffer->normalize();
    } else if (!buffer->samples.empty() || buffer->sample_count != 0) {
        __builtin_trap();  // a failed load leaves the buffer empty
    }
    SampleBuffer::destroy(buffer);
    return 0;
}
