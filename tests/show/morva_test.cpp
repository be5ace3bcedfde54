// The morva program as a user runs it: from a folder holding the font and
// the music, on a 1920 x 1080 screen with a window manager, playing through
// the sound server; and how it ends when something it needs is missing.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "tests/support/child_process.h"
#include "tests/support/glut_test.h"
#include "tests/support/pulse_server.h"
#include "tests/support/sound_files.h"
#include "tests/support/x11.h"
#include "tests/support/x_client.h"

namespace {
using std::chrono::milliseconds;

const std::string MORVA = MORVA_BINARY;
const std::string FONT = std::string(MORVA_SOURCE_DIR) + "/font/HomeVideo-Regular.ttf";
const std::string TITLE = "morva-e2e";
const std::string DASHES = "-----------------------------------\n";

std::string banner_of(const std::string& program) { return DASHES + program + " \n" + DASHES; }

std::string glyph_rows() {
    std::string rows;
    for (const char* row : {"           ", "   /-      ", "  |     _  ", "   \\   / \\ ", "    \\ /  | ",
                            "     .     ", " |  / \\    ", " \\ /   \\   ", "  -     |  ", "      _/   ",
                            "           "})
        rows += std::string(row) + "\n";
    return rows;
}

// Settings for morva under the sanitizers: its leaks at exit are Mesa's
// (freeglut closes the display from an exit handler, Mesa's driver leaves
// buffers behind and is unloaded, so no stack can name it), and slow
// stack unwinding deadlocks once Mesa compiles its first shader. No
// display at all when none is named.
std::vector<std::pair<std::string, std::string>> program_environment(const std::string& display) {
    std::vector<std::pair<std::string, std::string>> env = drawing_program_environment();
    env.emplace_back(display.empty() ? "-DISPLAY" : "DISPLAY", display);
    return env;
}

// Where the knobs of a show window of that size are, in window pixels
// from the top-left: square, an eleventh of the width, their bottom a
// tenth of the height up (on a 16:9 screen, for a 16:9 window).
struct KnobSquares {
    int a_left, b_left, top, side;
};
KnobSquares knob_squares(int width, int height) {
    const int side = width * 10 / 110;
    const int bottom = height - static_cast<int>(height * 0.1009090909090909);
    return {static_cast<int>(width * 0.08454545454545453), static_cast<int>(width * 0.8245454545454546),
            bottom - side, side};
}

// Whether the picture is of a window of that size, with both knobs drawn
// (circles of white) where such a window has them.
bool shows_the_knobs(const Picture& picture, int width, int height) {
    const KnobSquares knobs = knob_squares(width, height);
    return picture.width == width && picture.height == height &&
           picture.count_in(knobs.a_left, knobs.top, knobs.side, knobs.side, is_white) > knobs.side / 2 &&
           picture.count_in(knobs.b_left, knobs.top, knobs.side, knobs.side, is_white) > knobs.side / 2;
}

// Polls until the condition holds, reading the program's output for `poll`
// between tries; false when the case's time is up first.
template <typename Condition>
bool wait_until(ChildProcess& program, Condition condition, milliseconds poll = milliseconds(50)) {
    while (!condition()) {
        if (time_left_in_case() <= poll) return false;
        program.read_output_for(poll);
    }
    return true;
}

// What the window shows is read whole (8 MB at full screen): not too often.
constexpr milliseconds PICTURE_POLL{250};

// A started show on a screen of its own with a window manager (full screen
// is the window manager's to give), with its window found.
struct RunningShow {
    XServer server = XServer::start(1920, 1080, true);
    XClient x{server.display()};
    std::optional<ChildProcess> program;
    unsigned long window = 0;

    WindowRect rect() { return x.rect_of(window); }
    bool full_screen() {
        const WindowRect r = rect();
        return r.x == 0 && r.y == 0 && r.width == 1920 && r.height == 1080;
    }
    bool windowed() {
        const WindowRect r = rect();
        return r.width == 960 && r.height == 540;
    }
    void press(unsigned long key) {
        x.focus(window);
        x.press_key(key);
        x.release_key(key);
    }
};

// By the end of the track: a red figure on white, nothing else coloured.
bool shows_the_finale(RunningShow& show) {
    const Picture screen = show.x.picture_of(show.window);
    if (screen.pixels.empty()) return false;
    return screen.count(is_red) > 5000 &&
           screen.count([](const auto& rgb) { return is_white(rgb) || is_red(rgb); }) > screen.width * screen.height * 9 / 10;
}

// The whole number of microseconds after `label` in pactl's listing
// ("Buffer Latency: 22494 usec"), when it is there.
std::optional<double> microseconds_after(const std::string& listing, const std::string& label) {
    const size_t at = listing.find(label);
    if (at == std::string::npos) return std::nullopt;
    const char* number = listing.c_str() + at + label.size();
    char* end = nullptr;
    const long long value = std::strtoll(number, &end, 10);
    if (end == number || std::string_view(end).substr(0, 5) != " usec") return std::nullopt;
    return static_cast<double>(value);
}

// The latency of the one stream playing on the server, as the server
// reports it: what waits in the stream's buffer plus what waits in the
// sink, in milliseconds; nothing while no stream plays.
std::optional<double> stream_latency_ms(const PulseServer& sound) {
    const std::optional<std::string> listed = sound.pactl({"list", "sink-inputs"});
    if (!listed.has_value()) return std::nullopt;
    const std::optional<double> buffer_us = microseconds_after(*listed, "Buffer Latency: ");
    const std::optional<double> sink_us = microseconds_after(*listed, "Sink Latency: ");
    if (!buffer_us.has_value() || !sink_us.has_value()) return std::nullopt;
    return (*buffer_us + *sink_us) / 1000.0;
}

// Runs of the show from a folder of its own, with the short tracks the
// build composed.
class ShowRun : public testing::Test {
protected:
    static std::string tracks_file(const char* seconds) { return test_track(seconds); }

    // A folder to start morva in, with the font and the track of that length.
    void make_folder(const char* track_seconds, bool with_font = true) {
        ASSERT_TRUE(std::filesystem::exists(FONT)) << FONT << " is missing: scripts/test makes it";
        std::filesystem::create_directories(folder.file("font"));
        std::filesystem::create_directories(folder.file("sounds"));
        if (with_font) std::filesystem::copy_file(FONT, folder.file("font/HomeVideo-Regular.ttf"));
        if (track_seconds != nullptr)
            std::filesystem::copy_file(test_track(track_seconds), folder.file("sounds/music0.ogg"));
    }

    ChildProcess start(const std::string& display, const std::vector<std::string>& arguments = {TITLE},
                       const std::vector<std::pair<std::string, std::string>>& more_environment = {}) {
        std::vector<std::string> argv = {MORVA};
        argv.insert(argv.end(), arguments.begin(), arguments.end());
        std::vector<std::pair<std::string, std::string>> env = program_environment(display);
        env.insert(env.end(), more_environment.begin(), more_environment.end());
        return ChildProcess::spawn_program(argv, env, folder.path());
    }

    // Starts the show from the folder on its own screen (and, when given,
    // with a sound server of its own) and finds its window, which the
    // arguments must name TITLE.
    void launch(RunningShow& show, const std::vector<std::string>& arguments = {TITLE},
                const PulseServer* sound = nullptr) {
        ASSERT_TRUE(show.server.running());
        std::vector<std::pair<std::string, std::string>> sound_environment;
        if (sound != nullptr) {
            ASSERT_TRUE(sound->running()) << "the private sound server did not start";
            sound_environment = sound->client_environment();
        }
        show.program.emplace(start(show.server.display(), arguments, sound_environment));
        ChildProcess& morva = *show.program;
        ASSERT_TRUE(wait_until(morva, [&] { return (show.window = show.x.find_window_named(TITLE)) != 0; }))
            << morva.wait(milliseconds(100)).describe();
    }

    // Space from full screen, until the centred half-size window shows.
    static bool to_windowed(RunningShow& show) {
        show.press(XK_space);
        return wait_until(*show.program, [&] { return show.windowed(); });
    }

    // Escape, and how the show ended.
    static ChildResult escape(RunningShow& show, milliseconds limit = CASE_TIME_LIMIT) {
        show.press(XK_Escape);
        return show.program->wait(limit);
    }
    static void expect_escape_ends_it(RunningShow& show, milliseconds limit = CASE_TIME_LIMIT) {
        const ChildResult ended = escape(show, limit);
        EXPECT_TRUE(ended.succeeded()) << ended.describe();
    }

    // The show started from a folder with the track of that length, and
    // shown full screen.
    void start_full_screen(RunningShow& show, const char* track_seconds) {
        ASSERT_NO_FATAL_FAILURE(make_folder(track_seconds));
        ASSERT_NO_FATAL_FAILURE(launch(show));
        ASSERT_TRUE(wait_until(*show.program, [&] { return show.x.viewable(show.window) && show.full_screen(); }));
    }

    // Starts the show with a sound server of its own and waits until its
    // stream plays there.
    void launch_playing_on(RunningShow& show, const PulseServer& sound) {
        ASSERT_NO_FATAL_FAILURE(launch(show, {TITLE}, &sound));
        ASSERT_TRUE(wait_until(*show.program, [&] { return stream_latency_ms(sound).has_value(); }))
            << "the show's stream never reached the server";
    }

    TempDir folder;
};

}  // namespace

TEST_F(ShowRun, StartsFullScreenWithTheSkeletonOverBlackAndTogglesToAWindowWhoseKnobsFollowItsSize) {
    RunningShow show;
    ASSERT_NO_FATAL_FAILURE(start_full_screen(show, "31.2"));
    ChildProcess& morva = *show.program;

    // What it says: the banner and the art; the load report and the timeline.
    ASSERT_TRUE(wait_until(morva, [&] { return morva.out_so_far().size() >= banner_of(MORVA).size() + 132; }));
    EXPECT_EQ(morva.out_so_far(), banner_of(MORVA) + glyph_rows());
    const std::vector<std::string> err = lines_of(morva.err_so_far());
    ASSERT_GE(err.size(), 12u) << morva.err_so_far();
    EXPECT_EQ(err[0], "loaded: ./sounds/music0.ogg");
    EXPECT_EQ(err[8], "total   : 31.2 s");
    EXPECT_EQ(err[9], "phases  :  13 | 2.40 s");
    EXPECT_EQ(err[10], "patterns: 104 | 0.30 s");

    // Right after start: the skeleton's white dashes on black, nothing else.
    Picture full;
    ASSERT_TRUE(wait_until(morva, [&] {
        full = show.x.picture_of(show.window);
        return !full.pixels.empty() && full.count(is_white) > 200 && full.count(is_grey) == full.width * full.height;
    }, PICTURE_POLL)) << "no white skeleton over black";
    // No knobs in full screen: where knob A and its title would be, nothing is drawn.
    const KnobSquares hidden = knob_squares(1920, 1080);
    EXPECT_EQ(full.count_in(hidden.a_left, hidden.top - 60, hidden.side, hidden.side + 60, is_white), 0);

    // Space: a centred half-size window with the two knobs.
    ASSERT_TRUE(to_windowed(show));
    const FrameExtents frame = show.x.frame_extents(show.window);
    EXPECT_EQ(show.rect().x - frame.left, 480);
    EXPECT_EQ(show.rect().y - frame.top, 270);
    // The knobs' circles and "turn" titles, white on the dark view: each
    // knob's square and the band above it hold bright pixels.
    Picture window;
    ASSERT_TRUE(wait_until(morva, [&] {
        window = show.x.picture_of(show.window);
        return shows_the_knobs(window, 960, 540);
    }, PICTURE_POLL)) << "no knobs in the windowed view";
    const KnobSquares knobs = knob_squares(960, 540);
    for (int left : {knobs.a_left, knobs.b_left})
        EXPECT_GT(window.count_in(left, knobs.top - 30, knobs.side, 30, is_white), 20) << "title over the knob at " << left;

    // Resized as a user would through the window manager, to other 16:9
    // sizes: the knobs keep their places and sizes as fractions of the
    // window (at 800 x 450 knob B lies where nothing was drawn at 960 x 540,
    // at 1280 x 720 both do).
    for (const auto& [width, height] : std::vector<std::pair<int, int>>{{800, 450}, {1280, 720}}) {
        show.x.resize(show.window, width, height);
        ASSERT_TRUE(wait_until(morva, [&] { const WindowRect r = show.rect(); return r.width == width && r.height == height; }))
            << "the window manager did not make it " << width << " x " << height;
        EXPECT_TRUE(wait_until(morva, [&] { return shows_the_knobs(show.x.picture_of(show.window), width, height); },
                               PICTURE_POLL))
            << "no knobs where a " << width << " x " << height << " window has them";
    }

    show.press(XK_space);
    EXPECT_TRUE(wait_until(morva, [&] { return show.full_screen(); }));

    expect_escape_ends_it(show);
}

TEST_F(ShowRun, PlaysTheTrackAndFontItsCommandLineNamesToTheLastActAndEndsOnEscapeWindowed) {
    // Nothing at the fixed paths; the title comes between the options.
    RunningShow show;
    ASSERT_NO_FATAL_FAILURE(launch(show, {"--music", tracks_file("10.4"), TITLE, "--font", FONT}));
    ChildProcess& morva = *show.program;
    ASSERT_TRUE(wait_until(morva, [&] { return !lines_of(morva.err_so_far()).empty(); })) << morva.err_so_far();
    ASSERT_EQ(lines_of(morva.err_so_far())[0], "loaded: " + tracks_file("10.4"));
    ASSERT_TRUE(wait_until(morva, [&] { return shows_the_finale(show); }, PICTURE_POLL))
        << "never reached the red figure on white";

    EXPECT_TRUE(to_windowed(show));  // Escape ends it from there too
    const ChildResult ended = escape(show);
    EXPECT_TRUE(ended.succeeded()) << ended.describe();
    EXPECT_EQ(ended.out, banner_of(MORVA) + glyph_rows()) << "said more than at its start";
}

namespace {
// The sync editor's end of the link, scripted: a socket on 127.0.0.1 that
// the show connects to, speaking the editor's bytes (big-endian).
struct ScriptedEditor {
    int listener = ::socket(AF_INET, SOCK_STREAM, 0), peer = -1;
    int port = 0;
    ScriptedEditor() {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof address;
        EXPECT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&address), size), 0);
        EXPECT_EQ(::listen(listener, 1), 0);
        ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &size);
        port = ntohs(address.sin_port);
    }
    ~ScriptedEditor() { ::close(listener), ::close(peer); }
    static bool ready(int fd) {
        pollfd wait{fd, POLLIN, 0};
        return ::poll(&wait, 1, 5000) == 1;
    }
    bool accept() { return ready(listener) && (peer = ::accept(listener, nullptr, nullptr)) >= 0; }
    std::string receive(size_t count) {
        std::string got;
        char byte = 0;
        while (got.size() < count && ready(peer) && ::recv(peer, &byte, 1, 0) == 1) got.push_back(byte);
        return got;
    }
    uint32_t receive_u32() {
        const std::string b = receive(4);
        return b.size() < 4 ? 0 : uint32_t(uint8_t(b[0])) << 24 | uint32_t(uint8_t(b[1])) << 16 |
                                      uint32_t(uint8_t(b[2])) << 8 | uint8_t(b[3]);
    }
    void send(const std::string& bytes) { ::send(peer, bytes.data(), bytes.size(), MSG_NOSIGNAL); }
    static std::string u32(uint32_t v) { return {char(v >> 24), char(v >> 16), char(v >> 8), char(v)}; }
};
}  // namespace

namespace {
// A document keying the background's red and green, saved as editors save.
void save_background_document(const std::string& path, const char* red, const char* green) {
    const std::string text = std::string("<sync><tracks><track name=\"background:r\"><key row=\"0\" value=\"") +
                             red + "\"/></track><track name=\"background:g\"><key row=\"0\" value=\"" + green +
                             "\"/></track></tracks></sync>\n";
    write_file_bytes(path + ".new", std::vector<uint8_t>(text.begin(), text.end()));
    std::filesystem::rename(path + ".new", path);
}
}  // namespace

// The editor holds a newly linked show paused, answers each track's request
// with its keys (red held at 1 on background:r, over the document's 0), and
// moves it to row 240, pattern 30: the show stands there on the editor's red
// and the document's green, and tells the editor its row. The document saved
// again turns the green off, the editor's red staying; the editor's save
// writes the player files beside the document.
TEST_F(ShowRun, FollowsASyncEditorsKeysRowsAndPause) {
    ScriptedEditor editor;
    RunningShow show;
    ASSERT_NO_FATAL_FAILURE(make_folder("52"));
    save_background_document(folder.file("edit.rocket"), "0", "1");
    ASSERT_NO_FATAL_FAILURE(launch(show, {TITLE, "--sync=127.0.0.1:" + std::to_string(editor.port), "--tracks",
                                          "edit.rocket"}));
    ASSERT_TRUE(editor.accept());
    EXPECT_EQ(editor.receive(19), "hello, synctracker!");
    editor.send("hello, demo!");
    editor.send(std::string("\x04\x01", 2));  // PAUSE 1
    std::vector<std::string> names;
    for (int track = 0; track < 11; ++track) {
        if (editor.receive(1) != "\x02") break;  // GET_TRACK
        names.push_back(editor.receive(editor.receive_u32()));
        if (names.back() == "background:r")
            editor.send(std::string(1, '\0') + ScriptedEditor::u32(track) + ScriptedEditor::u32(0) +
                        ScriptedEditor::u32(0x3F800000) + std::string(1, '\0'));  // SET_KEY row 0, 1.0, step
    }
    EXPECT_EQ(names.size(), 11u);
    EXPECT_EQ(names.front(), "background:r");
    editor.send("\x03" + ScriptedEditor::u32(240));  // SET_ROW
    ChildProcess& morva = *show.program;
    const auto shows = [&](std::array<int, 3> color) {
        return wait_until(morva, [&] {
            const Picture screen = show.x.picture_of(show.window);
            return !screen.pixels.empty() && screen.at(4, 4) == color;
        }, PICTURE_POLL);
    };
    EXPECT_TRUE(shows({255, 255, 0})) << "never stood on the editor's red and the document's green";
    bool row_told = false;
    for (int packet = 0; packet < 8 && !row_told; ++packet)
        row_told = editor.receive(1) == "\x03" && editor.receive_u32() == 240;
    EXPECT_TRUE(row_told) << "the show never told the editor it stands at row 240";

    save_background_document(folder.file("edit.rocket"), "0", "0");
    EXPECT_TRUE(shows({255, 0, 0})) << "the saved document's green did not replace the old" << morva.err_so_far();
    editor.send("\x05");  // SAVE_TRACKS
    EXPECT_TRUE(wait_until(morva, [&] {
        return morva.err_so_far().find("sync: tracks saved as edit_<track>.track\n") != std::string::npos;
    })) << morva.err_so_far();
    EXPECT_EQ(file_bytes(folder.file("edit_background-3Ar.track")),
              (std::vector<uint8_t>{1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x80, 0x3F, 0}));
    expect_escape_ends_it(show);
}

namespace {
// Input the show does not act on, as a user would send it.
struct IgnoredInput {
    const char* what;
    std::function<void(RunningShow&)> send;
};

const std::vector<IgnoredInput> IGNORED_INPUT = {
    {"character keys",
     [](RunningShow& show) {
         for (unsigned long key : {XK_a, XK_q, XK_Z, XK_0, XK_Return, XK_Tab, XK_BackSpace, XK_Delete}) show.press(key);
     }},
    {"special keys",
     [](RunningShow& show) {
         for (unsigned long key : {XK_F1, XK_F11, XK_Up, XK_Down, XK_End, XK_Insert, XK_Shift_L})
             show.press(key);
     }},
    {"the wheel over the view and the knobs",
     [](RunningShow& show) {
         const WindowRect r = show.rect();
         for (const auto& [x, y] : std::vector<std::pair<int, int>>{{r.width / 2, r.height / 2}, {r.width / 8, r.height * 4 / 5}})
             for (unsigned button : {4u, 5u, 4u, 6u, 7u}) {
                 show.x.move_pointer(r.x + x, r.y + y);
                 show.x.press_button(button);
                 show.x.release_button(button);
             }
     }},
    {"the pointer moved with no button held",
     [](RunningShow& show) {
         const WindowRect r = show.rect();
         for (int step = 0; step <= 20; ++step)
             show.x.move_pointer(r.x + r.width * step / 20, r.y + r.height * (20 - step) / 20);
     }},
};

// How white the picture is along a ray from (cx, cy) at `degrees`
// (anticlockwise from the right, y up), between 0.4 and 0.9 of `radius`.
int white_along(const Picture& picture, double cx, double cy, double radius, double degrees) {
    const double angle = degrees * 3.14159265358979 / 180.0;
    int hits = 0;
    for (double t = 0.4; t <= 0.9; t += 0.1) {
        const int x = static_cast<int>(std::lround(cx + t * radius * std::cos(angle)));
        const int y = static_cast<int>(std::lround(cy - t * radius * std::sin(angle)));
        hits += picture.count_in(x - 1, y - 1, 3, 3, is_white) > 0 ? 1 : 0;
    }
    return hits;
}
}  // namespace

TEST_F(ShowRun, KeysButtonsAndMovesThatMeanNothingChangeNothing) {
    RunningShow show;
    ASSERT_NO_FATAL_FAILURE(start_full_screen(show, "52"));
    ChildProcess& morva = *show.program;
    ASSERT_TRUE(wait_until(morva, [&] { return lines_of(morva.err_so_far()).size() >= 12; })) << morva.err_so_far();
    const std::string said_at_start = morva.out_so_far() + morva.err_so_far();

    // Each kind of input, then Space: X hands the window its events in
    // order, so once Space has toggled the window everything before it was
    // handled, and it must have changed nothing, not even the state that
    // Space toggles.
    bool full_screen = true;
    for (const IgnoredInput& input : IGNORED_INPUT) {
        input.send(show);
        show.press(XK_space);
        full_screen = !full_screen;
        ASSERT_TRUE(wait_until(morva, [&] { return full_screen ? show.full_screen() : show.windowed(); })) << "after " << input.what << " Space did not bring the " << (full_screen ? "full screen" : "window");
        EXPECT_EQ(morva.out_so_far() + morva.err_so_far(), said_at_start) << "after " << input.what;
    }
    if (full_screen) {
        ASSERT_TRUE(to_windowed(show));
    }

    // Dragging knob A up by four tenths of the window's height turns its
    // pointer from 210 degrees (at 0) to 18 (at 0.8); knob B stays at 0.
    // Each picture is awaited whole: the credit line scrolls across the
    // knobs now and then, and may hide a part of them for a moment.
    const KnobSquares knobs = knob_squares(960, 540);
    const double radius = knobs.side / 2.0;
    const double a_x = knobs.a_left + radius, b_x = knobs.b_left + radius, y = knobs.top + radius;
    Picture before;
    ASSERT_TRUE(wait_until(morva, [&] {
        before = show.x.picture_of(show.window);
        return before.width == 960 && white_along(before, a_x, y, radius, 210) >= 4 &&
               white_along(before, a_x, y, radius, 18) == 0;
    }, PICTURE_POLL)) << "knob A's pointer is not at its start";
    const WindowRect r = show.rect();
    show.x.move_pointer(r.x + static_cast<int>(a_x), r.y + static_cast<int>(y));
    show.x.press_button(1);
    for (int up = 54; up <= 216; up += 54) show.x.move_pointer(r.x + static_cast<int>(a_x), r.y + static_cast<int>(y) - up);
    show.x.release_button(1);
    Picture after;
    EXPECT_TRUE(wait_until(morva, [&] {
        after = show.x.picture_of(show.window);
        return after.width == 960 && white_along(after, a_x, y, radius, 18) >= 4 &&
               white_along(after, a_x, y, radius, 210) == 0 && white_along(after, b_x, y, radius, 210) >= 4;
    }, PICTURE_POLL)) << "knob A did not turn to 0.8 alone";

    expect_escape_ends_it(show);
}

TEST_F(ShowRun, WhatIsDrawnIsHeardWithinFiftyMilliseconds) {
    make_folder("31.2");
    PulseServer sound;
    RunningShow show;
    ASSERT_NO_FATAL_FAILURE(launch_playing_on(show, sound));
    ChildProcess& morva = *show.program;
    // A null sink that has been idle first plays out the silence it had
    // already mixed (over half a second) before it takes the new stream's
    // sound; from then on, as the server sees it from moment to moment:
    morva.read_output_for(milliseconds(2500));
    for (int reading = 0; reading < 20; ++reading) {
        morva.read_output_for(milliseconds(150));
        const std::optional<double> latency = stream_latency_ms(sound);
        ASSERT_TRUE(latency.has_value()) << "the stream went away";
        EXPECT_LE(*latency, 50.0) << "reading " << reading;
    }
    expect_escape_ends_it(show, milliseconds(10000));
}

TEST_F(ShowRun, WhenTheSoundServerDiesTheShowGoesOnToItsFinale) {
    make_folder("10.4");
    PulseServer sound;
    RunningShow show;
    ASSERT_NO_FATAL_FAILURE(launch_playing_on(show, sound));
    ChildProcess& morva = *show.program;
    morva.read_output_for(milliseconds(2000));
    sound.kill_now();

    const std::string said = " — the show goes on without it\n";
    ASSERT_TRUE(wait_until(morva, [&] { return morva.err_so_far().find(said) != std::string::npos; }))
        << morva.err_so_far();
    const std::string& err = morva.err_so_far();
    const size_t line_start = err.rfind('\n', err.find(said)) + 1;
    EXPECT_EQ(err.compare(line_start, 15, "sound stopped: "), 0) << err;
    EXPECT_GT(err.find(said) - line_start, 15u) << "no reason given: " << err;

    ASSERT_TRUE(wait_until(morva, [&] { return shows_the_finale(show); }, PICTURE_POLL))
        << "the show stopped with the sound";
    const ChildResult ended = escape(show, milliseconds(10000));
    EXPECT_TRUE(ended.succeeded()) << ended.describe();
    EXPECT_EQ(ended.err.find("sound stopped: "), ended.err.rfind("sound stopped: ")) << "said more than once: " << ended.err;
}

namespace {
// Where a failing start finds its X display.
enum class ShowDisplay { TEST_SCREEN, NONE, WITHOUT_GLX };

// A start that cannot go on: the show says why on standard error, after
// nothing but the banner (and the figure's art, once the scene is set up)
// on standard output, and ends with status 1.
struct FailedStart {
    const char* name;
    const char* track_seconds;  // the folder's music, if any
    bool with_font;
    std::vector<std::string> arguments;
    ShowDisplay display;
    std::string said;  // on standard error
    size_t lines;      // on standard error in all; 0: any number
    bool art_shown = false;
    std::vector<std::pair<std::string, std::string>> environment = {};
};

const FailedStart FAILED_STARTS[] = {
    // The loaders' messages, each once: the files are read after the
    // window has gone full screen, so these hold the test screen alone.
    {"WithoutItsFont", "10.4", false, {TITLE}, ShowDisplay::TEST_SCREEN,
     "error loading font: ./font/HomeVideo-Regular.ttf\n", 1},
    {"WithoutItsMusic", nullptr, true, {TITLE}, ShowDisplay::TEST_SCREEN,
     "error loading file: ./sounds/music0.ogg\nfailed to open audio file: ./sounds/music0.ogg\n", 2},
    // The sound starts last, once the scene is set up.
    {"WithoutASoundServer", "10.4", true, {TITLE}, ShowDisplay::TEST_SCREEN, "no audio devices found!\n", 0, true,
     {{"PULSE_SERVER", "unix:/nonexistent/no-such-socket"}, {"ALSA_CONFIG_PATH", "/dev/null"}}},
    // freeglut's own failures, with everything else the show needs at hand.
    {"WithoutAnXDisplay", "10.4", true, {TITLE}, ShowDisplay::NONE, "failed to open display ''", 1},
    {"OnAnUnreachableDisplay", "10.4", true, {TITLE, "-display", ":987"}, ShowDisplay::NONE,
     "failed to open display ':987'", 1},
    {"WithAMalformedFreeglutOption", "10.4", true, {TITLE, "-display"}, ShowDisplay::TEST_SCREEN,
     "-display parameter must be followed by display name", 1},
    {"OnAnXServerWithoutGlx", "10.4", true, {TITLE}, ShowDisplay::WITHOUT_GLX,
     "OpenGL GLX extension not supported by display", 1},
};

// Cases are listed by name.
void PrintTo(const FailedStart& start, std::ostream* out) { *out << start.name; }

class FailedStarts : public ShowRun, public testing::WithParamInterface<FailedStart> {};
}  // namespace

TEST_P(FailedStarts, SayWhyAfterTheBannerAndEndWithStatus1) {
    const FailedStart& failure = GetParam();
    ASSERT_NO_FATAL_FAILURE(make_folder(failure.track_seconds, failure.with_font));
    std::optional<ScreenLease> screen;
    std::optional<XServer> without_glx;
    std::string display;
    if (failure.display == ShowDisplay::TEST_SCREEN) {
        screen.emplace(ScreenUse::ALONE);
        ASSERT_TRUE(screen->held()) << "no test screen for the case";
        display = screen->display();
    } else if (failure.display == ShowDisplay::WITHOUT_GLX) {
        without_glx.emplace(XServer::start(1920, 1080, false, false));
        ASSERT_TRUE(without_glx->running()) << "could not start Xvfb for the test";
        display = without_glx->display();
    }
    const ChildResult result = start(display, failure.arguments, failure.environment).wait(CASE_TIME_LIMIT);
    EXPECT_TRUE(result.exited) << result.describe();
    EXPECT_EQ(result.exit_code, 1) << result.describe();
    EXPECT_EQ(result.out, banner_of(MORVA) + (failure.art_shown ? glyph_rows() : ""));
    EXPECT_NE(result.err.find(failure.said), std::string::npos) << result.err;
    if (failure.lines != 0) {
        EXPECT_EQ(lines_of(result.err).size(), failure.lines) << result.err;
    }
}

INSTANTIATE_TEST_SUITE_P(Morva, FailedStarts, testing::ValuesIn(FAILED_STARTS),
                         [](const auto& info) { return std::string(info.param.name); });
