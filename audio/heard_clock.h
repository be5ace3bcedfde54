#pragma once

#include <atomic>
#include <cstdint>

// How far a listener has got into a played sound, counted in frames.
//
// A block handed to an output stream is heard only once the stream's
// output buffer has played out in front of it: the frame heard now is the
// last frame handed minus the latency still left in the stream. Right
// after a block is handed that is the whole output latency; it shrinks as
// time passes without another block, down to nothing when the stream has
// played everything it was given (at the end of a track, or in a stall).
// Without a stream the latency is 0 and the clock reads what was handed.
//
// Silence handed while the sound is paused carries no frame: the frame
// heard then is the last one handed, once the latency in front of it has
// played out, and it holds there. A jump moves the reading to its target at
// once (the sound from there is still a latency away, the picture leads it
// by that much), and the reading stays there until the sound catches up.
//
// When the sound stops for good (the stream failed or stalled), the clock
// runs on the wall clock from where the sound stopped, so that whatever it
// times goes on without sound.
//
// Threads: the stream thread calls block_handed once per block; everything
// else, jumped too, belongs to the one thread that reads the clock (the
// drawing thread).
struct HeardClock {
    int32_t sample_rate = 44100;
    // Frames a handed frame waits in the stream before it is heard.
    int64_t latency_frames = 0;

    // Written by the stream thread: when the last block was handed over
    // (steady clock, nanoseconds; 0 before the first) and how many frames
    // have gone to the stream since it started.
    std::atomic<int64_t> last_block_ns{0};
    std::atomic<int64_t> streamed_frames{0};
    // When the last block that carried the sound on (not paused) was handed.
    std::atomic<int64_t> last_sound_ns{0};
    // 1 once the sound has stopped for good; the stream thread reads it to
    // hand over nothing more.
    std::atomic<int32_t> lost{0};

    // The stream thread's estimate of the stream's buffer: the frames it
    // still holds as the last block was handed, and what it is doing.
    enum class Buffer : int32_t {
        first_filling,  // a new stream, filling before it plays
        first_full,     // full, until the server starts taking from it
        playing_out,    // played out as fast as it is heard
        refilling,      // ran dry: fills up again before it plays
    };
    int64_t buffered_frames = 0;
    Buffer buffer = Buffer::first_filling;

    // The reader's memory: the handed and heard frames of the last reading,
    // and where and when the sound stopped.
    int64_t last_handed = 0;
    int64_t last_heard = 0;
    int64_t lost_at_frame = 0;
    int64_t lost_at_ns = 0;

    // Before a stream starts: nothing handed, nothing heard, the sound not
    // lost, and the stream's output latency.
    void start(int64_t stream_latency_frames);
    // The stream thread handed `frames` more frames at `now_ns`. True when
    // the stream ran dry before they came: it was playing out and more
    // frames played since the block before than it held. A stream that
    // blocks its writer until there is room is full after each block, and
    // holds a share of the latency (the server's sink queues the rest), so
    // a block later than that share comes too late. The one exception is
    // the first block after a new stream has filled: the server starts
    // taking from a stream only when it is ready (an idle sink first plays
    // out what it had queued, half a second and more), and until then the
    // buffer stays full however long the writer waits. Never true without
    // a latency (no stream). A block that is not `sounding` (silence for a
    // pause) fills the buffer as any other but moves no frame towards the
    // listener.
    bool block_handed(int64_t frames, int64_t now_ns, bool sounding = true);
    // The frame heard at `now_ns` when `handed` frames have been handed, in
    // a sound of `end` frames: handed minus the latency still to play out,
    // never below 0 and never before the last reading, unless `handed`
    // itself went back (a seek), which the reading follows, or a jump
    // moved it. Once the sound is lost: where it stopped plus the
    // wall-clock time since, up to `end`.
    int64_t heard_frames(int64_t handed, int64_t end, int64_t now_ns);
    // The handed position jumped to `frame` at `now_ns`: readings from now
    // on are never below it; a lost sound runs on from there.
    void jumped(int64_t frame, int64_t now_ns);
    // True when a stream that has got going (a second of sound handed) has
    // handed no block for longer than `limit_ns`.
    bool stalled(int64_t now_ns, int64_t limit_ns) const;
    // The sound stopped at `now_ns`: from here on the wall clock runs on
    // from the last reading.
    void lose(int64_t now_ns);
};

// The steady clock's present time in nanoseconds.
int64_t steady_now_ns();
