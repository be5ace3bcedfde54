#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <mutex>

struct AudioDevice;
struct SampleBuffer;

// Every track plays at this rate, whatever its file's rate: no resampling.
inline constexpr int32_t PLAYBACK_SAMPLE_RATE = 44100;
inline constexpr int32_t PLAYBACK_CHANNELS = 2;
inline constexpr int32_t BLOCK_FRAMES = 256;

// One loaded sound file played through the sound server, with its play
// position. The library's stream thread runs audio_callback once per block;
// the drawing thread reads the position (atomic, no lock) and the
// analysis results (under the lock).
struct AudioTrack {
    SampleBuffer* sample_buffer = nullptr;  // owned
    // Play position in interleaved samples (frames x channel count).
    std::atomic<int64_t> position{0};
    AudioDevice* device = nullptr;  // owned; present from start until released
    int32_t buffer_frames = BLOCK_FRAMES;
    std::array<float, BLOCK_FRAMES * PLAYBACK_CHANNELS> mix_buffer{};  // two slots per frame
    std::atomic<int32_t> playing{0};  // 1 from start until the end of the track or stop
    std::mutex lock;  // guards position updates, mix_buffer and the analysis results

    static AudioTrack* create();
    // Stops and releases the device if there is one, then frees everything.
    static void destroy(AudioTrack* track);

    // Loads a file into a new sample buffer, replacing any earlier one (and
    // stopping its playback). Files with more than two channels play their
    // first two.
    int32_t open_file(const char* path);
    double length_seconds() const;
    double position_seconds() const;
    // Moves the play position to the frame at that time, within the track.
    void seek_seconds(double seconds);
    // Plays from the beginning; 0 without a loaded file or when the stream
    // cannot be opened or started.
    int32_t start();
    // Ends playback and releases the device.
    int32_t stop();

    // The stream's callback: fills one block of interleaved stereo float
    // frames from the samples, advances the position and runs the analysis.
    // Tests and the offline capture call it directly with buffers of their
    // own; frame_count may exceed the mix buffer. Returns 0 to go on, or 1
    // after the block in which the track ended (the library then stops the
    // stream by itself; the device is released by the next start, stop or
    // destroy).
    static int audio_callback(void* output, void* input, unsigned int frame_count,
                              double stream_time, unsigned int status, void* user_data);

private:
    // One slice of at most BLOCK_FRAMES frames through the mix buffer;
    // true when the end of the track was reached in it.
    bool play_slice(float* output, int32_t frames);
    void release_device();
};
