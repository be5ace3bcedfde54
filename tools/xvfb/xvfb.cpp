#include "tools/xvfb/xvfb.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <thread>

namespace {
constexpr int START_TIMEOUT_MS = 10000;
constexpr int STOP_TIMEOUT_MS = 5000;
constexpr int STOP_POLL_MS = 10;

// The display number Xvfb writes to the pipe once it accepts clients, or
// empty when it ends or does not say within the time.
std::string read_display_number(int pipe_in) {
    std::string number;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(START_TIMEOUT_MS);
    while (std::chrono::steady_clock::now() < deadline) {
        pollfd ready{pipe_in, POLLIN, 0};
        if (poll(&ready, 1, 100) <= 0) continue;
        char c = 0;
        if (read(pipe_in, &c, 1) != 1) break;  // Xvfb ended
        if (c == '\n') return number;
        number += c;
    }
    return {};
}
}  // namespace

pid_t spawn_quietly(const std::vector<std::string>& argv, const std::string& display,
                    bool own_process_group, bool die_with_caller) {
    // Everything the child needs is made before the fork: between fork and
    // exec it makes only system calls (and setenv, for a display).
    std::vector<char*> arguments;
    for (const std::string& argument : argv) arguments.push_back(const_cast<char*>(argument.c_str()));
    arguments.push_back(nullptr);
    const pid_t caller = getpid();
    const pid_t pid = fork();
    if (pid != 0) return pid;
    if (own_process_group) setpgid(0, 0);
    if (die_with_caller) {
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (getppid() != caller) _exit(127);  // the caller ended before the request
    }
    const int null_fd = open("/dev/null", O_RDWR);
    dup2(null_fd, STDIN_FILENO);
    dup2(null_fd, STDOUT_FILENO);
    dup2(null_fd, STDERR_FILENO);
    if (!display.empty()) setenv("DISPLAY", display.c_str(), 1);
    execvp(arguments[0], arguments.data());
    _exit(127);
}

void stop_process(pid_t pid) {
    if (pid <= 0) return;
    kill(pid, SIGTERM);
    for (int waited_ms = 0; waited_ms < STOP_TIMEOUT_MS; waited_ms += STOP_POLL_MS) {
        if (waitpid(pid, nullptr, WNOHANG) == pid) return;
        std::this_thread::sleep_for(std::chrono::milliseconds(STOP_POLL_MS));
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
}

XvfbProcess start_xvfb(const std::vector<std::string>& arguments, bool own_process_group,
                       bool die_with_caller) {
    XvfbProcess server;
    int ends[2] = {-1, -1};
    if (pipe(ends) != 0) return server;
    std::vector<std::string> command = {"Xvfb", "-displayfd", std::to_string(ends[1])};
    command.insert(command.end(), arguments.begin(), arguments.end());
    server.pid = spawn_quietly(command, "", own_process_group, die_with_caller);
    close(ends[1]);
    const std::string number = server.pid > 0 ? read_display_number(ends[0]) : std::string();
    close(ends[0]);
    if (number.empty()) {
        stop_xvfb(server);
        return server;
    }
    server.display = ":" + number;
    return server;
}

void stop_xvfb(XvfbProcess& server) {
    stop_process(server.pid);
    server.pid = -1;
    server.display.clear();
}
