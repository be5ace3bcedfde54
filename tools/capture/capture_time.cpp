#include "tools/capture/capture_time.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>


namespace {
// A plain decimal number: digits with at most one point, nothing else (no
// sign, exponent, hexadecimal, infinity or NaN, which strtod would take).
bool read_decimal(const std::string& text, double& out) {
    if (text.empty() || text.size() > 32) return false;
    int points = 0, digits = 0;
    for (char c : text) {
        if (c == '.') ++points;
        else if (c >= '0' && c <= '9') ++digits;
        else return false;
    }
    if (points > 1 || digits == 0) return false;
    out = std::strtod(text.c_str(), nullptr);
    return std::isfinite(out);
}
}  // namespace

int32_t parse_capture_time(const std::string& text, CaptureTime& out) {
    CaptureTime time;
    time.text = text;
    bool valid = true;
    if (text == "end") {
        time.kind = CaptureTime::Kind::end;
    } else if (!text.empty() && text[0] == 'p') {
        time.kind = CaptureTime::Kind::pattern;
        valid = read_decimal(text.substr(1), time.value);
    } else {
        time.kind = CaptureTime::Kind::seconds;
        valid = read_decimal(text, time.value);
    }
    if (!valid) {
        std::fprintf(stderr, "morva-capture: '%s' is not a time: give seconds (12.5), a pattern (p30) or end\n",
                     text.c_str());
        return 0;
    }
    out = time;
    return 1;
}

int32_t parse_capture_times(const std::string& list, std::vector<CaptureTime>& out) {
    std::vector<CaptureTime> times;
    size_t from = 0;
    while (true) {
        const size_t comma = list.find(',', from);
        CaptureTime time;
        if (parse_capture_time(list.substr(from, comma == std::string::npos ? std::string::npos : comma - from),
                               time) != 1)
            return 0;
        times.push_back(time);
        if (comma == std::string::npos) break;
        from = comma + 1;
    }
    out = times;
    return 1;
}

bool range_backwards(const CaptureTime& from, const CaptureTime& to, double pattern_seconds) {
    using Kind = CaptureTime::Kind;
    if (from.kind == Kind::end || to.kind == Kind::end) return from.kind == Kind::end && to.kind != Kind::end;
    if (from.kind == to.kind) return from.value > to.value;
    if (!(pattern_seconds > 0.0)) return false;
    const auto seconds = [&](const CaptureTime& time) {
        return time.kind == Kind::pattern ? time.value * pattern_seconds : time.value;
    };
    return seconds(from) > seconds(to);
}
