#include "tools/capture/capture_jobs.h"

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <vector>

#include "tools/capture/capture_options.h"
#include "tools/capture/capture_run.h"
#include "tools/capture/progress_bar.h"
#include "tools/capture/video.h"

extern char** environ;

namespace {
// The descriptor a part reports its progress on.
constexpr int REPORT_FD = 3;
constexpr int POLL_MS = 100;

volatile std::sig_atomic_t interrupted = 0;
void note_interrupt(int signal) { interrupted = signal; }

// One process drawing a part, and what it has said on standard error.
struct Part {
    pid_t pid = -1;
    int err = -1;  // the read end of its standard error
    std::string said;
    std::string chunk_path;
    int status = 0;
    int wait_error = 0;  // errno when its status could not be read
    bool running = false;
};

// A pipe whose ends lie above the standard descriptors and REPORT_FD, so
// that they can be moved there in a child, and are closed in children
// otherwise.
bool open_pipe(int ends[2]) {
    int made[2] = {-1, -1};
    if (pipe2(made, O_CLOEXEC) != 0) return false;
    for (int i = 0; i < 2; ++i) {
        ends[i] = fcntl(made[i], F_DUPFD_CLOEXEC, 10);
        close(made[i]);
    }
    return ends[0] >= 0 && ends[1] >= 0;
}

// The command line of part `chunk`: this run's own, with the video, the
// chunk and the number of jobs replaced.
std::vector<std::string> part_command(const CaptureOptions& options, const std::string& chunk_path,
                                      const FrameChunk& chunk) {
    std::array<char, 4096> self{};
    const ssize_t length = readlink("/proc/self/exe", self.data(), self.size() - 1);
    std::vector<std::string> command = {length > 0 ? std::string(self.data(), static_cast<size_t>(length))
                                                   : std::string("morva-capture")};
    const std::vector<std::string>& given = options.arguments;
    for (size_t i = 0; i < given.size(); ++i) {
        if (given[i] == "--video" || given[i] == "--chunk" || given[i] == "--jobs") {
            ++i;  // and its value
            continue;
        }
        command.push_back(given[i]);
    }
    for (const std::string& argument : {std::string("--video"), chunk_path, std::string("--chunk"),
                                        chunk_text(chunk), std::string("--jobs"), std::string("1")})
        command.push_back(argument);
    return command;
}

std::vector<std::string> part_environment() {
    std::vector<std::string> environment;
    const std::string name = std::string(CAPTURE_REPORT_FD_VARIABLE) + "=";
    for (char** entry = environ; *entry != nullptr; ++entry)
        if (std::strncmp(*entry, name.c_str(), name.size()) != 0) environment.emplace_back(*entry);
    environment.push_back(name + std::to_string(REPORT_FD));
    return environment;
}

bool start_part(Part& part, const std::vector<std::string>& command, const std::vector<std::string>& environment,
                int report) {
    int err[2] = {-1, -1};
    if (!open_pipe(err)) return false;
    std::vector<char*> argv, envp;
    for (const std::string& argument : command) argv.push_back(const_cast<char*>(argument.c_str()));
    for (const std::string& entry : environment) envp.push_back(const_cast<char*>(entry.c_str()));
    argv.push_back(nullptr);
    envp.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    // What the show prints as it opens (its glyph art) once per part would
    // only repeat itself.
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, err[1], STDERR_FILENO);
    posix_spawn_file_actions_adddup2(&actions, report, REPORT_FD);
    const int spawned = posix_spawn(&part.pid, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    close(err[1]);
    if (spawned != 0) {
        close(err[0]);
        std::fprintf(stderr, "morva-capture: cannot run %s: %s\n", argv[0], std::strerror(spawned));
        return false;
    }
    fcntl(err[0], F_SETFL, O_NONBLOCK);
    part.err = err[0];
    part.running = true;
    return true;
}

// Appends whatever waits in a non-blocking descriptor; false at its end.
bool read_waiting(int fd, std::string& into) {
    std::array<char, 4096> buffer{};
    while (true) {
        const ssize_t got = read(fd, buffer.data(), buffer.size());
        if (got > 0) {
            into.append(buffer.data(), static_cast<size_t>(got));
            continue;
        }
        return got < 0 && (errno == EAGAIN || errno == EINTR);
    }
}

// The progress of all parts, from their reports, on one bar.
struct Progress {
    ProgressBar bar;
    std::string pending;
    int64_t total = 0;
    int64_t done = 0;
    int32_t totals_heard = 0;
    int32_t parts = 0;

    void take(int fd) {
        read_waiting(fd, pending);
        for (size_t end = pending.find('\n'); end != std::string::npos; end = pending.find('\n')) {
            int64_t more_total = 0, more_done = 0;
            if (ProgressBar::read_report(pending.substr(0, end), more_total, more_done)) {
                if (more_done == 0) ++totals_heard;
                total += more_total;
                done += more_done;
            }
            pending.erase(0, end + 1);
        }
        // Shown once every part has said how much it has to draw.
        if (totals_heard < parts) return;
        bar.set_total(total);
        bar.update(done);
    }
};

// Ends the parts still running and waits for them.
void stop_parts(std::vector<Part>& parts) {
    for (Part& part : parts)
        if (part.running) kill(part.pid, SIGTERM);
    for (Part& part : parts) {
        if (part.running) waitpid(part.pid, &part.status, 0);
        part.running = false;
    }
}

// Notes the parts that have ended; the first that failed, if any.
Part* collect_ended(std::vector<Part>& parts) {
    Part* failed = nullptr;
    for (Part& part : parts) {
        if (!part.running) continue;
        const pid_t ended = waitpid(part.pid, &part.status, WNOHANG);
        if (ended == 0 || (ended < 0 && errno == EINTR)) continue;
        // A status that cannot be read (the part reaped by someone else)
        // ends the part as a failure: nothing says it drew its chunk.
        if (ended < 0) part.wait_error = errno;
        part.running = false;
        read_waiting(part.err, part.said);
        const bool succeeded = part.wait_error == 0 && WIFEXITED(part.status) && WEXITSTATUS(part.status) == 0;
        if (!succeeded && failed == nullptr) failed = &part;
    }
    return failed;
}

// What a failed part leaves the whole run: its own account and status.
int report_failure(const Part& part, const FrameChunk& chunk) {
    std::fputs(part.said.c_str(), stderr);
    if (part.wait_error != 0) {
        std::fprintf(stderr, "morva-capture: cannot tell how the process drawing chunk %s ended: %s\n",
                     chunk_text(chunk).c_str(), std::strerror(part.wait_error));
        return CAPTURE_FAILED;
    }
    if (WIFEXITED(part.status)) return WEXITSTATUS(part.status);
    if (part.said.empty())
        std::fprintf(stderr, "morva-capture: the process drawing chunk %s ended with signal %d\n",
                     chunk_text(chunk).c_str(), WTERMSIG(part.status));
    return CAPTURE_FAILED;
}

// Waits for every part while showing their progress; 0 when all
// succeeded, else the exit status, after the failed part's account.
int wait_for_parts(std::vector<Part>& parts, const std::vector<FrameChunk>& chunks, Progress& progress,
                   int report) {
    while (std::any_of(parts.begin(), parts.end(), [](const Part& part) { return part.running; })) {
        std::vector<pollfd> ready = {{report, POLLIN, 0}};
        for (const Part& part : parts)
            if (part.running) ready.push_back({part.err, POLLIN, 0});
        poll(ready.data(), ready.size(), POLL_MS);
        progress.take(report);
        for (Part& part : parts)
            if (part.running) read_waiting(part.err, part.said);
        if (interrupted != 0) {
            stop_parts(parts);
            return 128 + interrupted;
        }
        if (Part* failed = collect_ended(parts)) {
            stop_parts(parts);
            return report_failure(*failed, chunks[static_cast<size_t>(failed - parts.data())]);
        }
    }
    progress.take(report);
    return 0;
}

// Draws the parts into the folder and joins their chunks into the video.
int draw_and_join(const CaptureOptions& options, int32_t jobs, const std::string& ffmpeg, const std::string& folder) {
    int report[2] = {-1, -1};
    if (!open_pipe(report)) {
        std::fprintf(stderr, "morva-capture: cannot make a pipe: %s\n", std::strerror(errno));
        return CAPTURE_FAILED;
    }
    fcntl(report[0], F_SETFL, O_NONBLOCK);
    const ProgressBar::Output output =
        isatty(STDERR_FILENO) == 1 ? ProgressBar::Output::terminal : ProgressBar::Output::lines;
    Progress progress{ProgressBar(0, output), {}, 0, 0, 0, jobs};
    std::vector<Part> parts(static_cast<size_t>(jobs));
    std::vector<FrameChunk> chunks;
    const std::vector<std::string> environment = part_environment();
    int status = 0;
    for (int32_t k = 1; k <= jobs && status == 0; ++k) {
        Part& part = parts[static_cast<size_t>(k - 1)];
        chunks.push_back(chunk_part(options.chunk, k, jobs));
        const std::string extension = extension_of(options.video_path);
        part.chunk_path = folder + "/part-" + std::to_string(k) + (extension.empty() ? "" : "." + extension);
        if (!start_part(part, part_command(options, part.chunk_path, chunks.back()), environment, report[1]))
            status = CAPTURE_FAILED;
    }
    close(report[1]);
    if (status != 0) stop_parts(parts);
    else status = wait_for_parts(parts, chunks, progress, report[0]);
    close(report[0]);
    for (const Part& part : parts)
        if (part.err >= 0) close(part.err);
    if (status != 0) return status;
    progress.bar.finish();
    std::vector<std::string> drawn;
    for (const Part& part : parts)
        if (std::filesystem::exists(part.chunk_path)) drawn.push_back(part.chunk_path);
    const VideoUse use = options.chunk.count > 1 ? VideoUse::chunk : VideoUse::watch;
    if (join_videos(ffmpeg, drawn, options.video_path, use) != 1) return CAPTURE_FAILED;
    std::fprintf(stderr, "morva-capture: video written to %s\n", options.video_path.c_str());
    return CAPTURE_OK;
}
}  // namespace

int32_t capture_jobs(const CaptureOptions& options) {
    if (!streams_video(options) || !options.at.empty() || !options.sheet_path.empty()) return 1;
    int32_t jobs = options.jobs;
    if (jobs <= 0) jobs = static_cast<int32_t>(std::clamp<long>(sysconf(_SC_NPROCESSORS_ONLN), 1, LARGEST_JOBS));
    return std::max(1, std::min(jobs, LARGEST_CHUNK_COUNT / options.chunk.count));
}

int capture_in_parts(const CaptureOptions& options, int32_t jobs, const std::string& ffmpeg) {
    const std::string folder = partial_path(options.video_path, "chunks", "");
    std::error_code error;
    if (!std::filesystem::create_directory(folder, error)) {
        std::fprintf(stderr, "morva-capture: cannot make %s: %s\n", folder.c_str(), error.message().c_str());
        return CAPTURE_FAILED;
    }
    std::fprintf(stderr, "morva-capture: drawing off screen in %d processes at once\n", jobs);
    struct sigaction quit {}, before_int{}, before_term{};
    quit.sa_handler = note_interrupt;
    sigaction(SIGINT, &quit, &before_int);
    sigaction(SIGTERM, &quit, &before_term);
    const int status = draw_and_join(options, jobs, ffmpeg, folder);
    std::filesystem::remove_all(folder, error);
    sigaction(SIGINT, &before_int, nullptr);
    sigaction(SIGTERM, &before_term, nullptr);
    return status;
}
