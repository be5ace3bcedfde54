#pragma once

#include <sys/types.h>

#include <chrono>
#include <functional>
#include <string>
#include <utility>
#include <vector>

// What a finished child left behind.
struct ChildResult {
    int exit_code = -1;   // valid when exited
    int signal = 0;       // the signal that ended it, or 0
    bool exited = false;  // ended through exit / _exit
    bool timed_out = false;
    std::string out;  // everything it wrote to standard output
    std::string err;  // everything it wrote to standard error

    bool succeeded() const { return exited && exit_code == 0 && !timed_out; }
    // A readable account for failure messages.
    std::string describe() const;
};

// A child process in its own process group, with its standard output and
// error captured. The destructor kills it if it is still running.
class ChildProcess {
public:
    // Runs body in a forked child. The child ends with status 0 when body
    // returns without a failed test assertion, else 1 (see finish_child).
    static ChildProcess fork_function(const std::function<void()>& body,
                                      const std::vector<std::pair<std::string, std::string>>& env = {});
    // Executes a program; env entries are set in (or, with an empty value
    // and name prefixed by '-', removed from) the inherited environment.
    static ChildProcess spawn_program(const std::vector<std::string>& argv,
                                      const std::vector<std::pair<std::string, std::string>>& env = {},
                                      const std::string& working_directory = {});

    ChildProcess(ChildProcess&& other) noexcept;
    ChildProcess& operator=(ChildProcess&&) = delete;
    ChildProcess(const ChildProcess&) = delete;
    ~ChildProcess();

    pid_t pid() const { return pid_; }
    // Reads whatever output arrives within the given time.
    void read_output_for(std::chrono::milliseconds duration);
    const std::string& out_so_far() const { return result_.out; }
    const std::string& err_so_far() const { return result_.err; }
    // Waits for the child to end, reading its output; kills it after the timeout.
    ChildResult wait(std::chrono::milliseconds timeout);

private:
    ChildProcess(pid_t pid, int out_fd, int err_fd) : pid_(pid), out_fd_(out_fd), err_fd_(err_fd) {}
    bool drain(std::chrono::steady_clock::time_point deadline);
    void kill_group();

    pid_t pid_ = -1;
    int out_fd_ = -1;
    int err_fd_ = -1;
    ChildResult result_;
};

// Ends a forked test child at once: status 1 if an assertion failed in it
// (failures its parent had recorded before the fork do not count), else 0.
[[noreturn]] void finish_child();

// True once an assertion has failed in this forked child.
bool child_has_failed();

// The environment a program that draws with Mesa (morva, morva-capture, an
// example) needs under the sanitizers; nothing in the normal build. Full
// stacks hang once llvmpipe compiles its first shader (see
// sanitizer_options.cpp), and with short stacks the few blocks Mesa's driver
// leaves at exit cannot be told from ours, so such a program is not
// leak-checked at its exit; the pieces that need no OpenGL are, in the unit
// tests.
std::vector<std::pair<std::string, std::string>> drawing_program_environment();
