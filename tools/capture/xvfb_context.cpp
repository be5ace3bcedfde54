// The capture's context on a private Xvfb it starts itself: for machines
// whose EGL cannot give a surfaceless desktop context. The frame is a
// window of the frame's size that is never mapped, with a visual chosen as
// the show's GLUT window chooses its own.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>

#include "app/x11.h"
#include "tools/capture/gl_context.h"

namespace {
constexpr int XVFB_START_MS = 10000;

// Starts Xvfb on a display number of its own choosing, which it writes to
// the pipe once it accepts clients; its output goes nowhere.
pid_t start_xvfb(int pipe_out) {
    // Everything the child needs is made before the fork: between fork
    // and exec it may only make system calls.
    const std::string fd = std::to_string(pipe_out);
    const pid_t pid = fork();
    if (pid != 0) return pid;
    const int null_fd = open("/dev/null", O_RDWR);
    dup2(null_fd, STDIN_FILENO);
    dup2(null_fd, STDOUT_FILENO);
    dup2(null_fd, STDERR_FILENO);
    execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1280x720x24", "-nolisten", "tcp",
           static_cast<char*>(nullptr));
    _exit(127);
}

// The display number, or empty when Xvfb did not say within the time.
std::string read_display_number(int pipe_in) {
    std::string number;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(XVFB_START_MS);
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

void stop_xvfb(pid_t pid) {
    if (pid <= 0) return;
    kill(pid, SIGTERM);
    for (int i = 0; i < 500; ++i) {
        if (waitpid(pid, nullptr, WNOHANG) == pid) return;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
}

bool make_glx_context(GlContext& context, Display* display, std::string& why) {
    int attributes[] = {GLX_RGBA, GLX_DOUBLEBUFFER, GLX_DEPTH_SIZE, 1, 0};
    XVisualInfo* visual = glXChooseVisual(display, DefaultScreen(display), attributes);
    if (visual == nullptr) {
        why = "the Xvfb offers no OpenGL visual";
        return false;
    }
    const XWindow root = RootWindow(display, visual->screen);
    XSetWindowAttributes window_attributes{};
    window_attributes.colormap = XCreateColormap(display, root, visual->visual, AllocNone);
    const XWindow window = XCreateWindow(display, root, 0, 0, static_cast<unsigned>(context.width),
                                         static_cast<unsigned>(context.height), 0, visual->depth, InputOutput,
                                         visual->visual, CWColormap, &window_attributes);
    GLXContext gl = glXCreateContext(display, visual, nullptr, 1);
    XFree(visual);
    if (gl == nullptr || glXMakeCurrent(display, window, gl) == 0) {
        if (gl != nullptr) glXDestroyContext(display, gl);
        XDestroyWindow(display, window);
        why = "no GLX context on the Xvfb";
        return false;
    }
    context.x_window = window;
    context.glx_context = gl;
    return true;
}
}  // namespace

bool open_xvfb_context(GlContext& context, std::string& why) {
    int ends[2] = {-1, -1};
    if (pipe(ends) != 0) {
        why = "cannot make a pipe for Xvfb";
        return false;
    }
    const pid_t pid = start_xvfb(ends[1]);
    close(ends[1]);
    const std::string number = pid > 0 ? read_display_number(ends[0]) : std::string();
    close(ends[0]);
    if (number.empty()) {
        stop_xvfb(pid);
        why = "Xvfb did not start (is it installed?)";
        return false;
    }
    const std::string name = ":" + number;
    Display* display = XOpenDisplay(name.c_str());
    if (display == nullptr) {
        stop_xvfb(pid);
        why = "cannot connect to the Xvfb on " + name;
        return false;
    }
    if (!make_glx_context(context, display, why)) {
        XCloseDisplay(display);
        stop_xvfb(pid);
        return false;
    }
    context.xvfb_pid = pid;
    context.x_display = display;
    context.kind = ContextChoice::xvfb;
    context.description = "a private Xvfb on " + name + " with GLX";
    return true;
}

void close_xvfb_context(GlContext& context) {
    auto* display = static_cast<Display*>(context.x_display);
    if (display != nullptr) {
        glXMakeCurrent(display, 0, nullptr);
        if (context.glx_context != nullptr) glXDestroyContext(display, static_cast<GLXContext>(context.glx_context));
        if (context.x_window != 0) XDestroyWindow(display, context.x_window);
        XCloseDisplay(display);
    }
    stop_xvfb(context.xvfb_pid);
    context.x_display = nullptr;
    context.glx_context = nullptr;
    context.x_window = 0;
    context.xvfb_pid = -1;
}
