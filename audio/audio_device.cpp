#include "audio/audio_device.h"

#include <pthread.h>
#include <sched.h>

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>

namespace {
constexpr const char* PULSE_LATENCY_VARIABLE = "PULSE_LATENCY_MSEC";

// The device whose open stream the library's error callback reports on.
// The callback is handed nothing but the message, so it finds the device
// here; one stream is open at a time.
std::atomic<AudioDevice*> reporting_device{nullptr};

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

// The library's error callback: keeps the message with the device whose
// stream it concerns; with no such device it can only print it.
void note_stream_error(RtAudioError::Type, const std::string& text) {
    AudioDevice* device = reporting_device.load();
    if (device == nullptr) {
        std::fprintf(stderr, "%s\n", text.c_str());
        return;
    }
    if (device->failure_claimed.exchange(1) != 0) return;  // the first failure is the one told
    std::snprintf(device->failure.data(), device->failure.size(), "%s", text.c_str());
    device->failed.store(1, std::memory_order_release);
}

// Every thread between the callback and the sound server has a block to
// pass on every 6 ms however busy the machine is: the library's stream
// thread, and the threads PulseAudio's client library starts to carry the
// blocks over its socket and wake the writer. With the client library's
// threads at ordinary priority, two busy cores starved them into dozens of
// underruns a minute. All of them start while the stream opens, on the
// opening thread, and inherit its scheduling; so that thread runs ahead of
// ordinary threads just while it opens the stream, below the sound
// server's own realtime threads (PulseAudio's run at 5), and is put back as
// it was afterwards. Without the right to (not root, no realtime limit) the
// request is refused and the threads start as ordinary ones. The library's
// own option for this covers its stream thread only, and prints a line on
// every start.
constexpr int STREAM_THREAD_PRIORITY = 3;

class StreamThreadsAhead {
public:
    StreamThreadsAhead() {
        if (pthread_getschedparam(pthread_self(), &policy_, &parameters_) != 0) return;
        sched_param ahead{};
        ahead.sched_priority = STREAM_THREAD_PRIORITY;
        raised_ = pthread_setschedparam(pthread_self(), SCHED_FIFO, &ahead) == 0;
    }
    ~StreamThreadsAhead() {
        if (raised_) pthread_setschedparam(pthread_self(), policy_, &parameters_);
    }
    StreamThreadsAhead(const StreamThreadsAhead&) = delete;
    StreamThreadsAhead& operator=(const StreamThreadsAhead&) = delete;

private:
    int policy_ = SCHED_OTHER;
    sched_param parameters_{};
    bool raised_ = false;
};

// RtAudio's PulseAudio backend passes none of its latency options on to the
// server, but PulseAudio's client library sizes every stream it connects
// from PULSE_LATENCY_MSEC. So the variable is set while the stream opens,
// unless the user has set it to a number of milliseconds: then their value
// holds, and it is what was asked for. A value the client library cannot
// read it ignores, so ours stands in for it while the stream opens.
// Afterwards the environment is as it was.
class LatencyRequest {
public:
    explicit LatencyRequest(int32_t milliseconds) : milliseconds_(milliseconds) {
        if (const char* users = std::getenv(PULSE_LATENCY_VARIABLE)) {
            users_value_ = users;
            char* end = nullptr;
            const long asked = std::strtol(users, &end, 10);
            if (end != users && *end == '\0' && asked > 0 && asked <= MAX_MILLISECONDS) {
                milliseconds_ = static_cast<int32_t>(asked);
                return;
            }
        }
        set_here_ = setenv(PULSE_LATENCY_VARIABLE, std::to_string(milliseconds).c_str(), 1) == 0;
    }
    ~LatencyRequest() {
        if (!set_here_) return;
        if (users_value_.has_value())
            setenv(PULSE_LATENCY_VARIABLE, users_value_->c_str(), 1);
        else
            unsetenv(PULSE_LATENCY_VARIABLE);
    }
    LatencyRequest(const LatencyRequest&) = delete;
    LatencyRequest& operator=(const LatencyRequest&) = delete;

    int32_t milliseconds() const { return milliseconds_; }

private:
    static constexpr long MAX_MILLISECONDS = 100000;
    int32_t milliseconds_;
    std::optional<std::string> users_value_;
    bool set_here_ = false;
};
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
    AudioDevice* self = device;
    reporting_device.compare_exchange_strong(self, nullptr);
    delete device->rtaudio;
    delete device;
}

int32_t AudioDevice::open_stream(RtAudioCallback callback, void* user_data) {
    const LatencyRequest latency(ASKED_OUTPUT_LATENCY_MS);
    const StreamThreadsAhead ahead;
    output_latency_ms = latency.milliseconds();
    const int32_t opened = guarded(
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
                                &buffer_frames, callback, user_data, &options, &note_stream_error);
        },
        "could not open the audio stream");
    if (opened == 1) reporting_device = this;
    return opened;
}

int32_t AudioDevice::start_stream() {
    return guarded([&] { rtaudio->startStream(); }, "could not start the audio stream");
}

void AudioDevice::stop_stream() {
    // The stream may have stopped itself at the end of a track. Errors of
    // the open stream come to the error callback rather than as exceptions.
    const bool failed_before = failed.load() != 0;
    guarded([&] {
        if (rtaudio->isStreamRunning()) rtaudio->stopStream();
    });
    if (!failed_before && failed.load() != 0) std::fprintf(stderr, "%s\n", failure.data());
}

void AudioDevice::close_stream() {
    if (rtaudio->isStreamOpen()) rtaudio->closeStream();
    AudioDevice* self = this;
    reporting_device.compare_exchange_strong(self, nullptr);
}

const char* AudioDevice::failure_reason() const {
    return failed.load(std::memory_order_acquire) != 0 ? failure.data() : nullptr;
}

int64_t AudioDevice::output_latency_frames() const {
    long reported = 0;
    if (rtaudio->isStreamOpen()) guarded([&] { reported = rtaudio->getStreamLatency(); });
    if (reported > 0) return reported;
    return static_cast<int64_t>(output_latency_ms) * sample_rate / 1000;
}

int32_t AudioDevice::report_buffer_size() const {
    std::fprintf(stderr, "buffer size defined by RtAudio: %d\n", static_cast<int>(buffer_frames));
    return static_cast<int32_t>(buffer_frames);
}

void AudioDevice::report_latency() const {
    // Without an open stream the library says so instead.
    guarded([&] { std::fprintf(stderr, "stream latency: %ld frames\n", rtaudio->getStreamLatency()); });
}
