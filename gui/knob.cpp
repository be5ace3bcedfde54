#include "gui/knob.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "app/application.h"
#include "app/window.h"
#include "gui/draw.h"
#include "gui/parameter.h"
#include "gui/widget.h"

namespace {
constexpr double SWEEP_DEGREES = 240.0;
constexpr double POINTER_INNER = 0.25;  // the pointer starts a quarter radius out
constexpr double LABEL_SIZE_DIVISOR = 0.6;
constexpr double LABEL_GAP = 0.0125;  // of the window height, below the dial
constexpr double DRAG_GAIN = 2.0;     // half the window height sweeps the range

double radians(double degrees) { return degrees * std::numbers::pi / 180.0; }

void draw_label(Widget& widget, Parameter& parameter, DrawState& state, double ww, double wh) {
    const char* text = parameter.format_text();
    widget.use_style_color("param-text-color");
    widget.use_style_line_width("param-text-line-width");
    const double size = widget.geometry->relative_width / LABEL_SIZE_DIVISOR;
    const double text_width = stroke_text_width(state, text, size);
    const double pen_x = widget.x * ww + (widget.width * ww - text_width) / 2.0;
    const double pen_y = widget.y * wh - std::min(ww, wh) * widget.width * 0.5 - LABEL_GAP * wh;
    draw_stroke_text(state, text, pen_x, pen_y, size);
}
}  // namespace

Widget* create_knob(Application* application, WindowGeometry* geometry, const char* title,
                    int32_t title_centered, int32_t title_above, double x, double y, double width,
                    double height) {
    Widget* widget = Widget::create(application, geometry, title, title_centered, title_above, x, y,
                                    width, height);
    widget->attach_behavior(nullptr, knob_draw, nullptr, knob_drag);
    return widget;
}

double knob_pointer_angle(double normalized) {
    return 180.0 - (normalized * SWEEP_DEGREES - SWEEP_DEGREES / 2.0 + 90.0);
}

void knob_draw(Widget* widget) {
    DrawState* state = widget->draw_state();
    if (state == nullptr || widget->geometry == nullptr) return;
    widget->use_style_line_width("contents-line-width");
    const double ww = widget->window_width();
    const double wh = widget->window_height();
    const double radius = widget->width * ww * 0.5;
    const double centre_x = widget->x * ww + radius;
    const double centre_y = widget->y * wh + radius;
    draw_circle(*state, centre_x, centre_y, radius);

    Parameter* parameter = widget->parameter();
    if (parameter == nullptr) return;
    const double angle = radians(knob_pointer_angle(parameter->normalized()));
    const double dx = std::cos(angle);
    const double dy = std::sin(angle);
    draw_line(*state, centre_x + POINTER_INNER * radius * dx, centre_y + POINTER_INNER * radius * dy,
              centre_x + radius * dx, centre_y + radius * dy);
    draw_label(*widget, *parameter, *state, ww, wh);
}

void knob_drag(Widget* widget, double u, double v, double du, double dv) {
    (void)u;
    (void)v;
    Parameter* parameter = widget->parameter();
    const double wh = widget->window_height();
    if (parameter == nullptr || wh <= 0.0) return;
    const double step = std::fabs(du) > std::fabs(dv) ? (widget->window_width() / wh) * du : dv;
    parameter->set_normalized(parameter->normalized() + DRAG_GAIN * step);
}
