#include "tests/support/child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {
// Failed assertions recorded in the current test when this process was
// forked: a child inherits its parent's results and judges only its own.
int failures_inherited = 0;

int failed_parts_of_current_test() {
    const testing::TestInfo* test = testing::UnitTest::GetInstance()->current_test_info();
    if (test == nullptr) return 0;
    const testing::TestResult* result = test->result();
    int failed = 0;
    for (int i = 0; i < result->total_part_count(); ++i)
        if (result->GetTestPartResult(i).failed()) ++failed;
    return failed;
}

struct Pipes {
    int out[2];
    int err[2];
};

Pipes open_pipes() {
    Pipes pipes{};
    if (pipe2(pipes.out, O_CLOEXEC) != 0 || pipe2(pipes.err, O_CLOEXEC) != 0) {
        std::perror("pipe");
        std::abort();
    }
    return pipes;
}

// In the child: standard output and error into the pipes, own process group.
void become_child(const Pipes& pipes, const std::vector<std::pair<std::string, std::string>>& env) {
    setpgid(0, 0);
    dup2(pipes.out[1], STDOUT_FILENO);
    dup2(pipes.err[1], STDERR_FILENO);
    for (int fd : {pipes.out[0], pipes.out[1], pipes.err[0], pipes.err[1]}) close(fd);
    for (const auto& [name, value] : env) {
        if (!name.empty() && name[0] == '-')
            unsetenv(name.c_str() + 1);
        else
            setenv(name.c_str(), value.c_str(), 1);
    }
}
}  // namespace

std::string ChildResult::describe() const {
    std::string text;
    if (timed_out)
        text = "child timed out";
    else if (exited)
        text = "child exited with status " + std::to_string(exit_code);
    else
        text = "child killed by signal " + std::to_string(signal);
    text += "\n--- standard output ---\n" + out + "\n--- standard error ---\n" + err;
    return text;
}

ChildProcess ChildProcess::fork_function(const std::function<void()>& body,
                                         const std::vector<std::pair<std::string, std::string>>& env) {
    std::fflush(stdout);
    std::fflush(stderr);
    const Pipes pipes = open_pipes();
    const pid_t pid = fork();
    if (pid == 0) {
        failures_inherited = failed_parts_of_current_test();
        become_child(pipes, env);
        body();
        finish_child();
    }
    close(pipes.out[1]);
    close(pipes.err[1]);
    setpgid(pid, pid);
    return ChildProcess(pid, pipes.out[0], pipes.err[0]);
}

ChildProcess ChildProcess::spawn_program(const std::vector<std::string>& argv,
                                         const std::vector<std::pair<std::string, std::string>>& env,
                                         const std::string& working_directory) {
    std::fflush(stdout);
    std::fflush(stderr);
    const Pipes pipes = open_pipes();
    const pid_t pid = fork();
    if (pid == 0) {
        become_child(pipes, env);
        if (!working_directory.empty() && chdir(working_directory.c_str()) != 0) _exit(126);
        std::vector<char*> arguments;
        for (const std::string& argument : argv) arguments.push_back(const_cast<char*>(argument.c_str()));
        arguments.push_back(nullptr);
        execv(arguments[0], arguments.data());
        std::fprintf(stderr, "cannot execute %s: %s\n", arguments[0], std::strerror(errno));
        _exit(127);
    }
    close(pipes.out[1]);
    close(pipes.err[1]);
    setpgid(pid, pid);
    return ChildProcess(pid, pipes.out[0], pipes.err[0]);
}

ChildProcess::ChildProcess(ChildProcess&& other) noexcept
    : pid_(other.pid_), out_fd_(other.out_fd_), err_fd_(other.err_fd_), result_(std::move(other.result_)) {
    other.pid_ = -1;
    other.out_fd_ = other.err_fd_ = -1;
}

ChildProcess::~ChildProcess() {
    if (pid_ > 0) {
        kill_group();
        waitpid(pid_, nullptr, 0);
    }
    if (out_fd_ >= 0) close(out_fd_);
    if (err_fd_ >= 0) close(err_fd_);
}

void ChildProcess::kill_group() {
    kill(-pid_, SIGKILL);
    kill(pid_, SIGKILL);
}

// Reads output until both pipes close or the deadline passes; true when both closed.
bool ChildProcess::drain(std::chrono::steady_clock::time_point deadline) {
    while (out_fd_ >= 0 || err_fd_ >= 0) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) return false;
        pollfd fds[2] = {{out_fd_, POLLIN, 0}, {err_fd_, POLLIN, 0}};
        if (poll(fds, 2, static_cast<int>(left.count())) <= 0) continue;
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || fds[i].revents == 0) continue;
            char buffer[4096];
            const ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
            std::string& sink = i == 0 ? result_.out : result_.err;
            if (n > 0) {
                sink.append(buffer, static_cast<size_t>(n));
            } else {
                close(fds[i].fd);
                (i == 0 ? out_fd_ : err_fd_) = -1;
            }
        }
    }
    return true;
}

void ChildProcess::read_output_for(std::chrono::milliseconds duration) {
    drain(std::chrono::steady_clock::now() + duration);
}

ChildResult ChildProcess::wait(std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    bool ended = drain(deadline);
    int status = 0;
    while (ended) {
        const pid_t done = waitpid(pid_, &status, WNOHANG);
        if (done == pid_) break;
        if (std::chrono::steady_clock::now() >= deadline) {
            ended = false;
            break;
        }
        usleep(10000);
    }
    if (!ended) {
        result_.timed_out = true;
        kill_group();
        waitpid(pid_, &status, 0);
        drain(std::chrono::steady_clock::now() + std::chrono::milliseconds(200));
    }
    pid_ = -1;
    result_.exited = WIFEXITED(status);
    result_.exit_code = result_.exited ? WEXITSTATUS(status) : -1;
    result_.signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
    return result_;
}

bool child_has_failed() { return failed_parts_of_current_test() > failures_inherited; }

void finish_child() {
    const bool failed = child_has_failed();
    std::fflush(stdout);
    std::fflush(stderr);
    _exit(failed ? 1 : 0);
}

std::vector<std::pair<std::string, std::string>> drawing_program_environment() {
#if defined(__SANITIZE_ADDRESS__)
    return {{"ASAN_OPTIONS", "detect_leaks=0:fast_unwind_on_malloc=1"}};
#else
    return {};
#endif
}
