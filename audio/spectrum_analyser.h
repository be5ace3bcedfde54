#pragma once

#include <cstdint>
#include <vector>

struct FilterBank;
struct OscillatorBank;
struct TrackingFilter;

// Option bits of SpectrumAnalyser::create.
inline constexpr int32_t ANALYSER_MEL_SPACING = 1;       // centres even on the mel scale, else linear
inline constexpr int32_t ANALYSER_PEAK_OUTPUT = 2;       // fourth result marks peaks
inline constexpr int32_t ANALYSER_UNSCALED_INPUT = 4;    // input as is, else x 0.001
inline constexpr int32_t ANALYSER_LIMITED_TRACKING = 8;  // each bin tracks inside its own range
inline constexpr int32_t ANALYSER_ALL_OPTIONS = 15;

// The smoothing constant of a bin centred on f: 1 - exp(-f / (fs ln(f + 1))),
// so that higher bins are wider and settle faster.
float bin_alpha(float centre_hz, float sample_rate);

// A bank of frequency-tracking filters over 20 Hz to 20 kHz, with the
// buffers to read it out and a resynthesis bank. Each bin reports the
// amplitude, frequency and phase of the strongest component near its
// centre. The fields are the plain reads.
struct SpectrumAnalyser {
    int32_t sample_rate = 44100;
    int32_t bin_count = 0;
    std::vector<float> nominal_hz;  // centres, increasing
    FilterBank* bank = nullptr;     // owned
    std::vector<float> magnitudes;
    std::vector<float> tracked_hz;
    std::vector<float> filter_phases;
    OscillatorBank* oscillators = nullptr;  // owned
    std::vector<float> resynth_amplitudes;
    std::vector<float> resynth_hz;
    std::vector<float> resynth_phases;
    std::vector<float> scratch;  // staging for the fourth result
    int32_t mel_spacing = 0;
    int32_t peak_output = 0;
    int32_t unscaled_input = 0;
    int32_t limited_tracking = 0;

    // bin_count bins at a positive sample rate (a count below 1 gives an
    // empty analyser; a single bin sits at 20 Hz); options are the
    // ANALYSER_ bits.
    static SpectrumAnalyser* create(int32_t sample_rate, int32_t bin_count, int32_t options);
    static void destroy(SpectrumAnalyser* analyser);

    // One input sample through every filter. A sample that is not a finite
    // number is analysed as 0, so that one bad sample cannot leave every
    // filter without a number for good.
    void process_sample(float x);
    // The first channel of that many interleaved frames of channel_count
    // samples each, like a process_sample call for each frame but in one
    // run through the bank. Nothing for a channel count below 1.
    void process_frames(const float* frames, int32_t frame_count, int32_t channel_count);
    // Four arrays of bin_count floats: amplitudes (twice the filter
    // magnitude, so a sinusoid of amplitude A reads A), tracked frequencies
    // in Hz, phases in radians, and the fourth result: without peak_output
    // the undoubled magnitudes; with it the amplitudes of the bins that are
    // strict local maxima or, with unscaled input and free tracking, of the
    // bins where neighbours' tracked frequencies cross; 0 elsewhere.
    void read_results(float* amplitudes, float* frequencies, float* phases, float* fourth);

    // Resynthesis: the voices take these amplitudes, frequencies (Hz) and,
    // when given, phases (radians; otherwise the phases stored before stay).
    void set_resynthesis(const float* amplitudes, const float* frequencies, const float* phases);
    float resynthesize_sample();

    // Each multiplies the bins' standard smoothing constants by k and sets
    // the first stage, the second stage or the frequency correction (whose
    // standard is half the constant); a bin keeps its old value when the
    // product lies outside 0 ... 1.
    void scale_bandwidth1(float k);
    void scale_bandwidth2(float k);
    void scale_bandwidth3(float k);
    // Makes the bank's envelope a one-pole follower with this time
    // constant; 0 or less makes it follow at once (the default).
    void set_envelope_time(float seconds);
    // Note the inversion: peak output is switched on by 0, off by anything else.
    void set_peak_output(int32_t flag);

private:
    float input_of(float x) const;
    void fill_centres();
    void limit_tracking();
    void read_peaks(const float* amplitudes);
    void read_crossings(const float* amplitudes);
    void scale_alphas(float k, float share, void (TrackingFilter::*set_alpha)(float));
};
