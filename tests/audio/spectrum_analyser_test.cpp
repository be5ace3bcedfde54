// The filter bank and the analyser with its read-outs and resynthesis,
// fed generated signals.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "audio/filter_bank.h"
#include "audio/oscillator_bank.h"
#include "audio/spectrum_analyser.h"
#include "tests/support/signals.h"

namespace {
constexpr int RATE = 44100;
constexpr int BIN_659 = 21;  // the mel bin centred near 659.2 Hz

// The four results of an analyser, bin_count floats each.
struct Results {
    std::vector<float> amplitudes, frequencies, phases, fourth;
};

Results read(SpectrumAnalyser* analyser) {
    const auto n = static_cast<size_t>(analyser->bin_count);
    Results r{std::vector<float>(n), std::vector<float>(n), std::vector<float>(n), std::vector<float>(n)};
    analyser->read_results(r.amplitudes.data(), r.frequencies.data(), r.phases.data(), r.fourth.data());
    return r;
}

void feed(SpectrumAnalyser* analyser, const std::vector<float>& samples) {
    for (float x : samples) analyser->process_sample(x);
}

struct Analyser {
    SpectrumAnalyser* analyser;
    explicit Analyser(int32_t options, int32_t bins = 112)
        : analyser(SpectrumAnalyser::create(RATE, bins, options)) {}
    ~Analyser() { SpectrumAnalyser::destroy(analyser); }
    SpectrumAnalyser* operator->() const { return analyser; }
};

float lower_edge_hz(const TrackingFilter& filter) {
    return -filter.lower_bound_step * RATE / (2.0f * 3.14159265f);
}
float upper_edge_hz(const TrackingFilter& filter) {
    return -filter.upper_bound_step * RATE / (2.0f * 3.14159265f);
}

// Frequency of a signal from its rising zero crossings.
double crossing_frequency(const std::vector<float>& samples) {
    int first = -1;
    int last = -1;
    int crossings = 0;
    for (size_t i = 1; i < samples.size(); ++i) {
        if (samples[i - 1] < 0.0f && samples[i] >= 0.0f) {
            if (first < 0) first = static_cast<int>(i);
            last = static_cast<int>(i);
            ++crossings;
        }
    }
    return crossings < 2 ? 0.0 : (crossings - 1) * static_cast<double>(RATE) / (last - first);
}
}  // namespace

TEST(SpectrumAnalyser, MelCentresRunFrom20HzToJustBelow20kHz) {
    Analyser a(ANALYSER_ALL_OPTIONS);
    EXPECT_EQ(a->bin_count, 112);
    EXPECT_EQ(a->mel_spacing, 1);
    EXPECT_EQ(a->peak_output, 1);
    EXPECT_EQ(a->unscaled_input, 1);
    EXPECT_EQ(a->limited_tracking, 1);
    const std::vector<float>& centres = a->nominal_hz;
    ASSERT_EQ(centres.size(), 112u);
    EXPECT_NEAR(centres[0], 20.0f, 1e-4f);
    EXPECT_NEAR(centres[1], 42.1f, 0.05f);
    EXPECT_NEAR(centres[2], 64.9f, 0.05f);
    EXPECT_NEAR(centres[3], 88.4f, 0.05f);
    EXPECT_NEAR(centres[BIN_659], 659.2f, 0.05f);
    EXPECT_LT(centres[111], 20000.0f);
    EXPECT_GT(centres[111], 19999.99f);
    EXPECT_TRUE(std::is_sorted(centres.begin(), centres.end()));
    // Even steps on the mel scale: ever wider in Hz.
    EXPECT_LT(centres[1] - centres[0], centres[111] - centres[110]);
    EXPECT_EQ(a->bank->nominal_hz, centres);
}

TEST(SpectrumAnalyser, LinearCentresWithoutMelSpacing) {
    Analyser a(ANALYSER_UNSCALED_INPUT, 5);
    EXPECT_EQ(a->nominal_hz, (std::vector<float>{20.0f, 5015.0f, 10010.0f, 15005.0f, 20000.0f}));
}

TEST(SpectrumAnalyser, SmoothingConstantsWidenWithFrequency) {
    Analyser a(ANALYSER_ALL_OPTIONS);
    const TrackingFilter& lowest = a->bank->filters.front();
    const TrackingFilter& highest = a->bank->filters.back();
    EXPECT_NEAR(lowest.alpha1, 0.00015f, 0.000005f);
    EXPECT_NEAR(highest.alpha1, 0.0448f, 0.00005f);
    // The frequency correction takes half as much as the smoothing stages.
    EXPECT_NEAR(lowest.alpha3, 0.0000745f, 0.0000005f);
    EXPECT_NEAR(highest.alpha3, 0.02238f, 0.00001f);
    for (const TrackingFilter& filter : a->bank->filters) EXPECT_EQ(filter.alpha2, filter.alpha1);
    // The constants widen with every bin.
    for (size_t j = 1; j < a->bank->filters.size(); ++j)
        EXPECT_GT(a->bank->filters[j].alpha1, a->bank->filters[j - 1].alpha1) << j;
    EXPECT_NEAR(bin_alpha(20.0f, 44100.0f), 0.000149f, 0.000001f);
    EXPECT_NEAR(bin_alpha(20000.0f, 44100.0f), 0.04476f, 0.00001f);
}

TEST(SpectrumAnalyser, TrackingRangesMeetHalfwayBetweenCentres) {
    Analyser a(ANALYSER_ALL_OPTIONS);
    const std::vector<TrackingFilter>& filters = a->bank->filters;
    const std::vector<float>& centres = a->nominal_hz;
    EXPECT_EQ(filters[0].limited, 1);
    EXPECT_NEAR(lower_edge_hz(filters[0]), 10.0f, 1e-3f);
    for (size_t j = 0; j + 1 < filters.size(); ++j) {
        const float midpoint = (centres[j] + centres[j + 1]) * 0.5f;
        EXPECT_NEAR(upper_edge_hz(filters[j]), midpoint, midpoint * 1e-5f) << j;
        EXPECT_EQ(filters[j].upper_bound_step, filters[j + 1].lower_bound_step) << j;
    }
    EXPECT_NEAR(upper_edge_hz(filters.back()), centres.back(), 0.1f);

    Analyser free_running(ANALYSER_MEL_SPACING | ANALYSER_UNSCALED_INPUT);
    for (const TrackingFilter& filter : free_running->bank->filters) EXPECT_EQ(filter.limited, 0);
}

TEST(SpectrumAnalyser, SteadySineIsFoundWithItsAmplitudeAndFrequency) {
    Analyser a(ANALYSER_ALL_OPTIONS);
    feed(a.analyser, sine_tone(670.0, 0.5, 2 * RATE));
    const Results r = read(a.analyser);
    // 670 Hz lies in the range of the bin centred on 659.2 Hz.
    EXPECT_LT(lower_edge_hz(a->bank->filters[BIN_659]), 670.0f);
    EXPECT_GT(upper_edge_hz(a->bank->filters[BIN_659]), 670.0f);
    EXPECT_NEAR(r.amplitudes[BIN_659], 0.5f, 0.005f);
    EXPECT_NEAR(r.frequencies[BIN_659], 670.0f, 0.1f);
    EXPECT_NEAR(a->bank->frequency_of(BIN_659), 670.0f, 0.1f);
    // The loudest bin, and the only peak.
    EXPECT_EQ(std::max_element(r.amplitudes.begin(), r.amplitudes.end()) - r.amplitudes.begin(), BIN_659);
    for (int i = 0; i < 112; ++i) {
        if (i == BIN_659)
            EXPECT_EQ(r.fourth[i], r.amplitudes[i]);
        else
            EXPECT_EQ(r.fourth[i], 0.0f) << i;
    }
    // Bins far from the tone rest at their centres.
    EXPECT_EQ(r.frequencies[60], a->nominal_hz[60]);
}

TEST(SpectrumAnalyser, SilenceSendsEveryFilterBackToItsCentre) {
    Analyser a(ANALYSER_ALL_OPTIONS);
    feed(a.analyser, sine_tone(670.0, 0.5, RATE / 2));
    feed(a.analyser, std::vector<float>(4 * RATE, 0.0f));
    const Results r = read(a.analyser);
    for (int i = 0; i < 112; ++i) {
        EXPECT_NEAR(r.frequencies[i], a->nominal_hz[i], a->nominal_hz[i] * 1e-5f) << i;
        EXPECT_LT(r.amplitudes[i], 0.001f) << i;
    }
}

TEST(SpectrumAnalyser, WithoutPeakOutputTheFourthResultIsTheUndoubledMagnitude) {
    Analyser a(ANALYSER_MEL_SPACING | ANALYSER_UNSCALED_INPUT | ANALYSER_LIMITED_TRACKING);
    feed(a.analyser, sine_tone(670.0, 0.5, RATE));
    const Results r = read(a.analyser);
    for (int i = 0; i < 112; ++i) EXPECT_EQ(r.fourth[i] * 2.0f, r.amplitudes[i]) << i;
    EXPECT_NEAR(r.fourth[BIN_659], 0.25f, 0.003f);
}

TEST(SpectrumAnalyser, ScaledInputReadsInTheSameUnitsButIsTooWeakToTrack) {
    // Scaled by 0.001 the tone's power stays below the least tracking
    // threshold: the filters stay at their centres, so the tone is put on
    // a centre here.
    Analyser scaled(ANALYSER_MEL_SPACING | ANALYSER_PEAK_OUTPUT | ANALYSER_LIMITED_TRACKING);
    const float centre = scaled->nominal_hz[BIN_659];
    feed(scaled.analyser, sine_tone(centre, 0.5, 2 * RATE));
    const Results r = read(scaled.analyser);
    EXPECT_NEAR(r.amplitudes[BIN_659], 0.5f, 0.005f);
    EXPECT_EQ(r.frequencies[BIN_659], scaled->bank->filters[BIN_659].phasor.frequency_hz());
    EXPECT_NEAR(r.frequencies[BIN_659], centre, 1e-3f);
    EXPECT_EQ(r.fourth[BIN_659], r.amplitudes[BIN_659]);
}

TEST(SpectrumAnalyser, FreeRunningFiltersMarkWhereTheirFrequenciesCross) {
    // Without limited tracking the two bins either side of the tone both
    // steer onto it; the crossing lies nearer the lower centre.
    Analyser a(ANALYSER_MEL_SPACING | ANALYSER_PEAK_OUTPUT | ANALYSER_UNSCALED_INPUT);
    feed(a.analyser, sine_tone(670.0, 0.5, 2 * RATE));
    const Results r = read(a.analyser);
    EXPECT_NEAR(r.frequencies[BIN_659], 670.0f, 0.1f);
    EXPECT_NEAR(r.frequencies[BIN_659 + 1], 670.0f, 0.5f);
    EXPECT_GT(r.fourth[BIN_659], 0.4f);
    EXPECT_EQ(r.fourth[BIN_659], r.amplitudes[BIN_659]);
    for (int i = 0; i < 112; ++i) {
        if (i == BIN_659) continue;
        EXPECT_EQ(r.fourth[i], 0.0f) << i << " at " << r.frequencies[i];
    }
}

TEST(SpectrumAnalyser, OneAndTwoBinPeaks) {
    Analyser one(ANALYSER_ALL_OPTIONS, 1);
    ASSERT_EQ(one->nominal_hz.size(), 1u);
    EXPECT_NEAR(one->nominal_hz[0], 20.0f, 1e-4f);
    EXPECT_NEAR(lower_edge_hz(one->bank->filters[0]), 10.0f, 1e-3f);
    feed(one.analyser, sine_tone(20.0, 0.5, RATE));
    const Results r1 = read(one.analyser);
    EXPECT_GT(r1.amplitudes[0], 0.3f);
    EXPECT_EQ(r1.fourth[0], r1.amplitudes[0]);

    Analyser two(ANALYSER_ALL_OPTIONS, 2);
    ASSERT_EQ(two->nominal_hz.size(), 2u);
    EXPECT_NEAR(two->nominal_hz[0], 20.0f, 1e-4f);
    EXPECT_NEAR(two->nominal_hz[1], 20000.0f, 0.01f);
    feed(two.analyser, sine_tone(20.0, 0.5, RATE));
    Results r2 = read(two.analyser);
    EXPECT_GT(r2.amplitudes[0], r2.amplitudes[1]);
    EXPECT_EQ(r2.fourth, (std::vector<float>{r2.amplitudes[0], 0.0f}));
    feed(two.analyser, sine_tone(19000.0, 0.5, RATE / 2));
    r2 = read(two.analyser);
    EXPECT_GT(r2.amplitudes[1], r2.amplitudes[0]);
    EXPECT_EQ(r2.fourth, (std::vector<float>{0.0f, r2.amplitudes[1]}));
    // Before any input both are 0: the second wins the tie.
    Analyser fresh(ANALYSER_ALL_OPTIONS, 2);
    const Results r0 = read(fresh.analyser);
    EXPECT_EQ(r0.fourth, (std::vector<float>{0.0f, 0.0f}));

    Analyser none(ANALYSER_ALL_OPTIONS, 0);
    feed(none.analyser, sine_tone(20.0, 0.5, 100));
    EXPECT_TRUE(read(none.analyser).amplitudes.empty());
}

TEST(SpectrumAnalyser, SamplesThatAreNotNumbersCountAsSilence) {
    Analyser a(ANALYSER_ALL_OPTIONS);
    a->process_sample(std::nanf(""));
    a->process_sample(std::numeric_limits<float>::infinity());
    feed(a.analyser, sine_tone(670.0, 0.5, 2 * RATE));
    const Results r = read(a.analyser);
    for (int i = 0; i < 112; ++i) ASSERT_TRUE(std::isfinite(r.amplitudes[i]) && std::isfinite(r.frequencies[i])) << i;
    EXPECT_NEAR(r.amplitudes[BIN_659], 0.5f, 0.005f);
}

TEST(SpectrumAnalyser, ResynthesisGivesBackTheAnalysedSine) {
    Analyser a(ANALYSER_ALL_OPTIONS);
    feed(a.analyser, sine_tone(670.0, 0.5, 2 * RATE));
    const Results r = read(a.analyser);
    // The peak amplitudes hold the tone alone, without its neighbours' leakage.
    a->set_resynthesis(r.fourth.data(), r.frequencies.data(), r.phases.data());
    std::vector<float> sound(RATE / 2);
    for (float& x : sound) x = a->resynthesize_sample();
    EXPECT_NEAR(crossing_frequency(sound), 670.0, 0.1);
    const auto [low, high] = std::minmax_element(sound.begin(), sound.end());
    EXPECT_NEAR(*high, 0.5f, 0.01f);
    EXPECT_NEAR(*low, -0.5f, 0.01f);

    // Without phases the stored ones stay.
    const Voice& voice = a->oscillators->voices[BIN_659];
    const float offset_sin = voice.phasor.offset_sin;
    EXPECT_NEAR(offset_sin, std::sin(r.phases[BIN_659]), 1e-6f);
    std::vector<float> doubled = r.fourth;
    for (float& x : doubled) x *= 2.0f;
    a->set_resynthesis(doubled.data(), r.frequencies.data(), nullptr);
    EXPECT_EQ(voice.phasor.offset_sin, offset_sin);
    EXPECT_EQ(voice.amplitude, 2.0f * r.fourth[BIN_659]);
}

TEST(SpectrumAnalyser, ResynthesisVoicesStartSilentAtTheCentres) {
    Analyser a(ANALYSER_ALL_OPTIONS);
    ASSERT_EQ(a->oscillators->count, 112);
    for (int i = 0; i < 112; ++i) {
        const Voice& voice = a->oscillators->voices[i];
        EXPECT_EQ(voice.amplitude, 0.0f);
        EXPECT_NEAR(voice.phasor.frequency_hz(), a->nominal_hz[i], a->nominal_hz[i] * 1e-5f);
        EXPECT_EQ(voice.phasor.offset_cos, 1.0f);
    }
    for (int n = 0; n < 100; ++n) ASSERT_EQ(a->resynthesize_sample(), 0.0f);
    EXPECT_TRUE(std::all_of(a->resynth_phases.begin(), a->resynth_phases.end(), [](float p) { return p == 0.0f; }));
}

TEST(SpectrumAnalyser, BandwidthScalingKeepsConstantsInsideZeroToOne) {
    Analyser a(ANALYSER_ALL_OPTIONS);
    std::vector<TrackingFilter>& filters = a->bank->filters;
    // The lowest bin's constant is 0.000149, the highest's 0.0448.
    a->scale_bandwidth1(2.0f);
    EXPECT_NEAR(filters[0].alpha1, 0.000298f, 0.000001f);
    EXPECT_FLOAT_EQ(filters[0].alpha1 + filters[0].one_minus_alpha1, 1.0f);
    EXPECT_NEAR(filters[0].alpha2, 0.000149f, 0.000001f);  // the other stages keep theirs
    a->scale_bandwidth2(30.0f);  // too wide for the top bin only
    EXPECT_NEAR(filters[0].alpha2, 0.00447f, 0.00001f);
    EXPECT_NEAR(filters[111].alpha2, 0.0448f, 0.00005f);
    // Each scaling starts from the bank's own constants, not from the last one.
    a->scale_bandwidth3(4.0f);
    EXPECT_NEAR(filters[0].alpha3, 0.000298f, 0.000001f);
    a->scale_bandwidth3(1.0f);
    EXPECT_NEAR(filters[0].alpha3, 0.0000745f, 0.0000005f);
    a->scale_bandwidth1(-1.0f);  // below 0: ignored
    EXPECT_NEAR(filters[0].alpha1, 0.000298f, 0.000001f);

    // A wider first stage settles sooner.
    Analyser wide(ANALYSER_ALL_OPTIONS);
    Analyser plain(ANALYSER_ALL_OPTIONS);
    wide->scale_bandwidth1(4.0f);
    wide->scale_bandwidth2(4.0f);
    const std::vector<float> tone = sine_tone(670.0, 0.5, RATE / 200);
    feed(wide.analyser, tone);
    feed(plain.analyser, tone);
    EXPECT_GT(read(wide.analyser).amplitudes[BIN_659], read(plain.analyser).amplitudes[BIN_659] * 2.0f);
}

TEST(SpectrumAnalyser, EnvelopeTimeAndPeakSwitch) {
    Analyser a(ANALYSER_ALL_OPTIONS);
    EXPECT_EQ(a->bank->new_weight, 1.0f);
    EXPECT_EQ(a->bank->old_weight, 0.0f);
    a->set_envelope_time(0.01f);  // 441 samples
    EXPECT_NEAR(a->bank->new_weight, 0.002265f, 0.000001f);
    EXPECT_FLOAT_EQ(a->bank->old_weight + a->bank->new_weight, 1.0f);
    a->set_envelope_time(0.0f);
    EXPECT_EQ(a->bank->new_weight, 1.0f);
    EXPECT_EQ(a->bank->old_weight, 0.0f);
    a->set_envelope_time(-1.0f);
    EXPECT_EQ(a->bank->new_weight, 1.0f);

    // A slow envelope lags behind the strongest power.
    a->set_envelope_time(1.0f);
    feed(a.analyser, sine_tone(670.0, 0.5, RATE / 10));
    std::vector<float> powers(112);
    a->bank->read_powers(powers.data(), 112);
    EXPECT_LT(a->bank->envelope, *std::max_element(powers.begin(), powers.end()) * 0.5f);

    // The switch reads the other way round: 1 gives the undoubled
    // magnitudes, 0 marks the peaks.
    a->set_peak_output(1);
    const Results magnitudes = read(a.analyser);
    for (int i = 0; i < 112; ++i) EXPECT_EQ(magnitudes.fourth[i] * 2.0f, magnitudes.amplitudes[i]) << i;
    a->set_peak_output(0);
    const Results peaks = read(a.analyser);
    EXPECT_EQ(peaks.fourth[BIN_659], peaks.amplitudes[BIN_659]);
    EXPECT_GT(std::count(peaks.fourth.begin(), peaks.fourth.end(), 0.0f), 100);
}

TEST(FilterBank, EnvelopeIsTheStrongestPowerOfTheLastSample) {
    Analyser a(ANALYSER_ALL_OPTIONS);
    EXPECT_EQ(a->bank->envelope, 0.0001f);
    feed(a.analyser, sine_tone(670.0, 0.5, RATE / 4));
    std::vector<float> powers(112);
    a->bank->read_powers(powers.data(), 112);
    EXPECT_EQ(a->bank->envelope, *std::max_element(powers.begin(), powers.end()));
    // Every filter was given a thousandth of the envelope before the last sample.
    EXPECT_GT(a->bank->filters[0].threshold, 0.0f);
    for (const TrackingFilter& filter : a->bank->filters) EXPECT_EQ(filter.threshold, a->bank->filters[0].threshold);
}

TEST(FilterBank, BlocksMatchSampleBySampleProcessing) {
    Analyser by_sample(ANALYSER_ALL_OPTIONS);
    Analyser by_block(ANALYSER_ALL_OPTIONS);
    const std::vector<float> tone = sine_tone(670.0, 0.5, 256 * 100);
    feed(by_sample.analyser, tone);
    for (size_t at = 0; at < tone.size(); at += 256) by_block->bank->process_block(tone.data() + at, 256);
    const Results s = read(by_sample.analyser);
    const Results b = read(by_block.analyser);
    EXPECT_NEAR(b.amplitudes[BIN_659], s.amplitudes[BIN_659], 1e-3f);
    EXPECT_NEAR(b.frequencies[BIN_659], s.frequencies[BIN_659], 0.05f);
    EXPECT_NEAR(b.frequencies[BIN_659], 670.0f, 0.1f);
}

TEST(FilterBank, StridedProcessingTakesEveryStepthSample) {
    const std::vector<float> tone = sine_tone(300.0, 0.5, 1000);
    std::vector<float> every_third;
    for (size_t i = 0; i < tone.size(); i += 3) every_third.push_back(tone[i]);
    Analyser strided(ANALYSER_ALL_OPTIONS);
    Analyser decimated(ANALYSER_ALL_OPTIONS);
    strided->bank->process_strided(tone.data(), 1000, 3);
    decimated->bank->process_block(every_third.data(), static_cast<int32_t>(every_third.size()));
    const Results s = read(strided.analyser);
    const Results d = read(decimated.analyser);
    EXPECT_EQ(s.amplitudes, d.amplitudes);
    EXPECT_EQ(s.frequencies, d.frequencies);

    // A stride below 1 processes nothing (and does not loop for ever).
    Analyser untouched(ANALYSER_ALL_OPTIONS);
    untouched->bank->process_strided(tone.data(), 1000, 0);
    untouched->bank->process_strided(tone.data(), 1000, -2);
    const Results u = read(untouched.analyser);
    EXPECT_TRUE(std::all_of(u.amplitudes.begin(), u.amplitudes.end(), [](float x) { return x == 0.0f; }));
    EXPECT_EQ(untouched->bank->envelope, 0.0001f);
}

TEST(FilterBank, ReadOutsStopAtTheSmallerCount) {
    Analyser a(ANALYSER_ALL_OPTIONS, 4);
    feed(a.analyser, sine_tone(5000.0, 0.5, RATE / 2));
    std::vector<float> out(6, -1.0f);
    a->bank->read_nominal(out.data(), 2);
    EXPECT_EQ(out, (std::vector<float>{a->nominal_hz[0], a->nominal_hz[1], -1, -1, -1, -1}));
    // Bin 2 (centred at 6057 Hz) follows the tone, the others rest at their centres.
    a->bank->read_frequencies(out.data(), 99);
    EXPECT_NEAR(out[2], 5000.0f, 0.1f);
    for (int i : {0, 1, 3}) EXPECT_EQ(out[i], a->nominal_hz[i]) << i;
    EXPECT_EQ(out[4], -1.0f);
    // It holds the power of half the tone's amplitude, and has stopped turning.
    a->bank->read_powers(out.data(), 4);
    a->bank->read_phase_steps(out.data(), -3);  // nothing
    EXPECT_NEAR(out[2], 0.0625f, 1e-4f);
    for (int i : {0, 1, 3}) EXPECT_LT(out[i], 1e-8f) << i;
    a->bank->read_phase_steps(out.data(), 4);
    EXPECT_NEAR(out[2], 0.0f, 1e-3f);
    EXPECT_EQ(a->bank->frequency_of(4), 0.0f);
    EXPECT_EQ(a->bank->frequency_of(-1), 0.0f);
}
