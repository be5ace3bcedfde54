// The show drawn with real OpenGL: what is on screen right after set-up,
// and the figure over the lattice in act 9.
#include <GL/gl.h>
#include <GL/glu.h>
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "geometry/mesh_instance.h"
#include "geometry/paths.h"
#include "gui/font.h"
#include "tests/support/gl_capture.h"
#include "tests/support/sound_files.h"
#include "tests/support/x_client.h"
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

// A frame of the scene over black, as the window shows it.
Picture draw_frame(Scene* scene) {
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    show_camera();
    show_draw(scene);
    std::vector<unsigned char> rows(static_cast<size_t>(WIDTH) * HEIGHT * 3);  // from the bottom
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, WIDTH, HEIGHT, GL_RGB, GL_UNSIGNED_BYTE, rows.data());
    Picture picture{WIDTH, HEIGHT, {}};
    for (int y = HEIGHT - 1; y >= 0; --y)
        for (size_t p = static_cast<size_t>(y) * WIDTH * 3; p < static_cast<size_t>(y + 1) * WIDTH * 3; p += 3)
            picture.pixels.push_back({rows[p], rows[p + 1], rows[p + 2]});
    return picture;
}

bool is_bright(const std::array<int, 3>& rgb) { return rgb[0] >= 128; }
bool is_drawn(const std::array<int, 3>& rgb) { return !is_black(rgb); }

float length_of(const std::array<FeedbackVertex, 2>& line) {
    return std::hypot(line[1].x - line[0].x, line[1].y - line[0].y);
}
}  // namespace

TEST(ShowDrawing, AfterSetUpOnlyTheSkeletonsDashesAreDrawn) {
    const ChildResult result = run_gl_check([](GlWindow&) {
        ShowInMemory show;
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
        const Picture frame = draw_frame(show.scene);
        GLfloat width = 0.0f;
        glGetFloatv(GL_LINE_WIDTH, &width);
        EXPECT_EQ(width, 1.5f);  // the skeleton's width was put back
        EXPECT_EQ(frame.count(is_grey), WIDTH * HEIGHT) << "a coloured pixel";
        EXPECT_GT(frame.count(is_bright), 500);
        // Across an upright dash the line is 4 pixels wide (feedback counts
        // rows from the bottom).
        for (const auto& line : dashes.lines) {
            if (std::fabs(line[1].x - line[0].x) > 0.5f || length_of(line) < 20.0f) continue;
            const int y = HEIGHT - 1 - static_cast<int>((line[0].y + line[1].y) / 2);
            const int centre = static_cast<int>(line[0].x);
            const int across = frame.count_in(centre - 10, y, 21, 1, is_bright);
            EXPECT_GE(across, 3) << "at " << centre << ", " << y;
            EXPECT_LE(across, 5) << "at " << centre << ", " << y;
        }
    });
    EXPECT_CHILD_PASSED(result);
}

TEST(ShowDrawing, InAct9TheFigureIsNeverHiddenBehindTheLattice) {
    const ChildResult result = run_gl_check([](GlWindow&) {
        ShowInMemory show;
        show.update_at(30.0);
        ASSERT_EQ(show.scene->state->act, 9);
        const Picture with_lattice = draw_frame(show.scene);
        for (MeshInstance* copy : show.scene->state->cubes) instance_set_visible(copy, 0);
        const Picture figure_alone = draw_frame(show.scene);
        int figure_pixels = 0, lattice_pixels = 0;
        for (int y = 1; y + 1 < HEIGHT; ++y) {
            for (int x = 1; x + 1 < WIDTH; ++x) {
                const bool same = figure_alone.at(x, y) == with_lattice.at(x, y);
                // Pixels inside the figure's outline: its smoothed silhouette
                // lets what lies behind show through at the very edge.
                if (figure_alone.count_in(x - 1, y - 1, 3, 3, is_drawn) == 9) {
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

// The font's texture is the one thing of a session that lives in OpenGL: a
// session gives it back when it closes, and when its music cannot be read.
TEST(ShowDrawing, TheFontsTextureGoesWithTheSession) {
    const ChildResult result = run_gl_check([](GlWindow&) {
        const std::string font = std::string(MORVA_SOURCE_DIR) + "/font/HomeVideo-Regular.ttf";
        const auto open_with = [&](const std::string& music) {
            return open_quietly([&] { return show_session_open(show_files(font, music), WIDTH, HEIGHT); });
        };
        ShowSession* show = open_with(test_track("10.4"));
        ASSERT_NE(show, nullptr);
        EXPECT_EQ(open_with("/nonexistent/music.ogg"), nullptr);
        const GLuint texture = show->font->texture;
        EXPECT_EQ(glIsTexture(texture), GL_TRUE);
        // Names are handed out from 1 up: the failed opening's font had one just above.
        EXPECT_EQ(glIsTexture(texture + 1), GL_FALSE);
        show_session_close(show);
        EXPECT_EQ(glIsTexture(texture), GL_FALSE);
    });
    EXPECT_CHILD_PASSED(result);
}
