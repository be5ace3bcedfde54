#include "app/glut_backend.h"

#include <GL/freeglut.h>

#include "app/frame.h"
#include "app/swap_interval.h"
#include "app/window.h"

namespace {
// RGBA, double buffer, depth buffer.
constexpr unsigned int DISPLAY_MODE = GLUT_RGBA | GLUT_DOUBLE | GLUT_DEPTH;
static_assert(DISPLAY_MODE == 18);

// The window the adapters serve; freeglut's callbacks carry no user pointer.
Window* current_glut_window = nullptr;

void display_adapter() {
    Window* window = current_glut_window;
    if (window != nullptr && window->glut != nullptr) draw_frame(*window->glut);
    glutSwapBuffers();
}

void reshape_adapter(int width, int height) {
    if (current_glut_window != nullptr && current_glut_window->glut != nullptr)
        current_glut_window->glut->reshape(width, height);
}

void idle_adapter() {
    if (current_glut_window != nullptr) current_glut_window->on_idle();
    glutPostRedisplay();
}

void keyboard_adapter(unsigned char key, int x, int y) {
    if (current_glut_window != nullptr) current_glut_window->on_key_down(key, x, y);
}

void keyboard_up_adapter(unsigned char key, int x, int y) {
    if (current_glut_window != nullptr) current_glut_window->on_key_up(key, x, y);
}

void special_adapter(int key, int x, int y) {
    if (current_glut_window != nullptr) current_glut_window->on_special_down(key, x, y);
}

void special_up_adapter(int key, int x, int y) {
    if (current_glut_window != nullptr) current_glut_window->on_special_up(key, x, y);
}

void mouse_adapter(int button, int state, int x, int y) {
    if (current_glut_window != nullptr) current_glut_window->on_mouse(button, state, x, y);
}

void motion_adapter(int x, int y) {
    if (current_glut_window != nullptr) current_glut_window->on_motion(x, y);
}

void passive_motion_adapter(int x, int y) {
    if (current_glut_window != nullptr) current_glut_window->on_passive_motion(x, y);
}

void wheel_adapter(int wheel, int direction, int x, int y) {
    if (current_glut_window != nullptr) current_glut_window->on_wheel(wheel, direction, x, y);
}

void register_adapters() {
    glutDisplayFunc(display_adapter);
    glutReshapeFunc(reshape_adapter);
    glutIdleFunc(idle_adapter);
    glutKeyboardFunc(keyboard_adapter);
    glutKeyboardUpFunc(keyboard_up_adapter);
    glutSpecialFunc(special_adapter);
    glutSpecialUpFunc(special_up_adapter);
    glutMouseFunc(mouse_adapter);
    glutMotionFunc(motion_adapter);
    glutPassiveMotionFunc(passive_motion_adapter);
    glutMouseWheelFunc(wheel_adapter);
}

// Size and centred position of the first window, from the screen size and
// the window's relative size.
void place_initial_window(const WindowGeometry& geometry) {
    const int32_t screen_w = geometry.screen_width;
    const int32_t screen_h = geometry.screen_height;
    const double window_w = screen_w * geometry.relative_width;
    const double window_h = screen_h * geometry.relative_height;
    glutInitWindowSize(static_cast<int>(window_w), static_cast<int>(window_h));
    glutInitWindowPosition(static_cast<int>(screen_w / 2 - window_w * 0.5),
                           static_cast<int>(screen_h / 2 - window_h * 0.5));
}
}  // namespace

GlutBackend* GlutBackend::create(Window* window) {
    auto* backend = new GlutBackend{};
    backend->attach(window);
    current_glut_window = window;
    set_key_codes(GLUT_KEY_CODES);
    return backend;
}

void GlutBackend::release(GlutBackend* backend) {
    if (backend == nullptr) return;
    if (current_glut_window == backend->window) current_glut_window = nullptr;
    delete backend;
}

void GlutBackend::run(int argc, char** argv) {
    WindowGeometry* geometry = window->geometry;
    // The title is read before freeglut removes the options it knows.
    const char* title = (argc > 1 && argv != nullptr) ? argv[1] : nullptr;
    int argument_count = argc;
    glutInit(&argument_count, argv);
    glutInitDisplayMode(DISPLAY_MODE);
    geometry->set_screen_size(glutGet(GLUT_SCREEN_WIDTH), glutGet(GLUT_SCREEN_HEIGHT));
    place_initial_window(*geometry);
    glutCreateWindow(title);
    swap_once_per_refresh();
    glutIgnoreKeyRepeat(1);
    set_fixed_gl_state();
    register_adapters();
    window->on_init();
    glutMainLoop();
}

void GlutBackend::toggle_fullscreen() {
    const WindowGeometry& geometry = *window->geometry;
    // Before run there is no GLUT window to resize (and freeglut would end
    // the process); the toggle waits for a window that exists.
    if (!geometry.screen_known()) return;
    if (fullscreen == 0) {
        saved_relative_width = geometry.relative_width;
        saved_relative_height = geometry.relative_height;
        glutFullScreen();
    } else {
        const int32_t screen_w = geometry.screen_width;
        const int32_t screen_h = geometry.screen_height;
        const int width = static_cast<int>(screen_w * saved_relative_width);
        const int height = static_cast<int>(screen_h * saved_relative_height);
        glutReshapeWindow(width, height);
        glutPositionWindow(screen_w / 2 - width / 2, screen_h / 2 - height / 2);
    }
    fullscreen = 1 - fullscreen;
}

void GlutBackend::reshape(int32_t width, int32_t height) {
    WindowGeometry* geometry = window->geometry;
    // Before run the screen size is unknown and no window or context exists:
    // there is nothing to reshape, and the fractions would divide by zero.
    if (!geometry->screen_known()) return;
    const double relative_w = static_cast<double>(width) / geometry->screen_width;
    const double relative_h = static_cast<double>(height) / geometry->screen_height;
    if (fullscreen == 0) {
        saved_relative_width = relative_w;
        saved_relative_height = relative_h;
    }
    geometry->set_relative(relative_w, relative_h);
    set_pixel_projection(*geometry, width, height);
    glutPostRedisplay();
}
