#include "tools/capture/capture_options.h"

#include <cstdio>
#include <cstdlib>
#include <set>

#include "tools/capture/video.h"

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

// "K/N": part K of N.
bool read_chunk(const std::string& text, FrameChunk& out) {
    const size_t slash = text.find('/');
    FrameChunk chunk;
    if (slash == std::string::npos || !read_count(text.substr(slash + 1), 1, LARGEST_CHUNK_COUNT, chunk.count) ||
        !read_count(text.substr(0, slash), 1, chunk.count, chunk.index))
        return false;
    out = chunk;
    return true;
}

bool read_context(const std::string& text, ContextChoice& out) {
    if (text == "auto") out = ContextChoice::automatic;
    else if (text == "egl") out = ContextChoice::egl;
    else if (text == "xvfb") out = ContextChoice::xvfb;
    else return false;
    return true;
}

// The options that share out the drawing: how many processes draw, which
// part this one draws, and how many pixels make one.
bool is_parts_option(const std::string& option) {
    return option == "--jobs" || option == "--chunk" || option == "--supersample";
}

// Reads one of them; 0 after the line when its value is wrong.
int32_t read_parts_option(const std::string& option, const std::string& value, CaptureOptions& options) {
    if (option == "--jobs" && !read_count(value, 1, LARGEST_JOBS, options.jobs))
        return fail("--jobs takes a number of processes from 1 to 256, not '" + value + "'");
    if (option == "--supersample" && !read_count(value, 1, LARGEST_SUPERSAMPLE, options.supersample))
        return fail("--supersample takes a factor from 1 to 4, not '" + value + "'");
    if (option == "--chunk" && !read_chunk(value, options.chunk))
        return fail("--chunk takes K/N, part K of N (1 <= K <= N), not '" + value + "'");
    return 1;
}

// A video ffmpeg can make, told before anything is drawn.
int32_t check_video_name(const std::string& option, const std::string& path) {
    if (holds_capture_video(path)) return 1;
    return fail(option + " makes a " + CAPTURE_VIDEO_EXTENSIONS + " file, not '" + path + "'");
}

// --join OUT CHUNK...: the rest of the command line, after any other
// option; a join makes nothing else.
int32_t read_join(int argc, const char* const* argv, int at, const std::set<std::string>& seen,
                  CaptureOptions& options) {
    if (!seen.empty()) return fail("--join goes alone: give it only the video to make and its chunks");
    if (at + 2 >= argc) return fail("--join needs the video to make and at least one chunk");
    options.join_path = argv[at + 1];
    for (int i = at + 2; i < argc; ++i) options.join_inputs.emplace_back(argv[i]);
    for (const std::string& path : options.join_inputs)
        if (path.empty() || options.join_path.empty()) return fail("--join needs file names, not empty ones");
    return check_video_name("--join", options.join_path);
}

// Checks the options against each other once all are read.
int32_t check_together(const CaptureOptions& options, const std::set<std::string>& seen) {
    if (seen.count("--at") != 0 && options.out_dir.empty()) return fail("--at needs --out DIR for its pictures");
    if (seen.count("--out") != 0 && seen.count("--at") == 0) return fail("--out goes with --at");
    for (const char* option : {"--from", "--to", "--chunk"})
        if (seen.count(option) != 0 && options.frames_dir.empty() && options.video_path.empty())
            return fail(std::string(option) + " goes with --frames or --video");
    if (range_backwards(options.from, options.to, 0.0))
        return fail("--from " + options.from.text + " comes after --to " + options.to.text);
    if (!options.video_path.empty() && check_video_name("--video", options.video_path) != 1) return 0;
    const bool stills = !options.at.empty() || !options.sheet_path.empty();
    if (seen.count("--chunk") != 0 && stills) return fail("--chunk goes with --frames or --video alone");
    if (seen.count("--jobs") != 0 && (!streams_video(options) || stills))
        return fail("--jobs goes with --video alone, without --frames, --at or --sheet");
    if (options.width * options.supersample > LARGEST_SIDE || options.height * options.supersample > LARGEST_SIDE)
        return fail("--supersample " + std::to_string(options.supersample) + " would draw the frames larger than " +
                    std::to_string(LARGEST_SIDE) + " pixels a side");
    if (!stills && options.frames_dir.empty() && options.video_path.empty())
        return fail("nothing to make: give --at, --sheet, --frames or --video");
    return 1;
}
}  // namespace

int32_t parse_capture_options(int argc, const char* const* argv, CaptureOptions& out) {
    CaptureOptions options;
    options.from.kind = CaptureTime::Kind::seconds;
    options.from.text = "0";
    options.to.text = "end";
    for (int i = 1; i < argc; ++i) options.arguments.emplace_back(argv[i]);
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
        if (option == "--join") {
            if (read_join(argc, argv, i, seen, options) != 1) return 0;
            break;
        }
        static const std::set<std::string> known = {"--at", "--out", "--sheet", "--frames", "--fps", "--size",
                                                    "--context", "--from", "--to", "--video",
                                                    "--music", "--font", "--tracks", "--rows-per-pattern"};
        if (known.count(option) == 0 && !is_parts_option(option)) return fail("unknown option '" + option + "'");
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
        } else if (is_parts_option(option)) {
            if (read_parts_option(option, value, options) != 1) return 0;
        } else if (is_show_tracks_option(option)) {
            std::string why;
            if (set_show_tracks_option(options.files, option, value, why) != 1) return fail(why);
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
    if (!options.help && !options.version && options.join_path.empty() && check_together(options, seen) != 1)
        return 0;
    out = options;
    return 1;
}

bool streams_video(const CaptureOptions& options) {
    return !options.video_path.empty() && options.frames_dir.empty();
}

const char* capture_usage() {
    return "usage: morva-capture [OPTIONS] --at T[,T...] --out DIR | --sheet FILE.png | --frames DIR\n"
           "                     | --video FILE.mp4\n"
           "       morva-capture --join OUT.mp4 CHUNK.mp4...\n"
           "\n"
           "Draws the show at moments of the music, the same way every time, without a\n"
           "screen or a sound card.\n"
           "A moment T is seconds of music (12.5), a pattern (p30) or the end (end).\n"
           "\n"
           "  --at T[,T...] --out DIR  one PNG per moment: DIR/at-T.png\n"
           "  --sheet FILE.png         a contact sheet: a labelled frame in every act\n"
           "                           and at the key moments\n"
           "  --video FILE.mp4         the video with its music, the frames piped\n"
           "                           straight to ffmpeg (.mp4, .m4v, .mov or .mkv)\n"
           "    --jobs N               drawn by N processes at once, each a part of\n"
           "                           the frames (one per core)\n"
           "  --frames DIR             every frame as DIR/frame-NNNNNN.png, the music\n"
           "                           as DIR/track.wav, and an MP4 when ffmpeg is\n"
           "                           installed (DIR/morva.mp4, or --video's)\n"
           "    --from T, --to T       only the frames from T to T (both included)\n"
           "    --chunk K/N            only part K of N of those frames: a chunk to\n"
           "                           join with the others (--join)\n"
           "  --join OUT.mp4 CHUNK...  the chunks' videos joined into one, in order\n"
           "  --fps F                  frames a second of the show (30): the show moves\n"
           "                           on once per frame, as it does live\n"
           "  --size WxH               frame size in pixels (1920x1080), which plays\n"
           "                           the part of the screen\n"
           "  --supersample K          drawn at K times the size (1 to 4) and shrunk,\n"
           "                           for smooth edges (1)\n"
           "  --context auto|egl|xvfb  where OpenGL comes from: EGL without any X\n"
           "                           server, or a private Xvfb (auto: EGL first)\n"
           "  --music FILE             the track to draw the show to, of any length\n"
           "  --font FILE              the TrueType font of the credit lines\n"
           "  --tracks FILE.rocket | DIR/PREFIX  the sync editor's document or its\n"
           "                           player files, drawn as the show draws them\n"
           "  --rows-per-pattern N     the editor's rows in a pattern (8)\n"
           "  --help                   this text\n"
           "  --version                the version\n";
}
