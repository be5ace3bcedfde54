#include "tools/capture/progress_bar.h"

#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>

namespace {
constexpr int32_t BAR_WIDTH = 30;
constexpr auto REDRAW_EVERY = std::chrono::milliseconds(200);

std::string minutes_and_seconds(int64_t seconds) {
    std::array<char, 32> text{};
    std::snprintf(text.data(), text.size(), "%lld:%02lld", static_cast<long long>(seconds / 60),
                  static_cast<long long>(seconds % 60));
    return text.data();
}

// A whole number, perhaps negative, after a word and a space: "done 3".
bool read_word_and_number(const std::string& text, const char* word, int64_t& out) {
    const size_t length = std::strlen(word);
    if (text.size() <= length + 1 || text.compare(0, length, word) != 0 || text[length] != ' ') return false;
    const std::string number = text.substr(length + 1);
    const std::string digits = number[0] == '-' ? number.substr(1) : number;
    if (digits.empty() || digits.size() > 18 || digits.find_first_not_of("0123456789") != std::string::npos)
        return false;
    out = std::strtoll(number.c_str(), nullptr, 10);
    return true;
}
}  // namespace

ProgressBar::ProgressBar(int64_t total, Output output, int report_fd)
    : total_(std::max<int64_t>(1, total)), output_(output), report_fd_(report_fd) {
    if (output_ == Output::report) report("total", total);
    reported_total_ = total;
}

std::string ProgressBar::line(int64_t done, int64_t total, double frames_per_second) {
    total = std::max<int64_t>(1, total);
    done = std::clamp<int64_t>(done, 0, total);
    const auto filled = static_cast<int32_t>(done * BAR_WIDTH / total);
    std::string text = "[" + std::string(static_cast<size_t>(filled), '#') +
                       std::string(static_cast<size_t>(BAR_WIDTH - filled), '.') + "]";
    std::array<char, 96> rest{};
    std::snprintf(rest.data(), rest.size(), " %3d%%  frame %lld/%lld  ", static_cast<int>(done * 100 / total),
                  static_cast<long long>(done), static_cast<long long>(total));
    text += rest.data();
    if (frames_per_second <= 0.0) return text + "time left unknown";
    const auto left = static_cast<int64_t>(static_cast<double>(total - done) / frames_per_second + 0.5);
    std::snprintf(rest.data(), rest.size(), "%.1f frames/s  ", frames_per_second);
    return text + rest.data() + minutes_and_seconds(left) + " left";
}

bool ProgressBar::read_report(const std::string& text, int64_t& more_total, int64_t& more_done) {
    int64_t value = 0;
    if (read_word_and_number(text, "total", value)) {
        more_total = value;
        more_done = 0;
        return true;
    }
    if (read_word_and_number(text, "done", value)) {
        more_total = 0;
        more_done = value;
        return true;
    }
    return false;
}

void ProgressBar::report(const char* what, int64_t increase) {
    if (report_fd_ < 0) return;
    // One write per line, short enough to arrive whole however many
    // processes share the pipe.
    std::array<char, 48> text{};
    const int length = std::snprintf(text.data(), text.size(), "%s %lld\n", what, static_cast<long long>(increase));
    if (write(report_fd_, text.data(), static_cast<size_t>(length)) < 0) report_fd_ = -1;
}

double ProgressBar::rate(std::chrono::steady_clock::time_point now, int64_t done) const {
    if (first_done_ < 0 || done <= first_done_) return 0.0;
    const double seconds = std::chrono::duration<double>(now - first_done_at_).count();
    return seconds > 0.0 ? static_cast<double>(done - first_done_) / seconds : 0.0;
}

void ProgressBar::set_total(int64_t total) {
    if (output_ == Output::report && total != reported_total_) report("total", total - reported_total_);
    reported_total_ = total;
    total_ = std::max<int64_t>(1, total);
}

void ProgressBar::update(int64_t done) {
    const auto now = std::chrono::steady_clock::now();
    if (done > 0 && first_done_ < 0) {
        first_done_ = done;
        first_done_at_ = now;
    }
    switch (output_) {
        case Output::report:
            if (done > reported_done_) report("done", done - reported_done_);
            reported_done_ = std::max(reported_done_, done);
            return;
        case Output::terminal:
            if (drawn_ && now - last_drawn_ < REDRAW_EVERY && done < total_) return;
            std::fprintf(stderr, "\r%s ", line(done, total_, rate(now, done)).c_str());
            std::fflush(stderr);
            drawn_ = true;
            last_drawn_ = now;
            return;
        case Output::lines: {
            const auto tenth = static_cast<int32_t>(std::clamp<int64_t>(done, 0, total_) * 10 / total_);
            if (tenth == last_tenth_) return;
            last_tenth_ = tenth;
            std::fprintf(stderr, "%s\n", line(done, total_, rate(now, done)).c_str());
            return;
        }
    }
}

void ProgressBar::finish() {
    if (output_ == Output::terminal && drawn_) std::fputc('\n', stderr);
    drawn_ = false;
}
