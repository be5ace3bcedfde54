#include "tests/support/x_server.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/x11.h"

namespace {
constexpr int START_TIMEOUT_MS = 10000;

pid_t spawn_quietly(const std::vector<std::string>& argv, const std::string& display) {
    const pid_t pid = fork();
    if (pid != 0) return pid;
    setpgid(0, 0);
    const int null_fd = open("/dev/null", O_RDWR);
    dup2(null_fd, STDIN_FILENO);
    dup2(null_fd, STDOUT_FILENO);
    dup2(null_fd, STDERR_FILENO);
    if (!display.empty()) setenv("DISPLAY", display.c_str(), 1);
    std::vector<char*> arguments;
    for (const std::string& argument : argv) arguments.push_back(const_cast<char*>(argument.c_str()));
    arguments.push_back(nullptr);
    execvp(arguments[0], arguments.data());
    _exit(127);
}

void stop(pid_t pid) {
    if (pid <= 0) return;
    kill(pid, SIGTERM);
    for (int i = 0; i < 200; ++i) {
        if (waitpid(pid, nullptr, WNOHANG) == pid) return;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
}

// Reads the display number Xvfb writes when it is ready to accept clients.
std::string read_display_number(int fd) {
    std::string number;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(START_TIMEOUT_MS);
    while (std::chrono::steady_clock::now() < deadline) {
        pollfd ready{fd, POLLIN, 0};
        if (poll(&ready, 1, 100) <= 0) continue;
        char c = 0;
        if (read(fd, &c, 1) != 1) break;
        if (c == '\n') return number;
        number += c;
    }
    return {};
}

// Reads one property of the root window as 32-bit items.
std::vector<long> root_property(Display* connection, const char* name) {
    std::vector<long> items;
    const Atom property = XInternAtom(connection, name, 1);
    if (property == 0) return items;
    Atom type = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    XGetWindowProperty(connection, DefaultRootWindow(connection), property, 0, 1024, 0,
                       AnyPropertyType, &type, &format, &count, &after, &data);
    if (data != nullptr && format == 32) {
        const long* values = reinterpret_cast<const long*>(data);
        items.assign(values, values + count);
    }
    if (data != nullptr) XFree(data);
    return items;
}

// True once a window manager has announced itself on the root window and
// says it supports full-screen windows (freeglut looks for that when it
// starts, and falls back to moving the window itself otherwise).
bool window_manager_ready(const std::string& display) {
    Display* connection = XOpenDisplay(display.c_str());
    if (connection == nullptr) return false;
    const Atom fullscreen = XInternAtom(connection, "_NET_WM_STATE_FULLSCREEN", 0);
    const std::vector<long> supported = root_property(connection, "_NET_SUPPORTED");
    const bool ready = !root_property(connection, "_NET_SUPPORTING_WM_CHECK").empty() &&
                       std::find(supported.begin(), supported.end(), static_cast<long>(fullscreen)) !=
                           supported.end();
    XCloseDisplay(connection);
    return ready;
}
// Xvfb -displayfd picks the first free display number, but two servers
// starting at the same moment can race for one and leave a number nobody
// can connect to. Test programs running side by side therefore start their
// servers one at a time, under a lock file they all share.
class StartLock {
public:
    StartLock() : fd_(open("/tmp/morva-test-xserver.lock", O_CREAT | O_RDWR | O_CLOEXEC, 0666)) {
        if (fd_ >= 0) flock(fd_, LOCK_EX);
    }
    ~StartLock() {
        if (fd_ >= 0) close(fd_);  // closing releases the lock
    }
    StartLock(const StartLock&) = delete;
    StartLock& operator=(const StartLock&) = delete;

private:
    int fd_;
};

bool accepts_connections(const std::string& display) {
    Display* connection = XOpenDisplay(display.c_str());
    if (connection == nullptr) return false;
    XCloseDisplay(connection);
    return true;
}

bool wait_for_window_manager(const std::string& display) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(START_TIMEOUT_MS);
    while (!window_manager_ready(display)) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}
}  // namespace

XServer XServer::start(int width, int height, bool with_window_manager, bool with_glx) {
    StartLock lock;
    for (int attempt = 0; attempt < 3; ++attempt) {
        XServer server;
        server.start_xvfb(width, height, with_glx);
        if (!server.running() || !accepts_connections(server.display_)) continue;
        if (with_window_manager) {
            server.window_manager_pid_ = spawn_quietly({"openbox", "--sm-disable"}, server.display_);
            if (!wait_for_window_manager(server.display_)) continue;
        }
        return server;
    }
    std::fprintf(stderr, "could not start a private X server%s\n",
                 with_window_manager ? " with openbox" : "");
    return XServer{};
}

void XServer::start_xvfb(int width, int height, bool with_glx) {
    int ready_pipe[2];
    if (pipe(ready_pipe) != 0) return;
    const pid_t pid = fork();
    if (pid == 0) {
        setpgid(0, 0);
        close(ready_pipe[0]);
        const int null_fd = open("/dev/null", O_RDWR);
        dup2(null_fd, STDIN_FILENO);
        dup2(null_fd, STDOUT_FILENO);
        dup2(null_fd, STDERR_FILENO);
        const std::string screen = std::to_string(width) + "x" + std::to_string(height) + "x24";
        const std::string fd = std::to_string(ready_pipe[1]);
        // -noreset: a server resets when its last client leaves, and refuses
        // connections meanwhile; tests connect and leave all the time.
        const char* glx_switch = with_glx ? "+extension" : "-extension";
        execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", screen.c_str(), "-nolisten",
               "tcp", "-noreset", glx_switch, "GLX", static_cast<char*>(nullptr));
        _exit(127);
    }
    close(ready_pipe[1]);
    server_pid_ = pid;
    const std::string number = read_display_number(ready_pipe[0]);
    close(ready_pipe[0]);
    if (!number.empty()) display_ = ":" + number;
}

XServer::XServer(XServer&& other) noexcept
    : server_pid_(other.server_pid_),
      window_manager_pid_(other.window_manager_pid_),
      display_(std::move(other.display_)) {
    other.server_pid_ = other.window_manager_pid_ = -1;
    other.display_.clear();
}

XServer::~XServer() {
    stop(window_manager_pid_);
    stop(server_pid_);
}

std::string shared_display() {
    const char* display = std::getenv("DISPLAY");
    return display != nullptr ? display : "";
}
