#include "tools/capture/frame_chunk.h"

namespace {
// Where part `cut` begins when first..last are cut into `count` parts.
int64_t cut_at(int64_t first, int64_t last, int32_t cut, int32_t count) {
    if (cut <= 0) return std::numeric_limits<int64_t>::min();
    if (cut >= count) return std::numeric_limits<int64_t>::max();
    const int64_t frames = last >= first ? last - first + 1 : 1;
    return first + frames * cut / count;
}
}  // namespace

FrameSpan chunk_frames(const FrameChunk& chunk, int64_t first, int64_t last) {
    return {cut_at(first, last, chunk.index - 1, chunk.count), cut_at(first, last, chunk.index, chunk.count)};
}

FrameChunk chunk_part(const FrameChunk& chunk, int32_t part, int32_t parts) {
    return {(chunk.index - 1) * parts + part, chunk.count * parts};
}

std::string chunk_text(const FrameChunk& chunk) {
    return std::to_string(chunk.index) + "/" + std::to_string(chunk.count);
}
