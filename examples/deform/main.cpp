// A mesh wrapped around a path that follows the mouse: a wavy line of
// segments runs from the left edge to the pointer, and a deformer puts every
// vertex of a sphere a fixed distance from its nearest point on the line,
// so the sphere becomes a tube along it. Escape quits.
#include <GL/gl.h>
#include <morva/app/application.h>
#include <morva/app/window.h>
#include <morva/geometry/deformer.h>
#include <morva/geometry/draw.h>
#include <morva/geometry/mesh.h>
#include <morva/geometry/mesh_builders.h>
#include <morva/geometry/paths.h>

#include <cmath>
#include <cstdlib>

namespace {
constexpr int SEGMENTS = 12;
constexpr float TUBE_RADIUS = 0.12f;

PathSet* path = nullptr;
Deformer* deformer = nullptr;
Mesh* tube = nullptr;  // the deformer's last result

float window_aspect(const Window* window) {
    const WindowGeometry& geometry = *window->geometry;
    return geometry.pixel_height() > 0 ? float(geometry.pixel_width()) / float(geometry.pixel_height()) : 1.0f;
}

// The path from the left edge to (x, y), bulging sideways like a wave.
void follow(float x, float y, float aspect) {
    const Vec3 start{-aspect * 0.9f, 0.0f, 0.0f};
    const float dx = x - start[0], dy = y - start[1];
    const float length = std::sqrt(dx * dx + dy * dy) + 1e-6f;
    auto point = [&](int i) {
        const float t = float(i) / SEGMENTS, wave = 0.15f * std::sin(t * 2.0f * 3.14159265f);
        return Vec3{start[0] + dx * t - dy / length * wave, start[1] + dy * t + dx / length * wave, 0.0f};
    };
    for (int i = 0; i < SEGMENTS; ++i) path->segments[i] = {point(i), point(i + 1), 1.0f, 1.0f};
    tube = deformer_apply(deformer, TUBE_RADIUS, 0.0f, 0.0f);
}

// A sphere coloured by the direction of each vertex from its centre,
// stretched across the window so that every part of the path finds
// vertices nearest to it.
Mesh* coloured_sphere() {
    Mesh* sphere = mesh_new_sphere(4);
    mesh_fill_color(sphere, {1.0f, 1.0f, 1.0f, 1.0f});
    for (int32_t i = 0; i < mesh_vertex_count(sphere); ++i) {
        const Vec3& p = mesh_positions(sphere)[i];
        mesh_colors(sphere)[i] = {0.5f + 0.5f * p[0], 0.5f + 0.5f * p[1], 0.5f + 0.5f * p[2], 1.0f};
    }
    mesh_scale(sphere, 2.0f, 1.0f, 1.0f);
    return sphere;
}

int32_t init(Window* window) {
    path = pathset_new();
    for (int i = 0; i < SEGMENTS; ++i) pathset_append(path, Vec3{}, Vec3{});  // placed by follow
    Mesh* sphere = coloured_sphere();
    deformer = deformer_new(sphere, path, DEFORM_FLAG_PUSH);  // keeps its own copy
    mesh_destroy(sphere);
    follow(0.5f, 0.3f, window_aspect(window));
    return 1;
}

// Window pixels from the top-left to the view's units: y from -1 to 1.
void pointer(Window* window, int32_t x, int32_t y) {
    const WindowGeometry& geometry = *window->geometry;
    if (geometry.pixel_width() <= 0 || geometry.pixel_height() <= 0) return;
    const float aspect = window_aspect(window);
    follow((2.0f * x / geometry.pixel_width() - 1.0f) * aspect, 1.0f - 2.0f * y / geometry.pixel_height(), aspect);
}

void display(Window* window) {
    const float aspect = window_aspect(window);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(-aspect, aspect, -1.0, 1.0, -10.0, 10.0);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    mesh_draw(tube);
    glDisable(GL_DEPTH_TEST);  // the line on top of the tube
    glColor3f(1.0f, 1.0f, 1.0f);
    pathset_draw(path);
    glEnable(GL_DEPTH_TEST);
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
}

void key(Window*, uint8_t key, int32_t, int32_t) {
    if (key == 27) std::exit(0);
}
}  // namespace

int main(int argc, char** argv) {
    Application* application = Application::create();
    Window* window = Window::create(application, BACKEND_GLUT, 0, 0.5, 0.5);
    CallbackTable::create(window, nullptr, init, display, nullptr, key, nullptr, nullptr, nullptr, nullptr, pointer,
                          pointer, nullptr);
    // The first argument becomes the window's title. Never returns.
    window->run(argc, argv);
    return 0;
}
