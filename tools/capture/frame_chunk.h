#pragma once

#include <cstdint>
#include <limits>
#include <string>

// One of `count` consecutive parts of a run's frames, the index-th from 1:
// what one process draws when a video is drawn by several, on one machine
// or on many. The whole run is part 1 of 1. The fields are the plain reads.
struct FrameChunk {
    int32_t index = 1;
    int32_t count = 1;
};

// The most parts a run is split into.
inline constexpr int32_t LARGEST_CHUNK_COUNT = 100000;

// Frames [begin, end) of the show; the whole show when open at both ends.
struct FrameSpan {
    int64_t begin = std::numeric_limits<int64_t>::min();
    int64_t end = std::numeric_limits<int64_t>::max();
    bool holds(int64_t frame) const { return frame >= begin && frame < end; }
};

// The frames of the chunk when the run's frames are about first to last:
// the parts are cut at even steps between the two, and the first and the
// last part reach out as far as the run does, so that the parts of a
// range tile it whatever frames the range turns out to hold. The same
// numbers give the same cuts in every process, whichever machine it runs
// on.
FrameSpan chunk_frames(const FrameChunk& chunk, int64_t first, int64_t last);

// Part `part` of `parts` of the chunk, as a chunk of the whole run: its
// cuts are among those of the finer split, so the parts of a chunk tile it.
FrameChunk chunk_part(const FrameChunk& chunk, int32_t part, int32_t parts);

// "K/N".
std::string chunk_text(const FrameChunk& chunk);
