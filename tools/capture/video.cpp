#include "tools/capture/video.h"

#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

extern char** environ;

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

int32_t encode_video(const std::string& ffmpeg, const std::string& frame_pattern, int64_t first_frame,
                     int32_t fps, const std::string& wav_path, const std::string& output) {
    const std::string rate = std::to_string(fps);
    const std::string start = std::to_string(first_frame);
    std::vector<std::string> arguments = {
        ffmpeg, "-nostdin", "-hide_banner", "-loglevel", "error", "-y",
        "-framerate", rate, "-start_number", start, "-i", frame_pattern,
        "-i", wav_path,
        // Even sizes and 4:2:0 colour, which every player takes.
        "-vf", "pad=ceil(iw/2)*2:ceil(ih/2)*2", "-c:v", "libx264", "-pix_fmt", "yuv420p",
        "-c:a", "aac", "-b:a", "192k", "-shortest", output};
    std::vector<char*> argv;
    for (std::string& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);
    pid_t pid = -1;
    const int spawned = posix_spawn(&pid, ffmpeg.c_str(), nullptr, nullptr, argv.data(), environ);
    if (spawned != 0) {
        std::fprintf(stderr, "morva-capture: cannot run %s: %s\n", ffmpeg.c_str(), std::strerror(spawned));
        return 0;
    }
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "morva-capture: ffmpeg could not make %s\n", output.c_str());
        return 0;
    }
    return 1;
}
