#include "audio/resample.h"

#include <soxr.h>

#include <cstdio>
#include <limits>
#include <string>
#include <vector>

#include "audio/sample_buffer.h"

namespace {
// The rates songs come at, from telephone sound up. A header may claim any
// rate, and converting from a few hertz would multiply a small file into
// gigabytes.
constexpr int32_t LOWEST_RATE_HZ = 1000;
constexpr int32_t HIGHEST_RATE_HZ = 768000;

bool plausible(int32_t rate) { return rate >= LOWEST_RATE_HZ && rate <= HIGHEST_RATE_HZ; }

int32_t report_failure(const char* name, const char* why) {
    std::fprintf(stderr, "error resampling %s: %s\n", name, why);
    return 0;
}
}  // namespace

int32_t resample_buffer(SampleBuffer& buffer, int32_t rate, const char* name) {
    if (name == nullptr) name = "";
    if (!plausible(buffer.sample_rate) || !plausible(rate)) {
        const std::string why = "a sample rate of " + std::to_string(plausible(rate) ? buffer.sample_rate : rate) +
                                " Hz, outside " + std::to_string(LOWEST_RATE_HZ) + " to " +
                                std::to_string(HIGHEST_RATE_HZ);
        return report_failure(name, why.c_str());
    }
    if (buffer.sample_rate == rate || buffer.channel_count <= 0 || buffer.frame_count <= 0) {
        buffer.sample_rate = rate;
        return 1;
    }
    // The converter delivers the input's span at the new rate: frames x
    // rate / old rate, rounded; one frame more leaves room for the rounding.
    const auto frames_out = static_cast<int64_t>(buffer.frame_count) * rate / buffer.sample_rate + 1;
    if (frames_out > std::numeric_limits<int32_t>::max() / buffer.channel_count)
        return report_failure(name, "more samples than 32 bits count at the new rate");

    std::vector<float> converted(static_cast<size_t>(frames_out * buffer.channel_count));
    const soxr_io_spec_t io = soxr_io_spec(SOXR_FLOAT32_I, SOXR_FLOAT32_I);
    const soxr_quality_spec_t quality = soxr_quality_spec(SOXR_HQ, 0);
    size_t frames_done = 0;
    const soxr_error_t error = soxr_oneshot(buffer.sample_rate, rate, static_cast<unsigned>(buffer.channel_count),
                                            buffer.samples.data(), static_cast<size_t>(buffer.frame_count), nullptr,
                                            converted.data(), static_cast<size_t>(frames_out), &frames_done, &io,
                                            &quality, nullptr);
    if (error != nullptr) return report_failure(name, error);

    converted.resize(frames_done * static_cast<size_t>(buffer.channel_count));
    converted.shrink_to_fit();
    buffer.samples = std::move(converted);
    buffer.frame_count = static_cast<int32_t>(frames_done);
    buffer.sample_count = buffer.frame_count * buffer.channel_count;
    buffer.sample_rate = rate;
    return 1;
}
