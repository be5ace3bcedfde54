#include "tools/composer/instruments.h"

#include <cmath>

#include "tools/composer/dsp.h"

namespace {
size_t frame_at(double seconds) {
    return seconds <= 0.0 ? 0 : static_cast<size_t>(std::llround(seconds * SAMPLE_RATE));
}

size_t frames_for(double seconds) { return static_cast<size_t>(std::ceil(seconds * SAMPLE_RATE)); }

double cents(double amount) { return std::pow(2.0, amount / 1200.0); }

// A phase in [0, 1) moved on by less than one turn.
double wrap(double phase) { return phase >= 1.0 ? phase - 1.0 : phase; }
}  // namespace

void play_kick(Mix& mix, double start, double velocity) {
    const size_t first = frame_at(start);
    const size_t length = frames_for(0.45);
    const Pan centre = pan_at(0.0);
    // The pitch falls from 155 Hz to 45 Hz; body and click fade by a
    // constant factor each sample.
    const double sweep_fade = std::exp(-28.0 / SAMPLE_RATE);
    const double body_fade = std::exp(-7.0 / SAMPLE_RATE);
    const double click_fade = std::exp(-400.0 / SAMPLE_RATE);
    double sweep = 110.0, body_level = 1.0, click = 0.3, phase = 0.0;
    for (size_t i = 0; i < length; ++i) {
        phase = wrap(phase + (45.0 + sweep) / SAMPLE_RATE);
        const double body = sine_wave(phase) * body_level;
        mix.dry.add(first + i, 0.7 * velocity * (body + click), centre);
        sweep *= sweep_fade;
        body_level *= body_fade;
        click *= click_fade;
    }
}

void play_snare(Mix& mix, double start, double velocity, unsigned seed) {
    const size_t first = frame_at(start);
    const size_t length = frames_for(0.3);
    Noise noise(seed);
    HighPass brighten(900.0);
    const Pan place = pan_at(0.05);
    const double tone_fade = std::exp(-30.0 / SAMPLE_RATE);
    const double rattle_fade = std::exp(-18.0 / SAMPLE_RATE);
    double tone_level = 0.5, rattle_level = 0.6, phase = 0.0;
    for (size_t i = 0; i < length; ++i) {
        phase = wrap(phase + 185.0 / SAMPLE_RATE);
        const double tone = sine_wave(phase) * tone_level;
        const double rattle = brighten.process(noise.next()) * rattle_level;
        const double value = 0.45 * velocity * (tone + rattle);
        mix.dry.add(first + i, value, place);
        mix.reverb_send.add(first + i, value * 0.35);
        tone_level *= tone_fade;
        rattle_level *= rattle_fade;
    }
}

void play_hat(Mix& mix, double start, double velocity, bool open, unsigned seed) {
    const size_t first = frame_at(start);
    const double fade = std::exp(-(open ? 9.0 : 55.0) / SAMPLE_RATE);
    const size_t length = frames_for(open ? 0.35 : 0.08);
    Noise noise(seed);
    HighPass thin(7000.0);
    HighPass thinner(7000.0);
    const Pan place = pan_at(0.3);
    double level = 0.22 * velocity;
    for (size_t i = 0; i < length; ++i) {
        mix.dry.add(first + i, thinner.process(thin.process(noise.next())) * level, place);
        level *= fade;
    }
}

void play_bass(Mix& mix, const Note& note) {
    const Envelope envelope{0.004, 0.18, 0.55, 0.06};
    const size_t first = frame_at(note.start);
    const size_t length = frames_for(envelope.length(note.held));
    const double hz = note_hz(note.pitch);
    LowPass low, lower;
    const Pan centre = pan_at(0.0);
    double phase = 0.0, sub_phase = 0.0;
    for (size_t i = 0; i < length; ++i) {
        const double t = static_cast<double>(i) / SAMPLE_RATE;
        // The filter opens a little with each note, then settles.
        if (i % 8 == 0) {
            const double cutoff = 160.0 + 260.0 * std::exp(-t * 14.0);
            low.set(cutoff, 0.25);
            lower.set(cutoff, 0.0);
        }
        phase = wrap(phase + hz / SAMPLE_RATE);
        sub_phase = wrap(sub_phase + 0.5 * hz / SAMPLE_RATE);
        const double raw = 0.6 * saw_wave(phase, hz / SAMPLE_RATE) +
                           0.5 * square_wave(sub_phase, 0.5 * hz / SAMPLE_RATE);
        const double value = lower.process(low.process(raw)) * envelope.level(t, note.held);
        mix.dry.add(first + i, 0.42 * note.velocity * value, centre);
    }
}

void play_pad(Mix& mix, const Note& note) {
    const Envelope envelope{0.9, 0.6, 0.8, 1.4};
    const size_t first = frame_at(note.start);
    const size_t length = frames_for(envelope.length(note.held));
    const double hz = note_hz(note.pitch);
    const double steps[3] = {hz * cents(-9.0) / SAMPLE_RATE, hz / SAMPLE_RATE, hz * cents(8.0) / SAMPLE_RATE};
    // Left, middle and right voices, mixed into the two sides before the
    // filter: the filter is the same for all three.
    const Pan pans[3] = {pan_at(-0.7), pan_at(0.0), pan_at(0.7)};
    double phases[3] = {0.0, 0.31, 0.67};
    LowPass left_low, left_lower, right_low, right_lower;
    for (LowPass* filter : {&left_low, &right_low}) filter->set(620.0, 0.1);
    for (LowPass* filter : {&left_lower, &right_lower}) filter->set(620.0, 0.0);
    for (size_t i = 0; i < length; ++i) {
        const double t = static_cast<double>(i) / SAMPLE_RATE;
        const double level = envelope.level(t, note.held) * note.velocity * 0.07;
        double left = 0.0, right = 0.0;
        for (int v = 0; v < 3; ++v) {
            phases[v] = wrap(phases[v] + steps[v]);
            const double voice = triangle_wave(phases[v]);
            left += voice * pans[v].left;
            right += voice * pans[v].right;
        }
        left = left_lower.process(left_low.process(left)) * level;
        right = right_lower.process(right_low.process(right)) * level;
        mix.dry.add_sides(first + i, left, right);
        mix.reverb_send.add(first + i, (left + right) * 0.3);
    }
}

void play_lead(Mix& mix, const Note& note, bool swell) {
    const Envelope struck{0.004, 0.12, 0.72, 0.07};
    const Envelope swelling{0.02, 0.0, 1.0, 0.15};
    const Envelope& envelope = swell ? swelling : struck;
    const size_t first = frame_at(note.start);
    const size_t length = frames_for(envelope.length(note.held));
    const double hz = note_hz(note.pitch);
    LowPass tone;
    tone.set(2600.0, 0.2);
    const Pan place = pan_at(-0.15);
    double phase = 0.0, vibrato_phase = 0.0;
    for (size_t i = 0; i < length; ++i) {
        const double t = static_cast<double>(i) / SAMPLE_RATE;
        // Vibrato sets in once the note has sounded for a moment.
        const double depth = 0.004 * std::fmin(1.0, std::fmax(0.0, (t - 0.18) * 3.0));
        vibrato_phase += 5.5 / SAMPLE_RATE;
        const double step = hz * (1.0 + depth * std::sin(2.0 * PI * vibrato_phase)) / SAMPLE_RATE;
        phase = wrap(phase + step);
        // A sawtooth with its fundamental doubled by a sine (the sawtooth's
        // own fundamental is an inverted sine): bright, with a strong pitch.
        const double raw = 0.6 * saw_wave(phase, step) - 0.6 * sine_wave(phase);
        double loudness = envelope.level(t, note.held);
        if (swell) {
            const double shape = std::sin(PI * std::fmin(t / note.held, 1.0));
            loudness *= shape * shape;
        }
        const double value = tone.process(raw) * loudness * note.velocity * 0.3;
        mix.dry.add(first + i, value, place);
        mix.reverb_send.add(first + i, value * 0.18);
    }
}

void play_pluck(Mix& mix, const Note& note, double position) {
    const Pan pan = pan_at(position);
    const size_t first = frame_at(note.start);
    const size_t length = frames_for(0.5);
    // A sine and its octave from one rotating pair (the octave is the pair
    // squared), fading by a constant factor each sample.
    const double turn = 2.0 * PI * note_hz(note.pitch) / SAMPLE_RATE;
    const double cos_turn = std::cos(turn), sin_turn = std::sin(turn);
    const double fade = std::exp(-7.0 / SAMPLE_RATE);
    double re = 1.0, im = 0.0, loudness = 0.07 * note.velocity;
    for (size_t i = 0; i < length; ++i) {
        const double bell = im + 0.25 * (2.0 * re * im);
        const double attack = std::fmin(1.0, static_cast<double>(i) * (2000.0 / SAMPLE_RATE));
        const double value = loudness * bell * attack;
        mix.dry.add(first + i, value, pan);
        mix.delay_send.add(first + i, value * 0.8);
        mix.reverb_send.add(first + i, value * 0.3);
        const double next_re = re * cos_turn - im * sin_turn;
        im = re * sin_turn + im * cos_turn;
        re = next_re;
        loudness *= fade;
    }
}
