// Two knobs and a line of text: a window of the toolkit with a panel of
// widgets. Drag a knob up or down to turn it (Shift for finer steps); the
// line under the knobs says where both stand. Escape quits.
#include <GL/gl.h>
#include <morva/app/application.h>
#include <morva/app/style.h>
#include <morva/app/window.h>
#include <morva/gui/font.h>
#include <morva/gui/knob.h>
#include <morva/gui/parameter.h>
#include <morva/gui/widget.h>

#include <array>
#include <cstdio>
#include <cstdlib>

namespace {
struct Panel {
    std::array<Widget*, 2> knobs{};
    std::array<Parameter*, 2> parameters{};
    Font* font = nullptr;
    std::array<char, 128> line{};
};

Panel& panel_of(Window* window) { return *static_cast<Panel*>(window->callbacks->user_data); }

// Called by each parameter when it is set up and on every change.
void describe(Parameter*, void* data) {
    Panel& panel = *static_cast<Panel*>(data);
    if (panel.parameters[0] == nullptr || panel.parameters[1] == nullptr) return;
    std::snprintf(panel.line.data(), panel.line.size(), "gain %.1f dB   pitch %.0f Hz",
                  panel.parameters[0]->value, panel.parameters[1]->value);
}

Widget* make_knob(Window* window, Panel& panel, int index, const char* title, double x, double minimum,
                  double maximum, const char* unit) {
    const WindowGeometry& geometry = *window->geometry;
    const double square = static_cast<double>(geometry.screen_width) / geometry.screen_height;
    Widget* knob = create_knob(window->application, window->geometry, title, 1, 1, x, 0.35, 0.2, 0.2 * square);
    Parameter* parameter = Parameter::create(window, index, minimum);
    parameter->set_range(minimum, maximum);
    parameter->set_value((minimum + maximum) / 2);
    parameter->set_label(unit);
    panel.parameters[index] = parameter;
    parameter->set_on_change(describe, &panel);
    knob->set_parameter(parameter);
    return knob;
}

// Once the window and its OpenGL context exist.
int32_t init(Window* window) {
    Panel& panel = panel_of(window);
    panel.knobs[0] = make_knob(window, panel, 0, "gain", 0.2, -24.0, 6.0, "dB");
    panel.knobs[1] = make_knob(window, panel, 1, "pitch", 0.6, 110.0, 880.0, "Hz");
    panel.font = Font::create(window->geometry->pixel_height() * 0.08);
    if (panel.font->load(FONT_PATH, 1) != 1) std::exit(1);  // after the loader's message
    return 1;
}

void display(Window* window) {
    Panel& panel = panel_of(window);
    for (Widget* knob : panel.knobs) knob->draw();
    const WindowGeometry& geometry = *window->geometry;
    draw_text_in_window_pixels(*panel.font, panel.line.data(), geometry.pixel_width(), geometry.pixel_height(),
                               0.2, 0.93, 1.0f, 0.8f, 0.3f);
    glMatrixMode(GL_MODELVIEW);  // the text leaves the projection matrix current
}

void key(Window*, uint8_t key, int32_t, int32_t) {
    if (key == 27) std::exit(0);
}

void mouse(Window* window, int32_t button, int32_t state, int32_t x, int32_t y) {
    for (Widget* knob : panel_of(window).knobs) knob->handle_mouse(button, state, x, y);
}

void motion(Window* window, int32_t x, int32_t y) {
    for (Widget* knob : panel_of(window).knobs) knob->handle_motion(x, y);
}
}  // namespace

int main(int argc, char** argv) {
    static Panel panel;
    Application* application = Application::create();
    Window* window = Window::create(application, BACKEND_GLUT, 0, 0.5, 0.5);
    CallbackTable::create(window, &panel, init, display, nullptr, key, nullptr, nullptr, nullptr, mouse, motion,
                          nullptr, nullptr);
    window->set_style(create_default_style());
    // The first argument becomes the window's title; freeglut takes its own
    // options (-display, -geometry, ...) from the rest. Never returns.
    window->run(argc, argv);
    return 0;
}
