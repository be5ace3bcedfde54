#include "audio/audio_track.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>

#include "audio/analysis_snapshot.h"
#include "audio/array_utils.h"
#include "audio/audio_device.h"
#include "audio/pitch_profile.h"
#include "audio/resample.h"
#include "audio/sample_buffer.h"
#include "audio/spectrum_analyser.h"

namespace {
constexpr int32_t INPUT_CHANNELS = 1;  // opened with the stream, never read
constexpr int RETURN_CONTINUE = 0;
constexpr int RETURN_STOP_AFTER_BLOCK = 1;
constexpr float LEVEL_FLOOR_DB = -60.0f;  // levels span -60 dB (0) to 0 dB (1)
// A stream that has taken no block for this long has stopped: blocks come
// every 6 ms, and even a machine too busy to keep up hands them over within
// a few hundred.
constexpr int64_t SOUND_STALL_LIMIT_NS = 2'000'000'000;
}  // namespace

AudioTrack* AudioTrack::create() {
    auto* track = new AudioTrack{};
    track->analyser = SpectrumAnalyser::create(PLAYBACK_SAMPLE_RATE, ANALYSIS_BINS, ANALYSER_ALL_OPTIONS);
    track->bin_frequencies = track->analyser->nominal_hz;
    for (std::vector<float>* array : {&track->levels, &track->frequencies, &track->phases,
                                      &track->peaks, &track->level_state, &track->frequency_state})
        array->assign(ANALYSIS_BINS, 0.0f);
    return track;
}

void AudioTrack::destroy(AudioTrack* track) {
    if (track == nullptr) return;
    track->release_device();
    SampleBuffer::destroy(track->sample_buffer);
    SpectrumAnalyser::destroy(track->analyser);
    delete track;
}

int32_t AudioTrack::open_file(const char* path) {
    release_device();  // the stream thread must not read a buffer being replaced
    clock.start(0);     // no stream: what is handed is heard
    settle_output();    // a fade would read on in the buffer being replaced
    SampleBuffer::destroy(sample_buffer);
    sample_buffer = SampleBuffer::create();
    // The stream, the analysis and the show's clock all run at the playback
    // rate, so a file at another rate is converted once, here.
    if (sample_buffer->load(path) != 1 || resample_buffer(*sample_buffer, PLAYBACK_SAMPLE_RATE, path) != 1) {
        std::fprintf(stderr, "failed to open audio file: %s\n", path);
        SampleBuffer::destroy(sample_buffer);
        sample_buffer = nullptr;
        return 0;
    }
    return 1;
}

double AudioTrack::length_seconds() const {
    if (sample_buffer == nullptr || sample_buffer->channel_count <= 0) return 0.0;
    return static_cast<double>(sample_buffer->sample_count) / sample_buffer->channel_count /
           PLAYBACK_SAMPLE_RATE;
}

double AudioTrack::position_seconds() const {
    if (sample_buffer == nullptr || sample_buffer->sample_count <= 0) return 0.0;
    return static_cast<double>(position.load()) / sample_buffer->sample_count * length_seconds();
}

double AudioTrack::seconds_at_frame(int64_t frame) const {
    if (sample_buffer == nullptr || sample_buffer->sample_count <= 0) return 0.0;
    return static_cast<double>(frame * sample_buffer->channel_count) / sample_buffer->sample_count *
           length_seconds();
}

double AudioTrack::heard_seconds() {
    if (sample_buffer == nullptr || sample_buffer->sample_count <= 0 || sample_buffer->channel_count <= 0)
        return 0.0;
    const int64_t now = steady_now_ns();
    notice_lost_sound(now);
    const int64_t channels = sample_buffer->channel_count;
    const int64_t heard = clock.heard_frames(position.load() / channels, sample_buffer->sample_count / channels, now);
    // As position_seconds does, so that the whole track heard is exactly its length.
    return static_cast<double>(heard * channels) / sample_buffer->sample_count * length_seconds();
}

void AudioTrack::notice_lost_sound(int64_t now_ns) {
    if (clock.lost != 0 || device == nullptr) return;
    // A failed stream has stopped playing by itself (see audio_callback);
    // one that stopped at the end of the track has not stalled.
    const char* failure = device->failure_reason();
    if (failure == nullptr && (playing == 0 || !clock.stalled(now_ns, SOUND_STALL_LIMIT_NS))) return;
    std::fprintf(stderr, "sound stopped: %s — the show goes on without it\n",
                 failure != nullptr ? failure : "the stream took no sound for two seconds");
    clock.lose(now_ns);
}

int64_t AudioTrack::frames_played() const {
    if (sample_buffer == nullptr || sample_buffer->channel_count <= 0) return 0;
    return position.load() / sample_buffer->channel_count;
}

bool AudioTrack::at_end() const {
    return sample_buffer == nullptr || position.load() + sample_buffer->channel_count > sample_buffer->sample_count;
}

void AudioTrack::seek_seconds(double seconds) {
    if (sample_buffer == nullptr || std::isnan(seconds)) return;
    // Whole frames only, so that the channels stay in their slots.
    const int64_t frame = static_cast<int64_t>(
        std::clamp(seconds * PLAYBACK_SAMPLE_RATE, 0.0, static_cast<double>(sample_buffer->frame_count)));
    // A block reads the position when it starts and writes it when it
    // ends; a seek waits for the block, or the block would undo it.
    std::lock_guard<std::mutex> guard(lock);
    position = frame * sample_buffer->channel_count;
}

void AudioTrack::jump_to(int64_t frame, const AnalysisSnapshot* analysis) {
    if (sample_buffer == nullptr) return;
    const int64_t target = std::clamp<int64_t>(frame, 0, sample_buffer->frame_count);
    {
        std::lock_guard<std::mutex> guard(lock);
        // Paused, the output is silent already: the resume fades in.
        if (!output_paused) start_fade(position.load());
        position = target * sample_buffer->channel_count;
        if (analysis != nullptr) analysis_snapshot_restore_locked(*this, *analysis);
    }
    clock.jumped(target, steady_now_ns());
}

void AudioTrack::set_paused(bool paused) { pause_flag.store(paused, std::memory_order_release); }

bool AudioTrack::paused() const { return pause_flag.load(std::memory_order_acquire); }

int32_t AudioTrack::start() {
    if (sample_buffer == nullptr) return 0;
    release_device();  // a stream that stopped itself at the end of the track
    {
        // The filters keep their state from the run before; the levels
        // and frequencies start smoothing afresh.
        std::lock_guard<std::mutex> guard(lock);
        std::fill(level_state.begin(), level_state.end(), 0.0f);
        std::fill(frequency_state.begin(), frequency_state.end(), 0.0f);
        settle_output();
    }
    position = 0;
    device = AudioDevice::create(INPUT_CHANNELS, PLAYBACK_CHANNELS, PLAYBACK_SAMPLE_RATE,
                                 BLOCK_FRAMES, RTAUDIO_FLOAT32, 1);
    playing = 1;
    if (device->open_stream(&AudioTrack::audio_callback, this) != 1) {
        release_device();
        return 0;
    }
    clock.start(device->output_latency_frames());
    if (device->start_stream() != 1) {
        release_device();
        return 0;
    }
    return 1;
}

int32_t AudioTrack::stop() {
    release_device();
    return 1;
}

void AudioTrack::release_device() {
    if (device != nullptr && clock.lost != 0) {
        device = nullptr;  // left behind: see stop
    } else if (device != nullptr) {
        device->stop_stream();
        device->close_stream();
        AudioDevice::destroy(device);
        device = nullptr;
    }
    playing = 0;
}

bool AudioTrack::play_slice(float* output, int32_t frames, bool paused_now) {
    const size_t slots = static_cast<size_t>(frames) * PLAYBACK_CHANNELS;
    if (paused_now != output_paused) {
        // A pause fades out what would have played next; a resume fades in.
        start_fade(paused_now ? position.load() : -1);
        output_paused = paused_now;
    }
    bool ended = false;
    if (paused_now) {
        std::fill_n(output, slots, 0.0f);  // the position holds, the analysis hears nothing
    } else {
        std::fill_n(mix_buffer.begin(), slots, 0.0f);
        position = read_frames(position.load(), mix_buffer.data(), frames, ended);
        std::copy_n(mix_buffer.begin(), slots, output);
        analyser->process_frames(mix_buffer.data(), frames, PLAYBACK_CHANNELS);  // the left samples
        analyse_block();
    }
    apply_fade(output, frames);
    return ended;
}

int64_t AudioTrack::read_frames(int64_t at, float* stereo, int32_t frames, bool& ended) const {
    if (sample_buffer == nullptr) return at;
    const int32_t channels = sample_buffer->channel_count;
    const int32_t slots = std::min(channels, PLAYBACK_CHANNELS);
    const float* samples = sample_buffer->samples.data();
    for (int32_t frame = 0; frame < frames; ++frame) {
        if (at + channels > sample_buffer->sample_count) {
            ended = true;  // no whole frame left
            break;
        }
        std::copy_n(samples + at, slots, stereo + static_cast<size_t>(frame) * PLAYBACK_CHANNELS);
        at += channels;
        if (at >= sample_buffer->sample_count) {
            ended = true;
            break;
        }
    }
    return at;
}

// A second cut inside a running fade changes only what rises: starting
// again would bring back the falling sound at full strength, a click.
void AudioTrack::start_fade(int64_t outgoing) {
    if (fade_done < FADE_FRAMES) return;
    outgoing_at = outgoing;
    fade_done = 0;
}

void AudioTrack::apply_fade(float* output, int32_t frames) {
    const int32_t count = std::min(frames, FADE_FRAMES - fade_done);
    if (count <= 0) return;
    std::array<float, FADE_FRAMES * PLAYBACK_CHANNELS> falling{};  // silence past the end or without one
    bool ended = false;
    if (outgoing_at >= 0) outgoing_at = read_frames(outgoing_at, falling.data(), count, ended);
    for (int32_t frame = 0; frame < count; ++frame) {
        const float rise = static_cast<float>(fade_done + frame) / FADE_FRAMES;
        for (int32_t slot = frame * PLAYBACK_CHANNELS; slot < (frame + 1) * PLAYBACK_CHANNELS; ++slot)
            output[slot] = output[slot] * rise + falling[slot] * (1.0f - rise);
    }
    fade_done += count;
    if (fade_done == FADE_FRAMES) outgoing_at = -1;
}

void AudioTrack::settle_output() {
    output_paused = paused();
    outgoing_at = -1;
    fade_done = FADE_FRAMES;
}

// Everything here works in the arrays made at creation: nothing is
// allocated on the stream thread.
void AudioTrack::analyse_block() {
    analyser->read_results(levels.data(), frequencies.data(), phases.data(), peaks.data());
    to_decibels(levels.data(), bin_count);
    decibels_to_unit(levels.data(), bin_count, LEVEL_FLOOR_DB);
    const float k = smoothing.load(std::memory_order_relaxed);
    smooth_into(levels.data(), level_state.data(), bin_count, k);
    smooth_into(frequencies.data(), frequency_state.data(), bin_count, k);
    fold_pitch_profile(frequencies.data(), levels.data(), bin_count, pitch_base, semitone_scale,
                       pitch_profile.data());
}

void AudioTrack::set_smoothing_ms(float milliseconds) {
    // exp(-2 pi / blocks per time constant); no time at all means no smoothing.
    double coefficient = 0.0;
    if (milliseconds > 0.0f) {
        const double blocks = milliseconds * 0.001 * PLAYBACK_SAMPLE_RATE / buffer_frames;
        coefficient = std::exp(-2.0 * std::numbers::pi / blocks);
    }
    smoothing.store(static_cast<float>(coefficient), std::memory_order_relaxed);
}

float AudioTrack::level_at(float frequency_hz) {
    std::lock_guard<std::mutex> guard(lock);
    for (int32_t i = 0; i < bin_count; ++i)
        if (bin_frequencies[i] >= frequency_hz) return levels[i];
    return 0.0f;
}

float AudioTrack::band_level(float low_hz, float high_hz) {
    std::lock_guard<std::mutex> guard(lock);
    double total = 0.0;
    int32_t bins = 0;
    for (int32_t i = 0; i < bin_count; ++i) {
        if (bin_frequencies[i] >= low_hz && bin_frequencies[i] <= high_hz) {
            total += levels[i];
            ++bins;
        }
    }
    return bins == 0 ? 0.0f : static_cast<float>(total / bins);
}

void AudioTrack::copy_pitch_profile(float* destination) {
    std::lock_guard<std::mutex> guard(lock);
    std::copy(pitch_profile.begin(), pitch_profile.end(), destination);
}

int AudioTrack::audio_callback(void* output, void*, unsigned int frame_count, double, unsigned int status,
                               void* user_data) {
    auto* track = static_cast<AudioTrack*>(user_data);
    auto* out = static_cast<float*>(output);
    // A stream whose server is gone fails every write at once and calls
    // again straight away: it must not run through the track meanwhile.
    if (track->clock.lost != 0 || (track->device != nullptr && track->device->failure_reason() != nullptr)) {
        std::fill_n(out, static_cast<size_t>(frame_count) * PLAYBACK_CHANNELS, 0.0f);
        track->playing = 0;
        return RETURN_STOP_AFTER_BLOCK;
    }
    // Noted before the position moves, so that a reader never pairs the
    // new position with the time of the block before. A backend that sees
    // the output run dry says so in the status; the PulseAudio one never
    // does, so the clock's own estimate counts too (once for one block).
    // The pause is read once, so that the clock and every slice agree on it.
    const bool paused_now = track->paused();
    const bool ran_dry = track->clock.block_handed(frame_count, steady_now_ns(), !paused_now);
    if (ran_dry || (status & RTAUDIO_OUTPUT_UNDERFLOW) != 0) track->underruns.fetch_add(1, std::memory_order_relaxed);
    bool ended = false;
    {
        std::lock_guard<std::mutex> guard(track->lock);
        // A library that settled on blocks longer than the mix buffer gets
        // them filled a mix buffer at a time.
        for (unsigned int done = 0; done < frame_count;) {
            const int32_t frames = static_cast<int32_t>(std::min<unsigned int>(frame_count - done, BLOCK_FRAMES));
            ended = track->play_slice(out + static_cast<size_t>(done) * PLAYBACK_CHANNELS, frames, paused_now) ||
                    ended;
            done += static_cast<unsigned int>(frames);
        }
    }
    if (!ended) return RETURN_CONTINUE;
    track->playing = 0;
    return RETURN_STOP_AFTER_BLOCK;
}
