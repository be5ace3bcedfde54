// The capture draws what the live show draws: the same frame, pixel for
// pixel, from the live glue's own idle step and frame in a GLUT window
// whose track has been played to the same moment.
#include <GL/gl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <ostream>
#include <string>
#include <vector>

#include "app/application.h"
#include "app/frame.h"
#include "app/window.h"
#include "show/show_app.h"
#include "show/show_seek.h"
#include "show/show_session.h"
#include "show/show_view.h"
#include "tests/show/show_fixture.h"
#include "tests/support/glut_test.h"
#include "tests/support/sound_files.h"
#include "tests/tools/capture_support.h"
#include "tools/capture/capture_time.h"
#include "tools/capture/capture_moments.h"
#include "tools/capture/gl_context.h"

namespace {
constexpr int WIDTH = 640;
constexpr int HEIGHT = 360;
constexpr int FPS = 10;

// The live show with its panel and its open show, but the music played by
// the test instead of the sound card.
int32_t open_without_sound(Window* window) {
    ShowContext& context = *show_context();
    show_create_panel(window, context);
    context.session =
        show_session_open(context.files, window->geometry->screen_width, window->geometry->screen_height);
    return context.session != nullptr ? 1 : 0;
}

// The WIDTH x HEIGHT frame at the bottom left of the back buffer holds the
// captured picture, every value.
void expect_back_buffer_is(const Picture& expected, const std::string& where) {
    std::vector<uint8_t> rgb(static_cast<size_t>(WIDTH) * HEIGHT * 3);
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, WIDTH, HEIGHT, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
    int differing = 0, largest = 0;
    for (int y = 0; y < HEIGHT; ++y) {
        for (int i = 0; i < WIDTH * 3; ++i) {
            const int drawn = rgb[static_cast<size_t>(HEIGHT - 1 - y) * WIDTH * 3 + i];
            const int captured = expected.at(i / 3, y)[static_cast<size_t>(i % 3)];
            if (drawn != captured) ++differing;
            largest = std::max(largest, std::abs(drawn - captured));
        }
    }
    EXPECT_EQ(differing, 0) << "values differing, by up to " << largest << ", at " << where;
}

// Runs the live show in a window as large as its screen (a private one of
// the frame's size) up to the moment and compares the frame it draws there
// with the capture's picture. Every frame up to the moment is drawn, as
// live, which takes a while in the sanitizer build.
ChildResult live_frame_matches(const std::string& folder, const std::string& moment_text, const Picture& captured,
                               const ShowFiles& files) {
    XServer server = XServer::start(WIDTH, HEIGHT);
    if (!server.running()) {
        ADD_FAILURE() << "could not start Xvfb for the test";
        return {};
    }
    return run_window_child(server.display(), [&] {
        if (chdir(folder.c_str()) != 0) ADD_FAILURE() << "cannot enter " << folder;
        Application* application = Application::create();
        Window* window = show_window_create(application, 1.0, 1.0, files);
        static WindowCallback live_idle = nullptr;
        live_idle = window->callbacks->idle;
        window->callbacks->init = open_without_sound;
        static ShowClock clock;
        static CaptureTime moment;
        static const Picture* expected = nullptr;
        static XClient* x = nullptr;
        ASSERT_EQ(parse_capture_time(moment_text, moment), 1);
        expected = &captured;
        x = new XClient(server.display());
        // One step of the schedule per loop pass once the window shows:
        // the sound up to the frame's time, then the live idle step; the
        // loop draws the frame after it, as it does live.
        window->callbacks->idle = [](Window* live) {
            if (clock.scene == nullptr) {
                if (!x->viewable(current_glx_window())) return;
                clock.track = show_context()->session->track;
                clock.scene = show_context()->session->scene;
                clock.fps = FPS;
            }
            clock.play_next_frame();
            live_idle(live);
            if (!time_reached(moment, clock)) return;
            // The moment: the backend's own frame, read before any swap.
            draw_frame(*live->backend());
            expect_back_buffer_is(*expected, "frame " + std::to_string(clock.frame));
            EXPECT_GT(clock.frame, 0);
            finish_child();
        };
        char title[] = "morva-live";
        char* argv[] = {title, nullptr};
        window->run(1, argv);
        ADD_FAILURE() << "the window's loop returned";
        finish_child();
    });
}

struct LiveMoment {
    const char* name;
    const char* moment;
    const char* document;  // the sync editor's keys both draw with, or nullptr
};

void PrintTo(const LiveMoment& moment, std::ostream* out) { *out << moment.name; }

class CaptureAgainstLive : public testing::TestWithParam<LiveMoment> {};
}  // namespace

TEST_P(CaptureAgainstLive, TheCapturedFrameIsTheLiveShowsFrame) {
    ShowFolder folder("10.4");
    const std::string moment = GetParam().moment;
    ShowFiles files;
    std::vector<std::string> arguments = {"--at", moment, "--out", "stills", "--size",
                                          std::to_string(WIDTH) + "x" + std::to_string(HEIGHT), "--fps",
                                          std::to_string(FPS)};
    if (GetParam().document != nullptr) {
        const std::string text = GetParam().document;
        write_file_bytes(folder.file("edit.rocket"), std::vector<uint8_t>(text.begin(), text.end()));
        files.tracks_source = "edit.rocket";
        arguments.insert(arguments.end(), {"--tracks", "edit.rocket"});
    }
    const ChildResult captured = capture(folder, arguments);
    ASSERT_TRUE(captured.succeeded()) << captured.describe();
    const Picture picture = read_png(folder.file("stills/at-" + moment + ".png"));
    ASSERT_EQ(picture.width, WIDTH);
    const ChildResult live = live_frame_matches(folder.path(), moment, picture, files);
    EXPECT_CHILD_PASSED(live);
}

// Every track keyed, each kind of step between keys, over act 9's rows
// (pattern 45 is row 360).
constexpr const char* EDITED = R"(<sync rows="832"><tracks>
<track name="background:r"><key row="300" value="0.2" interpolation="1"/><key row="400" value="0.9"/></track>
<track name="background:g"><key row="0" value="0.1" interpolation="2"/><key row="800" value="0.6"/></track>
<track name="background:b"><key row="0" value="0.7"/></track>
<track name="figure:turn"><key row="0" value="0" interpolation="3"/><key row="400" value="540"/></track>
<track name="figure:radius"><key row="0" value="0.6"/></track>
<track name="figure:sharpness"><key row="340" value="2" interpolation="1"/><key row="380" value="6"/></track>
<track name="figure:bias"><key row="0" value="0.3"/></track>
<track name="lattice:spin"><key row="300" value="0" interpolation="2"/><key row="420" value="200"/></track>
<track name="lattice:scale"><key row="0" value="0.7"/></track>
<track name="lattice:ambient"><key row="0" value="0.9"/></track>
<track name="credits:hue"><key row="200" value="0" interpolation="1"/><key row="500" value="1"/></track>
</tracks></sync>
)";

// Act 3 (the figure swelling) before the credits first draw, where blending
// is still on; act 9 late, with the lattice, the coloured ground and the
// credit line, as written and as edited; the end.
INSTANTIATE_TEST_SUITE_P(Moments, CaptureAgainstLive,
                         testing::Values(LiveMoment{"p7", "p7", nullptr}, LiveMoment{"p45", "p45", nullptr},
                                         LiveMoment{"p45_edited", "p45", EDITED}, LiveMoment{"end", "end", nullptr}),
                         [](const testing::TestParamInfo<LiveMoment>& info) { return std::string(info.param.name); });

// A jump lands on the capture's picture of the moment at 60 updates a
// second, reached backwards from later and by jumps forward of 8 patterns
// and more (a pattern lasts 0.1 s on this track): moments in acts 5, 7 and
// 9, before and after the background follows the music, and the closing
// line. Drawn in the capture's own off-screen context.
TEST(SeekAgainstCapture, AJumpLandsOnTheCapturedPicture) {
    ShowFolder folder("10.4");
    const std::vector<std::string> moments = {"4.55", "0.83", "2.57", "8.93", "1.73"};
    std::string at;
    for (const std::string& moment : moments) at += (at.empty() ? "" : ",") + moment;
    const ChildResult captured = capture(folder, {"--at", at, "--out", "stills", "--size",
                                                  std::to_string(WIDTH) + "x" + std::to_string(HEIGHT), "--fps",
                                                  std::to_string(SEEK_UPDATES_PER_SECOND)});
    ASSERT_TRUE(captured.succeeded()) << captured.describe();
    ChildProcess child = ChildProcess::fork_function([&] {
        GlContext* gl = GlContext::create(ContextChoice::egl, WIDTH, HEIGHT);
        ASSERT_NE(gl, nullptr);
        set_fixed_gl_state();
        const ShowFiles files = show_files(folder.file("font/HomeVideo-Regular.ttf"), folder.file("sounds/music0.ogg"));
        ShowSession* show = open_quietly([&] { return show_session_open(files, WIDTH, HEIGHT); });
        ASSERT_NE(show, nullptr);
        ShowClock clock{show->track, show->scene, SEEK_UPDATES_PER_SECOND};
        while (clock.seconds() < 9.5) clock.step();  // a straight run, past every moment
        for (const std::string& moment : moments) {
            show_session_seek(show, show_session_frame_at(show, std::stod(moment)));
            show_frame_draw(show->scene, WIDTH, HEIGHT);
            expect_back_buffer_is(read_png(folder.file("stills/at-" + moment + ".png")), moment + " s");
        }
        show_session_close(show);
        GlContext::destroy(gl);
    }, drawing_program_environment());
    const ChildResult jumped = child.wait(std::chrono::milliseconds(120000));
    EXPECT_TRUE(jumped.succeeded()) << jumped.describe();
}
