#include "audio/spectrum_analyser.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "audio/array_utils.h"
#include "audio/filter_bank.h"
#include "audio/oscillator_bank.h"

namespace {
constexpr float LOWEST_HZ = 20.0f;
constexpr float HIGHEST_HZ = 20000.0f;
constexpr float UNSCALED_TO_INPUT = 0.001f;  // scaling of the input without unscaled_input
constexpr float INPUT_TO_UNSCALED = 1000.0f;
constexpr double NEARLY_ZERO = 1e-15;
constexpr float CROSSING_NEARNESS_HZ = 1.0f;
constexpr int32_t FRAMES_PER_RUN = 256;  // frames taken in at a time, on the stack

float hz_to_mel(float hz) { return 2595.0f * std::log10(1.0f + hz / 700.0f); }
float mel_to_hz(float mel) { return 700.0f * (std::pow(10.0f, mel / 2595.0f) - 1.0f); }

// Position of bin i between the lowest (0) and highest (1) centre. A
// single bin has no span and sits at the lowest.
float span_fraction(int32_t i, int32_t count) {
    if (count < 2) return 0.0f;
    return static_cast<float>(i) / static_cast<float>(count - 1);
}

std::vector<float> standard_alphas(const std::vector<float>& centres, float sample_rate) {
    std::vector<float> alphas(centres.size());
    for (size_t i = 0; i < centres.size(); ++i) alphas[i] = bin_alpha(centres[i], sample_rate);
    return alphas;
}
}  // namespace

float bin_alpha(float centre_hz, float sample_rate) {
    const float scaled = centre_hz * (-1.0f / sample_rate);
    return static_cast<float>(1.0 - std::exp(scaled / std::log(static_cast<double>(centre_hz) + 1.0)));
}

SpectrumAnalyser* SpectrumAnalyser::create(int32_t sample_rate, int32_t bin_count, int32_t options) {
    auto* analyser = new SpectrumAnalyser{};
    const int32_t count = std::max(bin_count, 0);
    const auto bins = static_cast<size_t>(count);
    analyser->sample_rate = sample_rate;
    analyser->bin_count = count;
    analyser->mel_spacing = (options & ANALYSER_MEL_SPACING) != 0 ? 1 : 0;
    analyser->peak_output = (options & ANALYSER_PEAK_OUTPUT) != 0 ? 1 : 0;
    analyser->unscaled_input = (options & ANALYSER_UNSCALED_INPUT) != 0 ? 1 : 0;
    analyser->limited_tracking = (options & ANALYSER_LIMITED_TRACKING) != 0 ? 1 : 0;

    analyser->fill_centres();
    const float rate = static_cast<float>(sample_rate);
    const std::vector<float> alphas = standard_alphas(analyser->nominal_hz, rate);
    analyser->bank = FilterBank::create(rate, analyser->nominal_hz.data(), alphas.data(), count);
    if (analyser->limited_tracking != 0) analyser->limit_tracking();

    analyser->oscillators = OscillatorBank::create(rate, analyser->nominal_hz.data(), count);
    for (std::vector<float>* array :
         {&analyser->magnitudes, &analyser->tracked_hz, &analyser->filter_phases,
          &analyser->resynth_amplitudes, &analyser->resynth_hz, &analyser->resynth_phases,
          &analyser->scratch})
        array->assign(bins, 0.0f);
    return analyser;
}

void SpectrumAnalyser::destroy(SpectrumAnalyser* analyser) {
    if (analyser == nullptr) return;
    FilterBank::destroy(analyser->bank);
    OscillatorBank::destroy(analyser->oscillators);
    delete analyser;
}

// Single precision throughout, so the highest mel centre lands just
// below 20000 Hz.
void SpectrumAnalyser::fill_centres() {
    nominal_hz.resize(static_cast<size_t>(bin_count));
    const float low_mel = hz_to_mel(LOWEST_HZ);
    const float high_mel = hz_to_mel(HIGHEST_HZ);
    for (int32_t i = 0; i < bin_count; ++i) {
        const float fraction = span_fraction(i, bin_count);
        nominal_hz[i] = mel_spacing != 0 ? mel_to_hz(low_mel + fraction * (high_mel - low_mel))
                                         : LOWEST_HZ + fraction * (HIGHEST_HZ - LOWEST_HZ);
    }
}

// Each bin tracks between the midpoints to its neighbours; the lowest bin
// reaches down to half its centre, the highest up to its own centre.
void SpectrumAnalyser::limit_tracking() {
    for (int32_t j = 0; j < bin_count; ++j) {
        const float lower = j == 0 ? nominal_hz[j] * 0.5f : (nominal_hz[j - 1] + nominal_hz[j]) * 0.5f;
        const float upper =
            j == bin_count - 1 ? nominal_hz[j] : (nominal_hz[j] + nominal_hz[j + 1]) * 0.5f;
        bank->filters[j].limit_to(lower, upper);
    }
}

float SpectrumAnalyser::input_of(float x) const {
    if (!std::isfinite(x)) x = 0.0f;
    return unscaled_input != 0 ? x : x * UNSCALED_TO_INPUT;
}

void SpectrumAnalyser::process_sample(float x) { bank->process_sample(input_of(x)); }

void SpectrumAnalyser::process_frames(const float* frames, int32_t frame_count, int32_t channel_count) {
    if (channel_count < 1) return;
    std::array<float, FRAMES_PER_RUN> inputs;
    for (int32_t done = 0; done < frame_count;) {
        const int32_t run = std::min(frame_count - done, FRAMES_PER_RUN);
        for (int32_t i = 0; i < run; ++i)
            inputs[i] = input_of(frames[static_cast<size_t>(done + i) * channel_count]);
        bank->process_samples(inputs.data(), run);
        done += run;
    }
}

void SpectrumAnalyser::read_results(float* amplitudes, float* frequencies, float* phases, float* fourth) {
    for (int32_t i = 0; i < bin_count; ++i) {
        const TrackingFilter& filter = bank->filters[i];
        magnitudes[i] = std::sqrt(filter.power());
        tracked_hz[i] = filter.phasor.frequency_hz();
        filter_phases[i] = std::atan2(filter.stage2.im, filter.stage2.re);
    }
    if (unscaled_input == 0)
        for (float& magnitude : magnitudes) magnitude *= INPUT_TO_UNSCALED;
    std::copy(magnitudes.begin(), magnitudes.end(), scratch.begin());
    // A sinusoid of amplitude A settles at a filter magnitude of A / 2.
    for (int32_t i = 0; i < bin_count; ++i) {
        amplitudes[i] = 2.0f * magnitudes[i];
        frequencies[i] = tracked_hz[i];
        phases[i] = filter_phases[i];
    }
    if (peak_output != 0) {
        if (limited_tracking != 0 || unscaled_input == 0)
            read_peaks(amplitudes);
        else
            read_crossings(amplitudes);
    }
    std::copy(scratch.begin(), scratch.end(), fourth);
}

void SpectrumAnalyser::read_peaks(const float* amplitudes) {
    peaks_of(amplitudes, scratch.data(), bin_count);
}

// Free-running filters gather on the components they track: where two
// neighbours' tracked frequencies meet between their centres (and agree
// within 1 Hz), the nearer of the two bins marks the component.
void SpectrumAnalyser::read_crossings(const float* amplitudes) {
    std::fill(scratch.begin(), scratch.end(), 0.0f);
    for (int32_t i = 0; i + 1 < bin_count; ++i) {
        const float centre = nominal_hz[i];
        const float next_centre = nominal_hz[i + 1];
        const float tracked = tracked_hz[i];
        const float next_tracked = tracked_hz[i + 1];
        const float denominator = centre - next_centre - tracked + next_tracked;
        if (std::fabs(denominator) < NEARLY_ZERO) continue;
        const float t = (centre - tracked) / denominator;
        if (!(t >= 0.0f && t <= 1.0f) || !(std::fabs(tracked - next_tracked) < CROSSING_NEARNESS_HZ))
            continue;
        const int32_t nearer = t <= 0.5f ? i : i + 1;
        scratch[nearer] = amplitudes[nearer];
    }
}

void SpectrumAnalyser::set_resynthesis(const float* amplitudes, const float* frequencies,
                                       const float* phases) {
    if (amplitudes != nullptr) std::copy_n(amplitudes, bin_count, resynth_amplitudes.begin());
    if (frequencies != nullptr) std::copy_n(frequencies, bin_count, resynth_hz.begin());
    if (phases != nullptr) std::copy_n(phases, bin_count, resynth_phases.begin());
    for (int32_t i = 0; i < bin_count; ++i) {
        Voice& voice = oscillators->voices[i];
        voice.amplitude = resynth_amplitudes[i];
        voice.phasor.set_frequency_hz(resynth_hz[i]);
        voice.phasor.set_phase(resynth_phases[i]);
    }
}

float SpectrumAnalyser::resynthesize_sample() { return oscillators->next_sample(); }

void SpectrumAnalyser::scale_bandwidth1(float k) { scale_alphas(k, 1.0f, &TrackingFilter::set_alpha1); }
void SpectrumAnalyser::scale_bandwidth2(float k) { scale_alphas(k, 1.0f, &TrackingFilter::set_alpha2); }
void SpectrumAnalyser::scale_bandwidth3(float k) { scale_alphas(k, 0.5f, &TrackingFilter::set_alpha3); }

void SpectrumAnalyser::scale_alphas(float k, float share, void (TrackingFilter::*set_alpha)(float)) {
    const float rate = static_cast<float>(sample_rate);
    for (int32_t i = 0; i < bin_count; ++i)
        (bank->filters[i].*set_alpha)(bin_alpha(nominal_hz[i], rate) * share * k);
}

void SpectrumAnalyser::set_envelope_time(float seconds) {
    // exp(-1 / (fs t)) for t <= 0 would divide by zero or grow without bound.
    if (!(seconds > 0.0f)) {
        bank->new_weight = 1.0f;
        bank->old_weight = 0.0f;
        return;
    }
    bank->new_weight = static_cast<float>(1.0 - std::exp(-1.0 / (static_cast<double>(sample_rate) * seconds)));
    bank->old_weight = 1.0f - bank->new_weight;
}

void SpectrumAnalyser::set_peak_output(int32_t flag) { peak_output = flag == 0 ? 1 : 0; }
