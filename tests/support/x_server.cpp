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

#include "tests/support/child_process.h"
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
            server.window_manager_pid_ =
                spawn_quietly({"openbox", "--sm-disable"}, server.display_, true, true);
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
        true, true);
    owner_pid_ = getpid();
    server_pid_ = server.pid;
    display_ = server.display;
}

XServer::XServer(XServer&& other) noexcept
    : owner_pid_(other.owner_pid_),
      server_pid_(other.server_pid_),
      window_manager_pid_(other.window_manager_pid_),
      display_(std::move(other.display_)) {
    other.server_pid_ = other.window_manager_pid_ = -1;
    other.display_.clear();
}

XServer::~XServer() {
    // A forked child that leaves through exit (a window closed, Escape in
    // the show) runs this too; the servers are not its to stop.
    if (getpid() != owner_pid_) return;
    stop_process(window_manager_pid_);
    stop_process(server_pid_);
}

std::string shared_display() {
    const char* given = std::getenv("MORVA_TEST_DISPLAY");
    if (given != nullptr && given[0] != '\0') return given;
    static const XServer own = XServer::start(1920, 1080);
    return own.display();
}

namespace {
// The lock file through which cases share the screen of a display.
std::string lock_path(const std::string& display) {
    std::string name = display;
    std::erase(name, ':');
    return "/tmp/morva-test-screen-" + name + ".lock";
}

// Takes the lock, waiting at most as long as the case has left.
bool take_lock(int fd, int operation) {
    const auto deadline = std::chrono::steady_clock::now() + time_left_in_case();
    while (flock(fd, operation | LOCK_NB) != 0) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

// Undoes what an earlier case may have left behind on a shared screen: keys
// and buttons still down (a case that failed between press and release),
// the pointer where it left it, the focus on a window of its.
void reset_input(const std::string& display) {
    Display* connection = XOpenDisplay(display.c_str());
    if (connection == nullptr) return;
    char keys[32] = {};
    XQueryKeymap(connection, keys);
    for (int code = 8; code < 256; ++code)
        if ((keys[code / 8] >> (code % 8)) & 1) XTestFakeKeyEvent(connection, static_cast<unsigned>(code), 0, 0);
    XWindow root = 0, child = 0;
    int root_x = 0, root_y = 0, x = 0, y = 0;
    unsigned int mask = 0;
    XQueryPointer(connection, DefaultRootWindow(connection), &root, &child, &root_x, &root_y, &x, &y, &mask);
    const unsigned int button_masks[] = {Button1Mask, Button2Mask, Button3Mask, Button4Mask, Button5Mask};
    for (unsigned int button = 1; button <= 5; ++button)
        if (mask & button_masks[button - 1]) XTestFakeButtonEvent(connection, button, 0, 0);
    XTestFakeMotionEvent(connection, -1, DisplayWidth(connection, DefaultScreen(connection)) / 2,
                         DisplayHeight(connection, DefaultScreen(connection)) / 2, 0);
    XSetInputFocus(connection, PointerRoot, RevertToPointerRoot, CurrentTime);
    XSync(connection, 0);
    XCloseDisplay(connection);
}
}  // namespace

ScreenLease::ScreenLease(ScreenUse use) : display_(shared_display()) {
    if (display_.empty()) return;
    const int fd = open(lock_path(display_).c_str(), O_CREAT | O_RDWR | O_CLOEXEC, 0666);
    if (fd < 0) return;
    if (!take_lock(fd, use == ScreenUse::ALONE ? LOCK_EX : LOCK_SH)) {
        std::fprintf(stderr, "the test screen %s stayed taken\n", display_.c_str());
        close(fd);
        return;
    }
    lock_fd_ = fd;
    if (use == ScreenUse::ALONE) reset_input(display_);
}

ScreenLease::~ScreenLease() {
    if (lock_fd_ >= 0) close(lock_fd_);  // closing releases the lock
}
