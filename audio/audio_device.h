#pragma once

#include <RtAudio.h>

#include <array>
#include <atomic>
#include <cstdint>

// The output latency a stream asks for: short enough that what is drawn
// and what is heard stay together, long enough to ride out a busy machine
// as well as it can (on a two-core machine with far more work than cores,
// PulseAudio ran dry less often at 40 ms than at 30, if not never).
inline constexpr int32_t ASKED_OUTPUT_LATENCY_MS = 40;

// One RtAudio instance and its one stream. The library picks its first API
// with devices (the PulseAudio backend on a desktop).
struct AudioDevice {
    RtAudio* rtaudio = nullptr;  // owned
    uint32_t input_channels = 1;
    uint32_t output_channels = 2;
    uint32_t buffer_frames = 256;  // asked for; after open_stream, what the library settled on
    int32_t sample_rate = 44100;
    RtAudioFormat format = RTAUDIO_FLOAT32;
    // The output latency asked for when the stream opened, milliseconds.
    int32_t output_latency_ms = ASKED_OUTPUT_LATENCY_MS;
    // Set once the open stream has reported an error (from any thread),
    // after its message has been stored in `failure`.
    std::atomic<int32_t> failed{0};
    std::atomic<int32_t> failure_claimed{0};
    std::array<char, 256> failure{};

    // Ends the program with status 1, after the library's message or
    // "no audio devices found!", when there is no usable API or device.
    static AudioDevice* create(uint32_t input_channels, uint32_t output_channels,
                               int32_t sample_rate, uint32_t buffer_frames, RtAudioFormat format,
                               int32_t show_warnings);
    // Deletes the library instance (closing a stream still open) and the record.
    static void destroy(AudioDevice* device);

    // Opens a duplex stream on the default devices, asking for an output
    // latency of ASKED_OUTPUT_LATENCY_MS, or of what the user asked for
    // through PULSE_LATENCY_MSEC. The threads the library starts for the
    // stream run realtime (SCHED_FIFO 3) where the process may ask for it,
    // as ordinary threads where not; the calling thread's own scheduling
    // is as it was afterwards. A library error is printed with one more
    // line saying what failed, and gives 0. Errors the open stream reports
    // later are kept in `failure` rather than printed.
    int32_t open_stream(RtAudioCallback callback, void* user_data);
    int32_t start_stream();
    // Library errors are printed and otherwise ignored.
    void stop_stream();
    void close_stream();

    // What the open stream has reported going wrong, or null while all is well.
    const char* failure_reason() const;
    // Frames a frame handed to the open stream waits before it is heard:
    // the latency the library reports, or the latency asked for when it
    // reports none (its PulseAudio backend never does).
    int64_t output_latency_frames() const;

    int32_t report_buffer_size() const;
    void report_latency() const;
};
