#include "tools/capture/capture_options.h"

#include <cstdio>
#include <cstdlib>
#include <set>

namespace {
int32_t fail(const std::string& message) {
    std::fprintf(stderr, "morva-capture: %s (morva-capture --help lists the options)\n", message.c_str());
    return 0;
}

// A whole number within the limits, digits only.
bool read_count(const std::string& text, int32_t smallest, int32_t largest, int32_t& out) {
    if (text.empty() || text.size() > 9) return false;
    for (char c : text)
        if (c < '0' || c > '9') return false;
    const long value = std::strtol(text.c_str(), nullptr, 10);
    if (value < smallest || value > largest) return false;
    out = static_cast<int32_t>(value);
    return true;
}

bool read_size(const std::string& text, int32_t& width, int32_t& height) {
    const size_t x = text.find('x');
    return x != std::string::npos && read_count(text.substr(0, x), SMALLEST_SIDE, LARGEST_SIDE, width) &&
           read_count(text.substr(x + 1), SMALLEST_SIDE, LARGEST_SIDE, height);
}

bool read_context(const std::string& text, ContextChoice& out) {
    if (text == "auto") out = ContextChoice::automatic;
    else if (text == "egl") out = ContextChoice::egl;
    else if (text == "xvfb") out = ContextChoice::xvfb;
    else return false;
    return true;
}

// Checks the options against each other once all are read.
int32_t check_together(const CaptureOptions& options, const std::set<std::string>& seen) {
    if (seen.count("--at") != 0 && options.out_dir.empty()) return fail("--at needs --out DIR for its pictures");
    if (seen.count("--out") != 0 && seen.count("--at") == 0) return fail("--out goes with --at");
    for (const char* option : {"--from", "--to", "--video"})
        if (seen.count(option) != 0 && options.frames_dir.empty())
            return fail(std::string(option) + " goes with --frames");
    if (options.at.empty() && options.sheet_path.empty() && options.frames_dir.empty())
        return fail("nothing to make: give --at, --sheet or --frames");
    return 1;
}
}  // namespace

int32_t parse_capture_options(int argc, const char* const* argv, CaptureOptions& out) {
    CaptureOptions options;
    options.from.kind = CaptureTime::Kind::seconds;
    options.from.text = "0";
    options.to.text = "end";
    options.files = find_show_files();
    std::set<std::string> seen;
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        if (option == "--help" || option == "-h") {
            options.help = true;
            continue;
        }
        if (option == "--version") {
            options.version = true;
            continue;
        }
        static const std::set<std::string> known = {"--at", "--out", "--sheet", "--frames", "--fps", "--size",
                                                    "--context", "--from", "--to", "--video",
                                                    "--music", "--font"};
        if (known.count(option) == 0) return fail("unknown option '" + option + "'");
        if (!seen.insert(option).second) return fail(option + " is given twice");
        if (i + 1 >= argc) return fail(option + " needs a value");
        const std::string value = argv[++i];
        bool valid = true;
        if (option == "--at") {
            if (parse_capture_times(value, options.at) != 1) return 0;
        } else if (option == "--from" || option == "--to") {
            if (parse_capture_time(value, option == "--from" ? options.from : options.to) != 1) return 0;
        } else if (option == "--fps") {
            valid = read_count(value, 1, LARGEST_FPS, options.fps);
            if (!valid) return fail("--fps takes a whole number of frames a second from 1 to 240, not '" + value + "'");
        } else if (option == "--size") {
            valid = read_size(value, options.width, options.height);
            if (!valid) return fail("--size takes WIDTHxHEIGHT in pixels, each from 16 to 8192, not '" + value + "'");
        } else if (option == "--context") {
            if (!read_context(value, options.context)) return fail("--context takes auto, egl or xvfb, not '" + value + "'");
        } else if (value.empty()) {
            return fail(option + " needs a file or folder name");
        } else if (option == "--out") {
            options.out_dir = value;
        } else if (option == "--sheet") {
            options.sheet_path = value;
        } else if (option == "--frames") {
            options.frames_dir = value;
        } else if (option == "--video") {
            options.video_path = value;
        } else if (is_show_file_option(option)) {
            set_show_file(options.files, option, value);
        }
    }
    if (!options.help && !options.version && check_together(options, seen) != 1) return 0;
    out = options;
    return 1;
}

const char* capture_usage() {
    return "usage: morva-capture [OPTIONS] --at T[,T...] --out DIR | --sheet FILE.png | --frames DIR\n"
           "\n"
           "Draws the show at moments of the music, the same way every time, without a\n"
           "screen or a sound card.\n"
           "A moment T is seconds of music (12.5), a pattern (p30) or the end (end).\n"
           "\n"
           "  --at T[,T...] --out DIR  one PNG per moment: DIR/at-T.png\n"
           "  --sheet FILE.png         a contact sheet: a labelled frame in every act\n"
           "                           and at the key moments\n"
           "  --frames DIR             every frame as DIR/frame-NNNNNN.png, the music\n"
           "                           as DIR/track.wav, and an MP4 when ffmpeg is\n"
           "                           installed\n"
           "    --from T, --to T       only the frames from T to T (both included)\n"
           "    --video FILE.mp4       where the MP4 goes (DIR/morva.mp4)\n"
           "  --fps F                  frames a second of the show (30): the show moves\n"
           "                           on once per frame, as it does live\n"
           "  --size WxH               frame size in pixels (1920x1080), which plays\n"
           "                           the part of the screen\n"
           "  --context auto|egl|xvfb  where OpenGL comes from: EGL without any X\n"
           "                           server, or a private Xvfb (auto: EGL first)\n"
           "  --music FILE             the track to draw the show to, of any length\n"
           "  --font FILE              the TrueType font of the credit lines\n"
           "  --help                   this text\n"
           "  --version                the version\n";
}
