// The capture's command line and its moments. The input is a command line,
// one argument a line; each line is also read as a moment and as a list of
// moments. A parse may refuse, but what it accepts is within the limits
// (the frames as drawn, supersampled, too), and a moment's text (which
// names files) holds no path separators.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "tools/capture/capture_options.h"
#include "tools/capture/capture_time.h"

namespace {
void require(bool condition) {
    if (!condition) __builtin_trap();
}

bool well_formed(const CaptureTime& time) {
    if (time.text.find('/') != std::string::npos) return false;
    switch (time.kind) {
        case CaptureTime::Kind::end: return time.text == "end";
        case CaptureTime::Kind::pattern: return time.value >= 0.0 && time.value < 1e300 && time.text[0] == 'p';
        case CaptureTime::Kind::seconds: return time.value >= 0.0 && time.value < 1e300;
    }
    return false;
}

void check_options(const std::vector<std::string>& arguments) {
    std::vector<const char*> argv = {"morva-capture"};
    for (const std::string& argument : arguments) argv.push_back(argument.c_str());
    CaptureOptions options;
    if (parse_capture_options(static_cast<int>(argv.size()), argv.data(), options) != 1) return;
    if (options.help || options.version) return;
    if (!options.join_path.empty()) {
        require(!options.join_inputs.empty());
        for (const std::string& input : options.join_inputs) require(!input.empty());
        return;
    }
    require(options.width >= SMALLEST_SIDE && options.width <= LARGEST_SIDE);
    require(options.height >= SMALLEST_SIDE && options.height <= LARGEST_SIDE);
    require(options.fps >= 1 && options.fps <= LARGEST_FPS);
    require(options.width * options.supersample <= LARGEST_SIDE && options.height * options.supersample <= LARGEST_SIDE);
    require(options.supersample >= 1 && options.supersample <= LARGEST_SUPERSAMPLE);
    require(options.jobs >= 0 && options.jobs <= LARGEST_JOBS);
    require(options.jobs == 0 || streams_video(options));
    require(options.chunk.index >= 1 && options.chunk.index <= options.chunk.count &&
            options.chunk.count <= LARGEST_CHUNK_COUNT);
    require(!options.at.empty() || !options.sheet_path.empty() || !options.frames_dir.empty() ||
            !options.video_path.empty());
    require(options.at.empty() || !options.out_dir.empty());
    for (const CaptureTime& time : options.at) require(well_formed(time));
    require(well_formed(options.from) && well_formed(options.to));
}

void check_moments(const std::string& text) {
    CaptureTime time;
    if (parse_capture_time(text, time) == 1) require(well_formed(time) && time.text == text);
    std::vector<CaptureTime> times;
    if (parse_capture_times(text, times) == 1) {
        require(!times.empty());
        for (const CaptureTime& each : times) require(well_formed(each));
    }
}
}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // Refusals write a line each; the fuzzer and the sanitizers keep
    // writing to the real standard error.
    stderr = std::fopen("/dev/null", "w");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    std::vector<std::string> arguments;
    size_t from = 0;
    while (from <= input.size()) {
        size_t end = input.find('\n', from);
        if (end == std::string::npos) end = input.size();
        arguments.push_back(input.substr(from, end - from));
        from = end + 1;
    }
    check_options(arguments);
    for (const std::string& argument : arguments) check_moments(argument);
    return 0;
}
