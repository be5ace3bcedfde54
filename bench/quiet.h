#pragma once

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>

// Sends standard output and error to /dev/null while it lives: the show
// reports to both, and that stays out of the figures.
class Quiet {
public:
    Quiet() : saved_out_(dup(STDOUT_FILENO)), saved_err_(dup(STDERR_FILENO)) {
        std::fflush(stdout);
        const int null_fd = open("/dev/null", O_WRONLY);
        dup2(null_fd, STDOUT_FILENO);
        dup2(null_fd, STDERR_FILENO);
        close(null_fd);
    }
    ~Quiet() {
        std::fflush(stdout);
        dup2(saved_out_, STDOUT_FILENO);
        dup2(saved_err_, STDERR_FILENO);
        close(saved_out_);
        close(saved_err_);
    }
    Quiet(const Quiet&) = delete;
    Quiet& operator=(const Quiet&) = delete;

private:
    int saved_out_, saved_err_;
};
