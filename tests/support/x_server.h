#pragma once

#include <sys/types.h>

#include <string>

// A private Xvfb (and optionally an openbox window manager on it) for tests
// that need a screen of their own: a particular size, a window manager, or
// keyboard focus nobody else takes. Stopped by the destructor.
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
    pid_t server_pid_ = -1;
    pid_t window_manager_pid_ = -1;
    std::string display_;
};

// The display scripts/test started for the whole suite, or empty.
std::string shared_display();
