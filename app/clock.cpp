#include "app/clock.h"

#include <sys/time.h>

#include <ctime>

double clock_seconds() { return static_cast<double>(std::clock()) / 1000000.0; }

int64_t wall_clock_ms() {
    timeval now{};
    gettimeofday(&now, nullptr);
    return static_cast<int64_t>(now.tv_sec) * 1000 + now.tv_usec / 1000;
}
