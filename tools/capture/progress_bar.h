#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>

// Shows how far a long render has come, and about how long it still needs,
// on standard error: one bar redrawn in place on a terminal, else a line
// at every tenth of the way.
class ProgressBar {
public:
    ProgressBar(int64_t total, bool terminal);
    // Counts `done` of the total as finished.
    void update(int64_t done);
    // Ends the bar's line.
    void finish();

    // The bar's text for `done` of `total` after `elapsed`, for tests too:
    // "[#####...............]  25%  frame 50/200  0:12 left".
    static std::string line(int64_t done, int64_t total, std::chrono::steady_clock::duration elapsed);

private:
    int64_t total_;
    bool terminal_;
    int32_t last_tenth_ = -1;
    std::chrono::steady_clock::time_point started_;
    std::chrono::steady_clock::time_point last_drawn_{};
    bool drawn_ = false;
};
