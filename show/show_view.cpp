#include "show/show_view.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <array>

#include "geometry/rgb.h"
#include "show/scene.h"
#include "show/show.h"

namespace {
constexpr double FIELD_OF_VIEW_DEGREES = 60.0;
constexpr double NEAR_PLANE = 0.01;
constexpr double FAR_PLANE = 1000.0;
constexpr double EYE_DISTANCE = 5.0;  // on the -z side, looking at the origin
}  // namespace

void show_view_draw(Scene* scene, float aspect) {
    std::array<GLfloat, 16> projection{}, model_view{};
    glGetFloatv(GL_PROJECTION_MATRIX, projection.data());
    glGetFloatv(GL_MODELVIEW_MATRIX, model_view.data());
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(FIELD_OF_VIEW_DEGREES, aspect, NEAR_PLANE, FAR_PLANE);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    gluLookAt(0.0, 0.0, -EYE_DISTANCE, 0.0, 0.0, 0.0, 0.0, 1.0, 0.0);
    if (scene != nullptr) scene_draw(scene);
    glMatrixMode(GL_PROJECTION);
    glLoadMatrixf(projection.data());
    glMatrixMode(GL_MODELVIEW);
    glLoadMatrixf(model_view.data());
}

void show_frame_draw(Scene* scene, int32_t width, int32_t height) {
    glViewport(0, 0, width, height);
    Rgb background{0.0f, 0.0f, 0.0f};
    if (scene != nullptr) show_background(scene, background);
    // Opaque, as the viewport widget's background is.
    glClearColor(background[0], background[1], background[2], 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    // The same ratio the viewport widget reports for an area of whole pixels.
    const float aspect = height > 0 ? static_cast<float>(width) / static_cast<float>(height) : 1.0f;
    show_view_draw(scene, aspect);
}
