#include "tools/capture/video.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>

extern char** environ;

namespace {
// x264's "veryfast" preset at a constant quality of 20: see the README's
// capture section for the measurements behind the choice.
constexpr const char* PICTURE_PRESET = "veryfast";
constexpr const char* PICTURE_QUALITY = "20";

// The sound of a video by its use.
std::vector<std::string> sound_encoding(VideoUse use) {
    if (use == VideoUse::chunk) return {"-c:a", "alac"};
    // The index at the front, so that a player can start before the
    // whole file has arrived.
    return {"-c:a", "aac", "-b:a", "192k", "-movflags", "+faststart"};
}

std::vector<std::string> ffmpeg_command(const std::string& ffmpeg) {
    return {ffmpeg, "-nostdin", "-hide_banner", "-loglevel", "error", "-y"};
}

void append(std::vector<std::string>& to, const std::vector<std::string>& more) {
    to.insert(to.end(), more.begin(), more.end());
}

// The encoder's settings for the picture, the same for every video.
std::vector<std::string> picture_encoding() {
    // Even sizes and 4:2:0 colour, which every player takes.
    return {"-vf", "pad=ceil(iw/2)*2:ceil(ih/2)*2", "-c:v", "libx264", "-preset", PICTURE_PRESET,
            "-crf", PICTURE_QUALITY, "-pix_fmt", "yuv420p"};
}

// Runs ffmpeg with the arguments and `output` last, through its partial
// file, which becomes `output` only when ffmpeg succeeds.
int32_t make_with_ffmpeg(std::vector<std::string> arguments, const std::string& output) {
    const std::string partial = partial_path(output, "partial", extension_of(output));
    arguments.push_back(partial);
    const pid_t pid = start_ffmpeg(arguments, nullptr);
    if (pid < 0 || wait_for_ffmpeg(pid, output) != 1) {
        unlink(partial.c_str());
        return 0;
    }
    if (std::rename(partial.c_str(), output.c_str()) != 0) {
        std::fprintf(stderr, "morva-capture: cannot write %s: %s\n", output.c_str(), std::strerror(errno));
        unlink(partial.c_str());
        return 0;
    }
    return 1;
}

// The concat demuxer's list: one line per file, quoted.
int32_t write_join_list(const std::string& list, const std::vector<std::string>& chunks) {
    std::ofstream out(list);
    for (const std::string& chunk : chunks) {
        std::string quoted;
        for (char c : std::filesystem::absolute(chunk).string()) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
        out << "file '" << quoted << "'\n";
    }
    out.close();
    if (out) return 1;
    std::fprintf(stderr, "morva-capture: cannot write %s\n", list.c_str());
    return 0;
}
}  // namespace

std::string find_program(const std::string& name) {
    const char* path = std::getenv("PATH");
    if (path == nullptr || name.empty()) return {};
    const std::string directories = path;
    size_t from = 0;
    while (from <= directories.size()) {
        size_t colon = directories.find(':', from);
        if (colon == std::string::npos) colon = directories.size();
        const std::string directory = directories.substr(from, colon - from);
        const std::string candidate = (directory.empty() ? std::string(".") : directory) + "/" + name;
        struct stat status {};
        if (stat(candidate.c_str(), &status) == 0 && S_ISREG(status.st_mode) && access(candidate.c_str(), X_OK) == 0)
            return candidate;
        from = colon + 1;
    }
    return {};
}

std::string partial_path(const std::string& path, const std::string& role, const std::string& extension) {
    const std::filesystem::path file(path);
    std::string name = "." + file.filename().string() + "." + role + "-" + std::to_string(getpid());
    if (!extension.empty()) name += "." + extension;
    return (file.parent_path() / name).string();
}

std::string extension_of(const std::string& path) {
    const std::string extension = std::filesystem::path(path).extension().string();
    return extension.empty() ? extension : extension.substr(1);
}

bool holds_capture_video(const std::string& path) {
    std::string extension = extension_of(path);
    for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return extension == "mp4" || extension == "m4v" || extension == "mov" || extension == "mkv";
}

std::vector<std::string> raw_frames_command(const std::string& ffmpeg, int32_t width, int32_t height, int32_t fps,
                                            const std::string& output) {
    std::vector<std::string> arguments = ffmpeg_command(ffmpeg);
    append(arguments, {"-f", "rawvideo", "-pix_fmt", "rgb24", "-s",
                       std::to_string(width) + "x" + std::to_string(height), "-r", std::to_string(fps), "-i", "-"});
    append(arguments, picture_encoding());
    append(arguments, {"-an", output});
    return arguments;
}

int32_t encode_video(const std::string& ffmpeg, const std::string& frame_pattern, int64_t first_frame,
                     int32_t fps, const std::string& wav_path, const std::string& output) {
    std::vector<std::string> arguments = ffmpeg_command(ffmpeg);
    append(arguments, {"-framerate", std::to_string(fps), "-start_number", std::to_string(first_frame), "-i",
                       frame_pattern, "-i", wav_path});
    append(arguments, picture_encoding());
    append(arguments, sound_encoding(VideoUse::watch));
    arguments.push_back("-shortest");
    return make_with_ffmpeg(arguments, output);
}

int32_t add_music(const std::string& ffmpeg, const std::string& picture, const std::string& wav_path,
                  const std::string& output, VideoUse use) {
    std::vector<std::string> arguments = ffmpeg_command(ffmpeg);
    append(arguments, {"-i", picture, "-i", wav_path, "-map", "0:v", "-map", "1:a", "-c:v", "copy"});
    append(arguments, sound_encoding(use));
    return make_with_ffmpeg(arguments, output);
}

int32_t join_videos(const std::string& ffmpeg, const std::vector<std::string>& chunks, const std::string& output,
                    VideoUse use) {
    const std::string list = partial_path(output, "chunks", "txt");
    int32_t joined = write_join_list(list, chunks);
    if (joined == 1) {
        std::vector<std::string> arguments = ffmpeg_command(ffmpeg);
        append(arguments, {"-f", "concat", "-safe", "0", "-i", list, "-map", "0:v", "-map", "0:a", "-c:v", "copy"});
        append(arguments, sound_encoding(use));
        joined = make_with_ffmpeg(arguments, output);
    }
    unlink(list.c_str());
    return joined;
}

pid_t start_ffmpeg(const std::vector<std::string>& arguments, int* input) {
    std::vector<char*> argv;
    for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    int ends[2] = {-1, -1};
    if (input != nullptr && pipe2(ends, O_CLOEXEC) != 0) {
        std::fprintf(stderr, "morva-capture: cannot make a pipe to ffmpeg: %s\n", std::strerror(errno));
        return -1;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (input != nullptr) posix_spawn_file_actions_adddup2(&actions, ends[0], STDIN_FILENO);
    else posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    pid_t pid = -1;
    const int spawned = posix_spawn(&pid, arguments[0].c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (input != nullptr) close(ends[0]);
    if (spawned != 0) {
        std::fprintf(stderr, "morva-capture: cannot run %s: %s\n", arguments[0].c_str(), std::strerror(spawned));
        if (input != nullptr) close(ends[1]);
        return -1;
    }
    if (input != nullptr) *input = ends[1];
    return pid;
}

int32_t wait_for_ffmpeg(pid_t pid, const std::string& output) {
    int status = 0;
    pid_t waited = -1;
    while ((waited = waitpid(pid, &status, 0)) < 0 && errno == EINTR) {
    }
    // Without its status (reaped behind our back) nothing says ffmpeg made the file.
    if (waited != pid) {
        std::fprintf(stderr, "morva-capture: cannot tell how ffmpeg ended making %s: %s\n", output.c_str(),
                     std::strerror(errno));
        return 0;
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "morva-capture: ffmpeg could not make %s\n", output.c_str());
        return 0;
    }
    return 1;
}
