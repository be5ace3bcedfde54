#include "audio/audio_device.h"

#include <cstdio>
#include <cstdlib>

namespace {
// Runs a call into the audio library, which reports failures by throwing
// RtAudioError: prints the library's message and then, when given, the
// line `failure`. 1 when the call went through, 0 when it threw.
template <typename Call>
int32_t guarded(Call call, const char* failure = nullptr) {
    try {
        call();
    } catch (RtAudioError& error) {
        error.printMessage();
        if (failure != nullptr) std::fprintf(stderr, "%s\n", failure);
        return 0;
    }
    return 1;
}
}  // namespace

AudioDevice* AudioDevice::create(uint32_t input_channels, uint32_t output_channels,
                                 int32_t sample_rate, uint32_t buffer_frames, RtAudioFormat format,
                                 int32_t show_warnings) {
    RtAudio* rtaudio = nullptr;
    if (guarded([&] { rtaudio = new RtAudio(); }) != 1) std::exit(1);
    if (rtaudio->getDeviceCount() == 0) {
        std::fprintf(stderr, "no audio devices found!\n");
        std::exit(1);
    }
    rtaudio->showWarnings(show_warnings != 0);
    return new AudioDevice{rtaudio, input_channels, output_channels, buffer_frames, sample_rate,
                           format};
}

void AudioDevice::destroy(AudioDevice* device) {
    if (device == nullptr) return;
    delete device->rtaudio;
    delete device;
}

int32_t AudioDevice::open_stream(RtAudioCallback callback, void* user_data) {
    return guarded(
        [&] {
            RtAudio::StreamParameters input;
            input.deviceId = rtaudio->getDefaultInputDevice();
            input.nChannels = input_channels;
            input.firstChannel = 0;
            RtAudio::StreamParameters output;
            output.deviceId = rtaudio->getDefaultOutputDevice();
            output.nChannels = output_channels;
            output.firstChannel = 0;
            RtAudio::StreamOptions options;
            options.flags = 0;
            options.numberOfBuffers = 0;
            options.streamName = "";
            options.priority = 0;
            rtaudio->openStream(&output, &input, format, static_cast<unsigned int>(sample_rate),
                                &buffer_frames, callback, user_data, &options);
        },
        "could not open the audio stream");
}

int32_t AudioDevice::start_stream() {
    return guarded([&] { rtaudio->startStream(); }, "could not start the audio stream");
}

void AudioDevice::stop_stream() {
    // The stream may have stopped itself at the end of a track.
    guarded([&] {
        if (rtaudio->isStreamRunning()) rtaudio->stopStream();
    });
}

void AudioDevice::close_stream() {
    if (rtaudio->isStreamOpen()) rtaudio->closeStream();
}

int32_t AudioDevice::report_buffer_size() const {
    std::fprintf(stderr, "buffer size defined by RtAudio: %d\n", static_cast<int>(buffer_frames));
    return static_cast<int32_t>(buffer_frames);
}

void AudioDevice::report_latency() const {
    // Without an open stream the library says so instead.
    guarded([&] { std::fprintf(stderr, "stream latency: %ld frames\n", rtaudio->getStreamLatency()); });
}
