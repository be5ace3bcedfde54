// The threads a stream's sound passes through, against a real PulseAudio
// server: the private one scripts/test starts.
#include <gtest/gtest.h>
#include <pthread.h>
#include <sched.h>

#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>
#include <thread>

#include "audio/audio_device.h"

namespace {
using testing::internal::CaptureStderr;
using testing::internal::GetCapturedStderr;

constexpr int STREAM_THREAD_POLICY = SCHED_FIFO;
constexpr int STREAM_THREAD_PRIORITY = 3;

std::set<pid_t> threads_of_this_process() {
    std::set<pid_t> threads;
    for (const auto& task : std::filesystem::directory_iterator("/proc/self/task"))
        threads.insert(static_cast<pid_t>(std::strtol(task.path().filename().c_str(), nullptr, 10)));
    return threads;
}

struct Scheduling {
    int policy;
    int priority;
    bool operator==(const Scheduling&) const = default;
};

Scheduling scheduling_of(pid_t thread) {
    sched_param parameters{};
    sched_getparam(thread, &parameters);
    return {sched_getscheduler(thread), parameters.sched_priority};
}

Scheduling scheduling_of_this_thread() {
    int policy = 0;
    sched_param parameters{};
    pthread_getschedparam(pthread_self(), &policy, &parameters);
    return {policy, parameters.sched_priority};
}

int silence(void* output, void*, unsigned int frames, double, RtAudioStreamStatus, void*) {
    std::fill_n(static_cast<float*>(output), static_cast<size_t>(frames) * 2, 0.0f);
    return 0;
}

struct OpenerCase {
    const char* name;
    Scheduling opener;  // the scheduling of the thread that opens the stream
};

class StreamThreads : public testing::TestWithParam<OpenerCase> {};
}  // namespace

TEST_P(StreamThreads, RunRealtimeAndTheOpenerIsPutBack) {
    const Scheduling opener = GetParam().opener;
    // On a thread of its own, so that the test's main thread keeps its scheduling.
    std::thread([&] {
        const sched_param realtime{STREAM_THREAD_PRIORITY};
        if (pthread_setschedparam(pthread_self(), STREAM_THREAD_POLICY, &realtime) != 0)
            GTEST_SKIP() << "this process may not run threads realtime";
        const sched_param wanted{opener.priority};
        ASSERT_EQ(pthread_setschedparam(pthread_self(), opener.policy, &wanted), 0);

        const std::set<pid_t> before_open = threads_of_this_process();
        CaptureStderr();
        AudioDevice* device = AudioDevice::create(1, 2, 44100, 256, RTAUDIO_FLOAT32, 0);
        const int32_t opened = device->open_stream(&silence, nullptr);
        const std::string said = GetCapturedStderr();
        ASSERT_EQ(opened, 1) << said;

        EXPECT_EQ(scheduling_of_this_thread(), opener);
        int started = 0;
        for (const pid_t thread : threads_of_this_process()) {
            if (before_open.count(thread) != 0) continue;
            ++started;
            EXPECT_EQ(scheduling_of(thread), (Scheduling{STREAM_THREAD_POLICY, STREAM_THREAD_PRIORITY}))
                << "thread " << thread;
        }
        // The stream thread and the client library's threads.
        EXPECT_GE(started, 2);
        device->close_stream();
        AudioDevice::destroy(device);
    }).join();
}

INSTANTIATE_TEST_SUITE_P(
    Openers, StreamThreads,
    testing::Values(OpenerCase{"Ordinary", {SCHED_OTHER, 0}}, OpenerCase{"Batch", {SCHED_BATCH, 0}},
                    OpenerCase{"RealtimeBelow", {SCHED_FIFO, 1}}, OpenerCase{"RealtimeAbove", {SCHED_RR, 7}}),
    [](const testing::TestParamInfo<OpenerCase>& info) { return std::string(info.param.name); });
