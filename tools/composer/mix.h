#pragma once

#include <cstddef>
#include <vector>

// A place between hard left (-1) and hard right (+1) as the gains of the
// two sides, keeping the power the same wherever a sound sits.
struct Pan {
    double left = 0.0;
    double right = 0.0;
};
Pan pan_at(double position);

// A stereo bus the instruments add into, as two channels of floats.
struct StereoBus {
    std::vector<float> left;
    std::vector<float> right;

    explicit StereoBus(size_t frames) : left(frames, 0.0f), right(frames, 0.0f) {}
    size_t frames() const { return left.size(); }
    // Adds a sample at a place; frames past the end are dropped.
    void add(size_t frame, double value, const Pan& pan) {
        if (frame >= left.size()) return;
        left[frame] += static_cast<float>(value * pan.left);
        right[frame] += static_cast<float>(value * pan.right);
    }
    // Adds one sample to each side.
    void add_sides(size_t frame, double left_value, double right_value) {
        if (frame >= left.size()) return;
        left[frame] += static_cast<float>(left_value);
        right[frame] += static_cast<float>(right_value);
    }
};

// A mono bus: what an instrument sends to a shared effect.
struct Send {
    std::vector<float> samples;

    explicit Send(size_t frames) : samples(frames, 0.0f) {}
    void add(size_t frame, double value) {
        if (frame < samples.size()) samples[frame] += static_cast<float>(value);
    }
};

// Where the instruments play: straight to the mix, and into the sends of
// the two shared effects.
struct Mix {
    StereoBus dry;
    Send reverb_send;
    Send delay_send;

    explicit Mix(size_t frames) : dry(frames), reverb_send(frames), delay_send(frames) {}
    size_t frames() const { return dry.frames(); }
};
