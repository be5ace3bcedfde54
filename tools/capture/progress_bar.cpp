#include "tools/capture/progress_bar.h"

#include <algorithm>
#include <array>

namespace {
constexpr int32_t BAR_WIDTH = 30;
constexpr auto REDRAW_EVERY = std::chrono::milliseconds(200);

std::string minutes_and_seconds(int64_t seconds) {
    std::array<char, 32> text{};
    std::snprintf(text.data(), text.size(), "%lld:%02lld", static_cast<long long>(seconds / 60),
                  static_cast<long long>(seconds % 60));
    return text.data();
}
}  // namespace

ProgressBar::ProgressBar(int64_t total, bool terminal)
    : total_(std::max<int64_t>(1, total)), terminal_(terminal), started_(std::chrono::steady_clock::now()) {}

std::string ProgressBar::line(int64_t done, int64_t total, std::chrono::steady_clock::duration elapsed) {
    total = std::max<int64_t>(1, total);
    done = std::clamp<int64_t>(done, 0, total);
    const auto filled = static_cast<int32_t>(done * BAR_WIDTH / total);
    std::string text = "[" + std::string(static_cast<size_t>(filled), '#') +
                       std::string(static_cast<size_t>(BAR_WIDTH - filled), '.') + "]";
    std::array<char, 96> rest{};
    std::snprintf(rest.data(), rest.size(), " %3d%%  frame %lld/%lld  ", static_cast<int>(done * 100 / total),
                  static_cast<long long>(done), static_cast<long long>(total));
    text += rest.data();
    if (done == 0) return text + "time left unknown";
    const double seconds_each = std::chrono::duration<double>(elapsed).count() / static_cast<double>(done);
    const auto left = static_cast<int64_t>(seconds_each * static_cast<double>(total - done) + 0.5);
    return text + minutes_and_seconds(left) + " left";
}

void ProgressBar::update(int64_t done) {
    const auto now = std::chrono::steady_clock::now();
    if (terminal_) {
        if (drawn_ && now - last_drawn_ < REDRAW_EVERY && done < total_) return;
        std::fprintf(stderr, "\r%s ", line(done, total_, now - started_).c_str());
        std::fflush(stderr);
        drawn_ = true;
        last_drawn_ = now;
        return;
    }
    const auto tenth = static_cast<int32_t>(std::clamp<int64_t>(done, 0, total_) * 10 / total_);
    if (tenth == last_tenth_) return;
    last_tenth_ = tenth;
    std::fprintf(stderr, "%s\n", line(done, total_, now - started_).c_str());
}

void ProgressBar::finish() {
    if (terminal_ && drawn_) std::fputc('\n', stderr);
    drawn_ = false;
}
