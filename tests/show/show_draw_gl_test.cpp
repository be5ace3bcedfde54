// The show drawn with real OpenGL: what is on screen right after set-up,
// and the figure over the lattice in act 9.
#include <GL/gl.h>
#include <GL/glu.h>
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "geometry/mesh_instance.h"
#include "geometry/paths.h"
#include "tests/support/gl_capture.h"
#include "tests/show/show_fixture.h"

namespace {
constexpr int WIDTH = 960;
constexpr int HEIGHT = 540;

// The show's camera over the whole window.
void show_camera() {
    glViewport(0, 0, WIDTH, HEIGHT);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(60.0, static_cast<double>(WIDTH) / HEIGHT, 0.01, 1000.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    gluLookAt(0.0, 0.0, -5.0, 0.0, 0.0, 0.0, 0.0, 1.0, 0.0);
}

// A frame of the scene over black, read back as RGB rows.
std::vector<unsigned char> draw_frame(Scene* scene) {
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    show_camera();
    show_draw(scene);
    std::vector<unsigned char> pixels(static_cast<size_t>(WIDTH) * HEIGHT * 3);
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, WIDTH, HEIGHT, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
    return pixels;
}

// A scene over a silent in-memory track, built inside the GL check.
struct SceneInWindow {
    AudioTrack* track = track_in_memory(104 * ShowScene::FRAMES_PER_PATTERN);
    Scene* scene = nullptr;
    SceneInWindow() {
        testing::internal::CaptureStderr();
        scene = show_build(track, 13, 104, nullptr, WIDTH, HEIGHT);
        testing::internal::GetCapturedStderr();
        testing::internal::CaptureStdout();
        scene_setup(scene);
        testing::internal::GetCapturedStdout();
    }
    ~SceneInWindow() {
        scene_destroy(scene);
        AudioTrack::destroy(track);
    }
    void update_at(double pattern) {
        track->position = static_cast<int64_t>(std::llround(pattern * ShowScene::FRAMES_PER_PATTERN));
        show_update(scene);
    }
};

float length_of(const std::array<FeedbackVertex, 2>& line) {
    return std::hypot(line[1].x - line[0].x, line[1].y - line[0].y);
}
}  // namespace

TEST(ShowDrawing, AfterSetUpOnlyTheSkeletonsDashesAreDrawn) {
    const ChildResult result = run_gl_check([](GlWindow&) {
        SceneInWindow show;
        show_camera();
        const Feedback dashes = capture_feedback([&] { show_draw(show.scene); });
        EXPECT_TRUE(dashes.polygons.empty());  // no figure, no lattice
        ASSERT_EQ(dashes.lines.size(), 21u);
        pathset_set_scale(show.scene->state->paths, 1.0f);
        const Feedback whole = capture_feedback([&] { show_draw(show.scene); });
        pathset_set_scale(show.scene->state->paths, 0.6f);
        ASSERT_EQ(whole.lines.size(), 21u);
        for (size_t i = 0; i < 21; ++i) {
            if (i == 10) continue;  // the crossing's stub is a tenth of a cell
            EXPECT_NEAR(length_of(dashes.lines[i]) / length_of(whole.lines[i]), 0.6f, 1e-3) << i;
        }

        glLineWidth(1.5f);
        const std::vector<unsigned char> frame = draw_frame(show.scene);
        GLfloat width = 0.0f;
        glGetFloatv(GL_LINE_WIDTH, &width);
        EXPECT_EQ(width, 1.5f);  // the skeleton's width was put back
        int bright = 0;
        for (size_t p = 0; p < frame.size(); p += 3) {
            ASSERT_EQ(frame[p], frame[p + 1]) << "a coloured pixel";
            ASSERT_EQ(frame[p + 1], frame[p + 2]) << "a coloured pixel";
            if (frame[p] >= 128) ++bright;
        }
        EXPECT_GT(bright, 500);
        // Across an upright dash the line is 4 pixels wide.
        for (const auto& line : dashes.lines) {
            if (std::fabs(line[1].x - line[0].x) > 0.5f || length_of(line) < 20.0f) continue;
            const int y = static_cast<int>((line[0].y + line[1].y) / 2);
            const int centre = static_cast<int>(line[0].x);
            int across = 0;
            for (int x = centre - 10; x <= centre + 10; ++x)
                if (frame[(static_cast<size_t>(y) * WIDTH + x) * 3] >= 128) ++across;
            EXPECT_GE(across, 3) << "at " << centre << ", " << y;
            EXPECT_LE(across, 5) << "at " << centre << ", " << y;
        }
    });
    EXPECT_CHILD_PASSED(result);
}

TEST(ShowDrawing, InAct9TheFigureIsNeverHiddenBehindTheLattice) {
    const ChildResult result = run_gl_check([](GlWindow&) {
        SceneInWindow show;
        show.update_at(30.0);
        ASSERT_EQ(show.scene->state->act, 9);
        const std::vector<unsigned char> with_lattice = draw_frame(show.scene);
        for (MeshInstance* copy : show.scene->state->cubes) instance_set_visible(copy, 0);
        const std::vector<unsigned char> figure_alone = draw_frame(show.scene);
        auto drawn = [&](int x, int y) {
            const size_t p = (static_cast<size_t>(y) * WIDTH + x) * 3;
            return figure_alone[p] != 0 || figure_alone[p + 1] != 0 || figure_alone[p + 2] != 0;
        };
        int figure_pixels = 0, lattice_pixels = 0;
        for (int y = 1; y + 1 < HEIGHT; ++y) {
            for (int x = 1; x + 1 < WIDTH; ++x) {
                const size_t p = (static_cast<size_t>(y) * WIDTH + x) * 3;
                const bool same = figure_alone[p] == with_lattice[p] && figure_alone[p + 1] == with_lattice[p + 1] &&
                                  figure_alone[p + 2] == with_lattice[p + 2];
                // Pixels inside the figure's outline: its smoothed silhouette
                // lets what lies behind show through at the very edge.
                bool inside = true;
                for (int dy = -1; dy <= 1; ++dy)
                    for (int dx = -1; dx <= 1; ++dx) inside = inside && drawn(x + dx, y + dy);
                if (inside) {
                    ++figure_pixels;
                    ASSERT_TRUE(same) << "pixel " << x << ", " << y << " of the figure changed under the lattice";
                } else if (!same) {
                    ++lattice_pixels;
                }
            }
        }
        EXPECT_GT(figure_pixels, 10000);
        EXPECT_GT(lattice_pixels, 1000);  // the lattice is really there around it
    });
    EXPECT_CHILD_PASSED(result);
}
