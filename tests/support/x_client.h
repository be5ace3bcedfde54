#pragma once

#include <algorithm>
#include <array>
#include <string>
#include <vector>

// A window's client area in root-window coordinates.
struct WindowRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

// The decorations a window manager put around a window.
struct FrameExtents {
    int left = 0;
    int right = 0;
    int top = 0;
    int bottom = 0;
};

// What a window shows, pixel by pixel from the top-left, as red, green and blue.
struct Picture {
    int width = 0;
    int height = 0;
    std::vector<std::array<int, 3>> pixels;  // row by row

    const std::array<int, 3>& at(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
    // How many pixels satisfy the test: all of them, or those of a
    // rectangle (clipped to the picture).
    template <typename Test>
    int count(Test test) const {
        return count_in(0, 0, width, height, test);
    }
    template <typename Test>
    int count_in(int left, int top, int rect_width, int rect_height, Test test) const {
        int n = 0;
        for (int y = std::max(top, 0); y < std::min(top + rect_height, height); ++y)
            for (int x = std::max(left, 0); x < std::min(left + rect_width, width); ++x) n += test(at(x, y)) ? 1 : 0;
        return n;
    }
};

// Classes of pixels the pictures are checked by.
inline bool is_black(const std::array<int, 3>& rgb) { return rgb[0] == 0 && rgb[1] == 0 && rgb[2] == 0; }
inline bool is_grey(const std::array<int, 3>& rgb) { return rgb[0] == rgb[1] && rgb[1] == rgb[2]; }
inline bool is_white(const std::array<int, 3>& rgb) { return rgb[0] > 240 && rgb[1] > 240 && rgb[2] > 240; }
inline bool is_red(const std::array<int, 3>& rgb) { return rgb[0] > 200 && rgb[1] < 60 && rgb[2] < 60; }
// Strongly coloured: its brightest and darkest channels far apart.
inline bool is_colored(const std::array<int, 3>& rgb) {
    return std::max({rgb[0], rgb[1], rgb[2]}) - std::min({rgb[0], rgb[1], rgb[2]}) > 100;
}

// A test's own connection to an X server: real input through the XTest
// extension and queries of windows. Window ids are X ids.
class XClient {
public:
    // Connects to the named display, or to $DISPLAY when empty.
    explicit XClient(const std::string& display = {});
    ~XClient();
    XClient(const XClient&) = delete;
    XClient& operator=(const XClient&) = delete;

    bool connected() const { return display_ != nullptr; }

    void press_key(unsigned long keysym);
    void release_key(unsigned long keysym);
    void press_button(unsigned int button);
    void release_button(unsigned int button);
    // Moves the pointer to screen coordinates.
    void move_pointer(int x, int y);
    // Gives the window keyboard focus (it must be viewable).
    void focus(unsigned long window);
    void resize(unsigned long window, int width, int height);
    // Flushes requests and waits until the server has handled them.
    void sync();

    // A mapped top-level window of this connection with a solid background
    // of 0xRRGGBB; it lives until destroyed or the connection closes.
    unsigned long create_window(int x, int y, int width, int height, unsigned long background);
    void destroy_window(unsigned long window);
    // Whether the window is still in the server's window tree.
    bool exists(unsigned long window);
    unsigned long parent_of(unsigned long window);
    // Red, green and blue of one pixel of what the window shows, from the top-left.
    std::array<int, 3> shown_pixel(unsigned long window, int x, int y);
    // The whole of what the window shows (the screen for window 0); empty
    // while the window is not viewable or not wholly on the screen.
    Picture picture_of(unsigned long window);

    WindowRect rect_of(unsigned long window);
    FrameExtents frame_extents(unsigned long window);
    bool viewable(unsigned long window);
    bool keyboard_auto_repeat_on();
    // How long a key is held before it repeats, and how often it then does.
    void set_auto_repeat_rate(unsigned delay_ms, unsigned interval_ms);
    std::array<unsigned, 2> auto_repeat_rate();
    // Asks for the key presses and releases the window receives, beside
    // whoever else receives them.
    void watch_keys(unsigned long window);
    // How many presses of the key the watched windows have received so far,
    // repeats of a held key included.
    int presses_seen(unsigned long keysym);
    unsigned long root_window();
    // The first window in the tree whose name is `name`, or 0.
    unsigned long find_window_named(const std::string& name);
    int screen_width();
    int screen_height();

private:
    void* display_ = nullptr;
    std::vector<unsigned int> pressed_keycodes_;  // every press seen by watch_keys, in order
};

// The X window of the current GLX context: the GLUT window inside its callbacks.
unsigned long current_glx_window();
