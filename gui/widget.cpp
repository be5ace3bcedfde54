#include "gui/widget.h"

#include <cmath>
#include <cstring>

#include "app/application.h"
#include "app/color.h"
#include "app/style.h"
#include "app/window.h"

namespace {
constexpr double ZERO_LENGTH = 1e-15;
constexpr double TITLE_SIZE_PER_RELATIVE_WIDTH = 2.0;
constexpr double TITLE_LEFT_MARGIN_PER_SCREEN_HEIGHT = 0.0086;
constexpr double TITLE_GAP_ABOVE = 0.025;  // of the window height
constexpr double TITLE_GAP_BELOW = 0.04;   // of the window height
constexpr double TITLE_BAND = 0.0434;      // window fractions taken by a title
constexpr double CONTENT_MARGIN = 0.015;   // window fractions above and below the contents
constexpr double FINE_DRAG = 0.2;          // a drag step with Shift held

void release_behavior(WidgetBehavior* behavior) {
    if (behavior == nullptr) return;
    if (behavior->release_type_data != nullptr && behavior->type_data != nullptr)
        behavior->release_type_data(behavior->type_data);
    delete behavior;
}

bool valid_slot(int32_t index) { return index >= 0 && index < WIDGET_SLOT_COUNT; }

// offset / extent, or 0 for an extent that counts as zero (1e-15 or less).
double fraction_of(double offset, double extent) {
    return std::fabs(extent) <= ZERO_LENGTH ? 0.0 : offset / extent;
}
}  // namespace

Widget* Widget::create(Application* application, WindowGeometry* geometry, const char* title,
                       int32_t title_centered, int32_t title_above, double x, double y,
                       double width, double height) {
    auto* widget = new Widget{};
    widget->application = application;
    widget->geometry = geometry;
    if (title != nullptr)
        std::strncpy(widget->title.data(), title, widget->title.size() - 1);
    widget->title_centered = title_centered;
    widget->title_above = title_above;
    widget->x = x;
    widget->y = y;
    widget->width = width;
    widget->height = height;
    return widget;
}

void Widget::destroy(Widget* widget) {
    if (widget == nullptr) return;
    release_behavior(widget->behavior);
    delete widget;
}

WidgetBehavior* Widget::attach_behavior(void* type_data, WidgetDrawFn draw_fn,
                                        WidgetButtonFn button_fn, WidgetDragFn drag_fn,
                                        TypeDataReleaseFn release_type_data) {
    release_behavior(behavior);
    behavior = new WidgetBehavior{this, type_data, draw_fn, button_fn, drag_fn, release_type_data};
    return behavior;
}

double Widget::window_width() const {
    return geometry == nullptr ? 0.0 : geometry->screen_width * geometry->relative_width;
}

double Widget::window_height() const {
    return geometry == nullptr ? 0.0 : geometry->screen_height * geometry->relative_height;
}

DrawState* Widget::draw_state() const {
    return application == nullptr ? nullptr : application->draw_state;
}

const Style* Widget::style() const {
    if (application == nullptr || application->window == nullptr) return nullptr;
    return application->window->style;
}

void Widget::use_style_color(const char* key) const {
    DrawState* state = draw_state();
    const Style* s = style();
    Color color{};
    if (state != nullptr && s != nullptr && s->find_color(key, &color) == 1) state->set_color(color);
}

void Widget::use_style_fill_color(const char* key) const {
    DrawState* state = draw_state();
    const Style* s = style();
    Color color{};
    if (state != nullptr && s != nullptr && s->find_color(key, &color) == 1)
        state->set_fill_color(color);
}

void Widget::use_style_line_width(const char* key) const {
    DrawState* state = draw_state();
    const Style* s = style();
    double number = 0.0;
    if (state != nullptr && s != nullptr && s->find_number(key, &number) == 1)
        state->set_line_width(number);
}

void Widget::draw_title() {
    DrawState* state = draw_state();
    if (title[0] == '\0' || state == nullptr || geometry == nullptr) return;
    const double ww = window_width();
    const double wh = window_height();
    use_style_color("title-color");
    use_style_line_width("title-line-width");
    const double size = TITLE_SIZE_PER_RELATIVE_WIDTH * geometry->relative_width;
    double pen_x = x * ww;
    if (title_centered == 1)
        pen_x += (width * ww - stroke_text_width(*state, title.data(), size)) / 2.0;
    else
        pen_x += TITLE_LEFT_MARGIN_PER_SCREEN_HEIGHT * geometry->screen_height;
    double pen_y = y * wh;
    if (title_above == 1)
        pen_y += height * wh + TITLE_GAP_ABOVE * wh;
    else
        pen_y -= TITLE_GAP_BELOW * wh;
    draw_stroke_text(*state, title.data(), pen_x, pen_y, size);
}

void Widget::draw() {
    if (visible == 0) return;
    draw_title();
    use_style_color("contents-color");
    use_style_fill_color("contents-fill-color");
    use_style_line_width("contents-line-width");
    if (framed == 1 && draw_state() != nullptr) {
        use_style_color("border-color");
        use_style_line_width("border-line-width");
        draw_quad(*draw_state(), pixel_quad());
    }
    if (behavior != nullptr && behavior->draw != nullptr) behavior->draw(this);
}

void Widget::handle_mouse(int32_t button, int32_t state, double pixel_x, double pixel_y) {
    if (visible == 0) return;
    const KeyCodes& codes = key_codes();
    if (button == codes.BUTTON_LEFT && state == codes.BUTTON_UP) pressed = 0;
    const double ww = window_width();
    const double wh = window_height();
    // Without a window size the pointer cannot be placed.
    if (ww <= ZERO_LENGTH || wh <= ZERO_LENGTH) return;
    const double u = pixel_x / ww;
    const double v = 1.0 - pixel_y / wh;
    if (u < x || v < y || u > x + width || v > y + height) return;
    // The top edge counts as inside, but a press on it starts no drag.
    if (button == codes.BUTTON_LEFT && state == codes.BUTTON_DOWN && v < y + height) {
        pressed = 1;
        last_x = u;
        last_y = v;
    }
    if (behavior != nullptr && behavior->button != nullptr)
        behavior->button(this, button, state, fraction_of(u - x, width), fraction_of(v - y, height));
}

void Widget::handle_motion(double pixel_x, double pixel_y) {
    const int32_t modifier_state = modifiers();
    if (visible == 0 || pressed == 0) return;
    const double ww = window_width();
    const double wh = window_height();
    if (ww <= ZERO_LENGTH || wh <= ZERO_LENGTH) return;
    const double u = pixel_x / ww;
    const double v = 1.0 - pixel_y / wh;
    double du = u - last_x;
    double dv = v - last_y;
    if ((modifier_state & key_codes().MOD_SHIFT) != 0) {
        du *= FINE_DRAG;
        dv *= FINE_DRAG;
    }
    last_x = u;
    last_y = v;
    if (behavior != nullptr && behavior->drag != nullptr) behavior->drag(this, u, v, du, dv);
}

Quad Widget::pixel_quad() const {
    const double ww = window_width();
    const double wh = window_height();
    const double left = x * ww;
    const double right = (x + width) * ww;
    const double bottom = y * wh;
    const double top = (y + height) * wh;
    return Quad{{{{left, bottom}, {right, bottom}, {right, top}, {left, top}}}};
}

int32_t Widget::contains(double u, double v) const {
    return visible != 0 && x <= u && u <= x + width && y <= v && v < y + height ? 1 : 0;
}

Area Widget::content_area() const {
    const double title_band = title[0] != '\0' ? TITLE_BAND : 0.0;
    const double content_height = height - title_band - 2.0 * CONTENT_MARGIN;
    // A widget too small for its title and margins has no contents left.
    return {x, y + title_band + CONTENT_MARGIN, width, content_height > 0.0 ? content_height : 0.0};
}

void* Widget::slot(int32_t index) const { return valid_slot(index) ? slots[index] : nullptr; }

void Widget::set_slot(int32_t index, void* object) {
    if (valid_slot(index)) slots[index] = object;
}
