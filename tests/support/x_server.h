#pragma once

#include <sys/types.h>

#include <string>

// The X servers of the tests.
//
// Cases draw on the test screen: the 1920 x 1080 Xvfb that scripts/test
// starts for the whole suite (it names it in MORVA_TEST_DISPLAY), or, when
// a test program runs on its own, one the program starts at its first use
// and keeps until it ends. Cases running side by side share that screen
// (ScreenLease); a case that needs another screen size, a window manager or
// a server without GLX starts a private one (XServer::start).

// A private Xvfb (and optionally an openbox window manager on it), stopped
// by the destructor, and killed by the kernel should the test program end
// first.
class XServer {
public:
    // Without GLX the server offers no OpenGL visual at all.
    static XServer start(int width, int height, bool with_window_manager = false,
                         bool with_glx = true);
    XServer(XServer&& other) noexcept;
    XServer(const XServer&) = delete;
    XServer& operator=(const XServer&) = delete;
    ~XServer();

    // The display name, such as ":3"; empty when the server failed to start.
    const std::string& display() const { return display_; }
    bool running() const { return !display_.empty(); }

private:
    XServer() = default;
    void start_xvfb(int width, int height, bool with_glx);
    pid_t owner_pid_ = -1;  // only the process that started the servers stops them
    pid_t server_pid_ = -1;
    pid_t window_manager_pid_ = -1;
    std::string display_;
};

// The display of the test screen; empty (after a message) when this
// program's own server could not be started.
std::string shared_display();

// How a case uses the test screen while it holds it.
enum class ScreenUse {
    // Draws in windows of its own and reads back only its own buffers:
    // any number of such cases share the screen.
    OWN_WINDOWS,
    // Sends keys and pointer input, reads what the screen shows, or covers
    // it: the case has the screen to itself. The keys and buttons are all
    // up, the pointer rests in the middle and the focus follows it when the
    // case begins.
    ALONE,
};

// A hold on the test screen for one case, kept until the object goes (or
// the program ends). Cases of every test program running at once take turns
// through a lock file of the display's.
class ScreenLease {
public:
    explicit ScreenLease(ScreenUse use);
    ~ScreenLease();
    ScreenLease(const ScreenLease&) = delete;
    ScreenLease& operator=(const ScreenLease&) = delete;

    const std::string& display() const { return display_; }
    bool held() const { return lock_fd_ >= 0; }

private:
    std::string display_;
    int lock_fd_ = -1;
};

// Takes the test screen for the current case or fails it.
#define HOLD_TEST_SCREEN(name, use)  \
    ScreenLease name{use};           \
    ASSERT_TRUE(name.held()) << "no test screen for the case"

// Starts a private X server or fails the current test.
#define START_X_SERVER(name, ...)                                      \
    XServer name = XServer::start(__VA_ARGS__);                        \
    ASSERT_TRUE(name.running()) << "could not start Xvfb for the test"
