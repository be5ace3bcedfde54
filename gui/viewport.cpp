#include "gui/viewport.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <algorithm>
#include <array>

#include "app/application.h"
#include "gui/draw.h"
#include "gui/widget.h"

namespace {
struct PixelArea {
    GLint left = 0;
    GLint bottom = 0;
    GLsizei width = 0;
    GLsizei height = 0;
};

// The widget's area in whole pixels, each value truncated towards zero; a
// negative size (which OpenGL would refuse) counts as empty.
PixelArea pixel_area(const Widget& widget) {
    const double ww = widget.window_width();
    const double wh = widget.window_height();
    return {static_cast<GLint>(widget.x * ww), static_cast<GLint>(widget.y * wh),
            std::max(0, static_cast<GLsizei>(widget.width * ww)),
            std::max(0, static_cast<GLsizei>(widget.height * wh))};
}

void release_viewport_data(void* data) { delete static_cast<ViewportData*>(data); }

void ignore_drag(Widget*, double, double, double, double) {}

void draw_outline(Widget& widget) {
    DrawState* state = widget.draw_state();
    if (state == nullptr) return;
    widget.use_style_color("contents-color");
    widget.use_style_fill_color("contents-fill-color");
    // The frame is never filled, whatever the style's fill.
    Color fill = state->get_fill_color();
    fill.alpha = 0.0;
    state->set_fill_color(fill);
    widget.use_style_line_width("contents-line-width");
    draw_quad(*state, widget.pixel_quad());
}

// The 12 triangles of a unit cube centred at the origin, two per face.
void emit_cube_triangles() {
    constexpr float h = 0.5f;
    static constexpr std::array<std::array<float, 3>, 8> corners{{
        {-h, -h, -h}, {h, -h, -h}, {h, h, -h}, {-h, h, -h},
        {-h, -h, h},  {h, -h, h},  {h, h, h},  {-h, h, h},
    }};
    static constexpr std::array<std::array<int, 4>, 6> faces{{
        {0, 3, 2, 1}, {4, 5, 6, 7}, {0, 1, 5, 4}, {3, 7, 6, 2}, {0, 4, 7, 3}, {1, 2, 6, 5},
    }};
    glBegin(GL_TRIANGLES);
    for (const auto& face : faces) {
        for (int corner : {face[0], face[1], face[2], face[0], face[2], face[3]})
            glVertex3fv(corners[static_cast<size_t>(corner)].data());
    }
    glEnd();
}
}  // namespace

Widget* create_viewport(Application* application, WindowGeometry* geometry, const char* title,
                        int32_t title_centered, int32_t title_above, ViewportDrawFn draw_callback,
                        double x, double y, double width, double height, int32_t outline) {
    Widget* widget = Widget::create(application, geometry, title, title_centered, title_above, x, y,
                                    width, height);
    auto* data = new ViewportData{};
    data->draw_callback = draw_callback;
    data->outline = outline;
    widget->attach_behavior(data, viewport_widget_draw, nullptr, ignore_drag, release_viewport_data);
    return widget;
}

ViewportData* viewport_data(const Widget* widget) {
    if (widget == nullptr || widget->behavior == nullptr ||
        widget->behavior->draw != viewport_widget_draw)
        return nullptr;
    return static_cast<ViewportData*>(widget->behavior->type_data);
}

void set_background(Widget* widget, double red, double green, double blue) {
    ViewportData* data = viewport_data(widget);
    if (data == nullptr) return;
    data->background.red = red;
    data->background.green = green;
    data->background.blue = blue;
}

float aspect(const Widget* widget) {
    const PixelArea area = pixel_area(*widget);
    if (area.height == 0) return 1.0f;
    return static_cast<float>(area.width) / static_cast<float>(area.height);
}

void viewport_widget_draw(Widget* widget) {
    ViewportData* data = viewport_data(widget);
    if (data == nullptr) return;
    std::array<GLint, 4> saved_viewport{};
    glGetIntegerv(GL_VIEWPORT, saved_viewport.data());
    const PixelArea area = pixel_area(*widget);
    glViewport(area.left, area.bottom, area.width, area.height);
    glScissor(area.left, area.bottom, area.width, area.height);
    glEnable(GL_SCISSOR_TEST);
    const Color& background = data->background;
    glClearColor(static_cast<float>(background.red), static_cast<float>(background.green),
                 static_cast<float>(background.blue), static_cast<float>(background.alpha));
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    if (data->draw_callback != nullptr) data->draw_callback(widget);
    glDisable(GL_SCISSOR_TEST);
    glViewport(saved_viewport[0], saved_viewport[1], saved_viewport[2], saved_viewport[3]);
    if (data->outline == 1) draw_outline(*widget);
}

void viewport_demo_draw(Widget* widget) {
    ViewportData* data = viewport_data(widget);
    if (data == nullptr) return;
    std::array<GLfloat, 16> projection{};
    std::array<GLfloat, 16> modelview{};
    glGetFloatv(GL_PROJECTION_MATRIX, projection.data());
    glGetFloatv(GL_MODELVIEW_MATRIX, modelview.data());

    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(60.0, aspect(widget), 0.1, 10.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    gluLookAt(0.0, 0.0, -4.0, 0.0, 0.0, 0.0, 0.0, 1.0, 0.0);
    data->demo_angle += 1.0f;
    glRotatef(data->demo_angle, 0.0f, 1.0f, 0.0f);

    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    emit_cube_triangles();
    glColor4f(0.0f, 1.0f, 0.0f, 1.0f);
    glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
    emit_cube_triangles();
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);

    glMatrixMode(GL_PROJECTION);
    glLoadMatrixf(projection.data());
    glMatrixMode(GL_MODELVIEW);
    glLoadMatrixf(modelview.data());
}
