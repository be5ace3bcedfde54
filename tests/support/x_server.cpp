#include "tests/support/x_server.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/x11.h"
#include "tools/xvfb/xvfb.h"

namespace {
constexpr int START_TIMEOUT_MS = 10000;

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
            server.window_manager_pid_ = spawn_quietly({"openbox", "--sm-disable"}, server.display_, true);
            if (!wait_for_window_manager(server.display_)) continue;
        }
        return server;
    }
    std::fprintf(stderr, "could not start a private X server%s\n",
                 with_window_manager ? " with openbox" : "");
    return XServer{};
}

void XServer::start_xvfb(int width, int height, bool with_glx) {
    // -noreset: a server resets when its last client leaves, and refuses
    // connections meanwhile; tests connect and leave all the time.
    const std::string screen = std::to_string(width) + "x" + std::to_string(height) + "x24";
    const XvfbProcess server = ::start_xvfb(
        {"-screen", "0", screen, "-nolisten", "tcp", "-noreset", with_glx ? "+extension" : "-extension", "GLX"},
        true);
    server_pid_ = server.pid;
    display_ = server.display;
}

XServer::XServer(XServer&& other) noexcept
    : server_pid_(other.server_pid_),
      window_manager_pid_(other.window_manager_pid_),
      display_(std::move(other.display_)) {
    other.server_pid_ = other.window_manager_pid_ = -1;
    other.display_.clear();
}

XServer::~XServer() {
    stop_process(window_manager_pid_);
    stop_process(server_pid_);
}

std::string shared_display() {
    const char* display = std::getenv("DISPLAY");
    return display != nullptr ? display : "";
}
