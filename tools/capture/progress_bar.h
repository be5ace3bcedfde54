#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>

// Shows how far a long render has come, how fast it draws and about how
// long it still needs, on standard error: one bar redrawn in place on a
// terminal, else a line at every tenth of the way. A process drawing a
// part of the frames for another (--jobs) reports to it instead, through
// a pipe, and the other shows one bar for all of them.
class ProgressBar {
public:
    enum class Output { terminal, lines, report };
    // `report_fd` is the pipe for Output::report.
    ProgressBar(int64_t total, Output output, int report_fd = -1);
    // Counts `done` of the total as finished.
    void update(int64_t done);
    // Moves the total, for frames that turn out to be more or fewer.
    void set_total(int64_t total);
    // Ends the bar's line.
    void finish();

    // The bar's text for `done` of `total` at a rate of frames a second (0
    // while it is not known yet), for tests too:
    // "[#######.......................]  25%  frame 50/200  12.5 frames/s  0:12 left".
    static std::string line(int64_t done, int64_t total, double frames_per_second);

    // What a reporting process sends: lines such as "total 120" and "done 3",
    // each a change to its part (the total may shrink at the end, when the
    // part turns out to hold fewer frames than planned). Reads such a line
    // into the changes; false when it is none.
    static bool read_report(const std::string& text, int64_t& more_total, int64_t& more_done);

private:
    void report(const char* what, int64_t increase);
    double rate(std::chrono::steady_clock::time_point now, int64_t done) const;

    int64_t total_;
    Output output_;
    int report_fd_;
    int64_t reported_total_ = 0;
    int64_t reported_done_ = 0;
    int32_t last_tenth_ = -1;
    // The rate is measured from the first frame on: a process that plays the
    // music up to its part first draws nothing for a while.
    std::chrono::steady_clock::time_point first_done_at_{};
    int64_t first_done_ = -1;
    std::chrono::steady_clock::time_point last_drawn_{};
    bool drawn_ = false;
};
