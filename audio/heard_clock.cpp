#include "audio/heard_clock.h"

#include <algorithm>
#include <chrono>

namespace {
constexpr double NS_PER_SECOND = 1e9;
// The part of the output latency a stream's own buffer holds: the sound
// server keeps the rest queued in its sink. PulseAudio, asked for 30 ms,
// keeps 22.5 ms in the stream; asked for 40 ms, 30 ms.
constexpr int64_t STREAM_SHARE_NUMERATOR = 3;
constexpr int64_t STREAM_SHARE_DENOMINATOR = 4;

// Whole frames that play in the time between two readings of the steady
// clock; none when the second is not later.
int64_t frames_between(int64_t from_ns, int64_t to_ns, int32_t sample_rate) {
    if (to_ns <= from_ns) return 0;
    return static_cast<int64_t>(static_cast<double>(to_ns - from_ns) * sample_rate / NS_PER_SECOND);
}
}  // namespace

void HeardClock::start(int64_t stream_latency_frames) {
    latency_frames = std::max<int64_t>(stream_latency_frames, 0);
    last_block_ns = 0;
    streamed_frames = 0;
    last_sound_ns = 0;
    lost = 0;
    buffered_frames = 0;
    buffer = Buffer::first_filling;
    last_handed = 0;
    last_heard = 0;
}

bool HeardClock::block_handed(int64_t frames, int64_t now_ns, bool sounding) {
    bool ran_dry = false;
    if (latency_frames > 0) {
        if (buffer == Buffer::playing_out) {
            const int64_t played = frames_between(last_block_ns.load(std::memory_order_relaxed), now_ns, sample_rate);
            ran_dry = played > buffered_frames;
            buffered_frames = ran_dry ? 0 : buffered_frames - played;
            if (ran_dry) buffer = Buffer::refilling;
        } else if (buffer == Buffer::first_full) {
            buffer = Buffer::playing_out;  // the server has begun: the wait made room for this block only
        }
        const int64_t holds = std::max(latency_frames * STREAM_SHARE_NUMERATOR / STREAM_SHARE_DENOMINATOR, frames);
        buffered_frames = std::min(buffered_frames + frames, holds);
        if (buffered_frames == holds && buffer == Buffer::first_filling) buffer = Buffer::first_full;
        if (buffered_frames == holds && buffer == Buffer::refilling) buffer = Buffer::playing_out;
    }
    streamed_frames.fetch_add(frames, std::memory_order_relaxed);
    if (sounding) last_sound_ns.store(now_ns, std::memory_order_release);
    last_block_ns.store(now_ns, std::memory_order_release);
    return ran_dry;
}

int64_t HeardClock::heard_frames(int64_t handed, int64_t end, int64_t now_ns) {
    if (lost != 0) {
        const int64_t run_on = lost_at_frame + frames_between(lost_at_ns, now_ns, sample_rate);
        return std::clamp(run_on, lost_at_frame, std::max(end, lost_at_frame));
    }
    if (handed < last_handed) last_heard = 0;  // moved back: the reading follows
    // Blocks of silence since the last sound keep the stream's buffer full,
    // but of nothing to hear: the last sound plays out behind them.
    const int64_t played_since_block =
        frames_between(last_sound_ns.load(std::memory_order_acquire), now_ns, sample_rate);
    const int64_t still_in_stream = std::max<int64_t>(latency_frames - played_since_block, 0);
    last_heard = std::max({handed - still_in_stream, last_heard, int64_t{0}});
    last_handed = handed;
    return last_heard;
}

// The last reading becomes the target: the max above holds later readings
// there, and as the last handed position it keeps the rule for a position
// moved back from undoing that.
void HeardClock::jumped(int64_t frame, int64_t now_ns) {
    last_handed = frame;
    last_heard = frame;
    lost_at_frame = frame;
    lost_at_ns = now_ns;
}

bool HeardClock::stalled(int64_t now_ns, int64_t limit_ns) const {
    if (streamed_frames.load(std::memory_order_relaxed) < sample_rate) return false;
    return now_ns - last_block_ns.load(std::memory_order_acquire) > limit_ns;
}

void HeardClock::lose(int64_t now_ns) {
    lost_at_frame = last_heard;
    lost_at_ns = now_ns;
    lost = 1;
}

int64_t steady_now_ns() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}
