#pragma once

#include <RtAudio.h>

#include <cstdint>

// One RtAudio instance and its one stream. The library picks its first API
// with devices (the PulseAudio backend on a desktop).
struct AudioDevice {
    RtAudio* rtaudio = nullptr;  // owned
    uint32_t input_channels = 1;
    uint32_t output_channels = 2;
    uint32_t buffer_frames = 256;  // asked for; after open_stream, what the library settled on
    int32_t sample_rate = 44100;
    RtAudioFormat format = RTAUDIO_FLOAT32;

    // Ends the program with status 1, after the library's message or
    // "no audio devices found!", when there is no usable API or device.
    static AudioDevice* create(uint32_t input_channels, uint32_t output_channels,
                               int32_t sample_rate, uint32_t buffer_frames, RtAudioFormat format,
                               int32_t show_warnings);
    // Deletes the library instance (closing a stream still open) and the record.
    static void destroy(AudioDevice* device);

    // Opens a duplex stream on the default devices. A library error is
    // printed with one more line saying what failed, and gives 0.
    int32_t open_stream(RtAudioCallback callback, void* user_data);
    int32_t start_stream();
    // Library errors are printed and otherwise ignored.
    void stop_stream();
    void close_stream();

    int32_t report_buffer_size() const;
    void report_latency() const;
};
