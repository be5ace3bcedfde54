#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <mutex>
#include <vector>

#include "audio/heard_clock.h"

struct AnalysisSnapshot;
struct AudioDevice;
struct SampleBuffer;
struct SpectrumAnalyser;

// Every track plays at this rate: a file at another rate is converted to it
// when the track opens it.
inline constexpr int32_t PLAYBACK_SAMPLE_RATE = 44100;
inline constexpr int32_t PLAYBACK_CHANNELS = 2;
inline constexpr int32_t BLOCK_FRAMES = 256;
// Bins of the track's analysis, mel-spaced over 20 Hz to 20 kHz.
inline constexpr int32_t ANALYSIS_BINS = 112;
inline constexpr int32_t PITCH_CLASSES = 12;
// A cut in the sound (a pause, a resume, a jump) fades the sound before it
// out and the one after it in over this many frames (3 ms), so it never
// clicks.
inline constexpr int32_t FADE_FRAMES = PLAYBACK_SAMPLE_RATE * 3 / 1000;

// One loaded sound file played through the sound server, with its play
// position and an analysis of what is heard. The library's stream thread
// runs audio_callback once per block, which also feeds every played frame's
// left sample to the analyser and, after each block, turns its results
// into levels; the drawing thread reads the position (atomic, no lock),
// the heard position (the clock) and the analysis results (under the lock).
struct AudioTrack {
    SampleBuffer* sample_buffer = nullptr;  // owned
    // Play position in interleaved samples (frames x channel count).
    std::atomic<int64_t> position{0};
    AudioDevice* device = nullptr;  // owned; present from start until released
    int32_t buffer_frames = BLOCK_FRAMES;
    std::array<float, BLOCK_FRAMES * PLAYBACK_CHANNELS> mix_buffer{};  // two slots per frame
    std::atomic<int32_t> playing{0};  // 1 from start until the end of the track or stop

    // Analysis. Time smoothing of levels and frequencies from one block to
    // the next: 0 (none) until set_smoothing_ms; read by the stream thread.
    std::atomic<float> smoothing{0.0f};
    SpectrumAnalyser* analyser = nullptr;  // owned
    int32_t bin_count = ANALYSIS_BINS;
    std::vector<float> bin_frequencies;  // centre of each bin, Hz, increasing
    std::vector<float> levels;           // per bin: smoothed level, 0 (-60 dB) to 1 (0 dB)
    std::vector<float> frequencies;      // per bin: smoothed tracked frequency, Hz
    std::vector<float> phases;           // per bin: phase of the filter output, radians
    std::vector<float> peaks;            // per bin: amplitude where the bin is a local peak, else 0
    std::vector<float> level_state;      // smoothing memory of levels
    std::vector<float> frequency_state;  // smoothing memory of frequencies
    // Summed levels per pitch class; index 0 is the class of pitch_base.
    std::array<float, PITCH_CLASSES> pitch_profile{};
    float pitch_base = 16.3516f;      // C0, Hz
    float semitone_scale = 17.31234f;  // 12 / ln 2: semitones per unit of natural logarithm

    std::mutex lock;  // guards position updates, mix_buffer, the fade and the analysis results

    // Set by set_paused, read by the stream thread at each block.
    std::atomic<bool> pause_flag{false};
    // The stream thread's fade, under the lock. The output (never what
    // the analysis hears) is the new sound rising from silence over
    // FADE_FRAMES while the sound before the cut, read on from
    // outgoing_at, falls to it.
    bool output_paused = false;      // the last slice was paused
    int64_t outgoing_at = -1;        // interleaved sample the falling sound reads next; -1 none
    int32_t fade_done = FADE_FRAMES;  // frames of the fade played; FADE_FRAMES when none runs

    // What of the handed frames has been heard; see heard_seconds.
    HeardClock clock;
    // Times the stream ran dry (output underflow): blocks the library
    // flagged, or that the clock saw come after the stream's buffer had
    // played out. Counted on the stream thread.
    std::atomic<uint32_t> underruns{0};

    static AudioTrack* create();
    // Stops and releases the device if there is one, then frees everything.
    static void destroy(AudioTrack* track);

    // Loads a file into a new sample buffer, replacing any earlier one (and
    // stopping its playback), and converts it to PLAYBACK_SAMPLE_RATE; the
    // loader's report gives the file's own counts and rate. Files with more
    // than two channels play their first two.
    int32_t open_file(const char* path);
    double length_seconds() const;
    // The position handed to the stream, in seconds.
    double position_seconds() const;
    // What position_seconds reads with the position at that whole frame.
    double seconds_at_frame(int64_t frame) const;
    // The position heard, in seconds, for the drawing thread: the position
    // handed to the stream less the latency still ahead of it in the
    // stream, never below 0 and never going back (unless the position is
    // moved back); once the track has ended and the stream played out, the
    // whole length. When the stream reports an error or takes no block for
    // two seconds, says "sound stopped: <why> — the show goes on without
    // it" on standard error once, and from then on runs on the wall clock
    // from where the sound stopped, up to the length. Without a stream it
    // is the handed position.
    double heard_seconds();
    // Whole frames played so far (the play position over the channel
    // count); 0 without a loaded file.
    int64_t frames_played() const;
    // True once no whole frame is left to play, and without a loaded file.
    bool at_end() const;
    // Moves the play position to the frame at that time, within the track,
    // between two blocks of the stream; not a number leaves it where it is.
    // A plain cut, without a fade: jump_to is the one the show moves with.
    void seek_seconds(double seconds);
    // Moves the play position to the whole frame (within the track) and,
    // when analysis is given, puts its state into the analysis (see
    // analysis_snapshot_restore), both together between two blocks: the
    // next block plays and analyses from the frame on, as a straight run
    // would have from the snapshot. The output crosses over from the old
    // sound to the new in FADE_FRAMES; the analysis hears the new sound
    // unfaded. The heard position reads the frame at once and never less
    // until the new sound is heard. Called by the thread that reads
    // heard_seconds; nothing without a loaded file. Allocates nothing.
    void jump_to(int64_t frame, const AnalysisSnapshot* analysis);
    // While paused, blocks are silent (the sound fades out within the first
    // of them), the position and the heard position hold, and the analysis
    // hears nothing, so a resume continues exactly. The stream stays open
    // and running.
    void set_paused(bool paused);
    bool paused() const;
    // Plays from the beginning; 0 without a loaded file or when the stream
    // cannot be opened or started.
    int32_t start();
    // Ends playback and releases the device. A device whose sound was
    // lost is left behind unclosed: its stream thread may be stuck inside
    // the library, and closing would wait for it for ever.
    int32_t stop();

    // Readers for the drawing thread. Smoothing of the levels and
    // frequencies from block to block: each block keeps exp(-2 pi / n) of
    // the value before, n being the number of blocks in that many
    // milliseconds (0 or less: no smoothing). Taken up from the next block.
    void set_smoothing_ms(float milliseconds);
    // Level of the first bin whose centre is at or above the frequency;
    // 0 above the highest centre.
    float level_at(float frequency_hz);
    // Mean level of the bins centred between low and high inclusive; 0 if none.
    float band_level(float low_hz, float high_hz);
    void copy_pitch_profile(float* destination);

    // The stream's callback: fills one block of interleaved stereo float
    // frames from the samples, advances the position and runs the analysis.
    // Tests and the offline capture call it directly with buffers of their
    // own; frame_count may exceed the mix buffer. Returns 0 to go on, or 1
    // after the block in which the track ended, or with a silent block once
    // the sound has been given up for lost (the library then stops the
    // stream by itself; the device is released by the next start, stop or
    // destroy). A status with RTAUDIO_OUTPUT_UNDERFLOW, or a block the
    // clock finds late, counts an underrun.
    static int audio_callback(void* output, void* input, unsigned int frame_count,
                              double stream_time, unsigned int status, void* user_data);

private:
    // One slice of at most BLOCK_FRAMES frames through the mix buffer, or
    // silence while paused; true when the end of the track was reached in it.
    bool play_slice(float* output, int32_t frames, bool paused_now);
    // Copies whole frames from the interleaved sample `at` into stereo
    // slots, up to `frames` or the end of the samples; returns where it
    // stopped and sets ended when no whole frame is left.
    int64_t read_frames(int64_t at, float* stereo, int32_t frames, bool& ended) const;
    // A cut: from the next frame on, the sound from `outgoing` (-1: none)
    // falls and what is played rises. A fade already running carries on.
    void start_fade(int64_t outgoing);
    // The running fade over the first frames of the slice in output.
    void apply_fade(float* output, int32_t frames);
    // No fade running, and the output paused as the flag says.
    void settle_output();
    // Turns the analyser's results into levels, smoothed frequencies and
    // the pitch profile; runs after every slice, under the lock.
    void analyse_block();
    void release_device();
    // Gives the sound up for lost when the stream has failed or stalled.
    void notice_lost_sound(int64_t now_ns);
};
