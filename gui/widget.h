#pragma once

#include <array>
#include <cstdint>

#include "gui/draw.h"

struct Application;
struct DrawState;
struct Parameter;
struct Style;
struct Widget;
struct WindowGeometry;

// What makes a widget a particular kind: its own data and the callbacks
// that draw it and follow the pointer. Any callback may be none.
using WidgetDrawFn = void (*)(Widget* widget);
// Button events inside the widget; u and v are fractions of the widget.
using WidgetButtonFn = void (*)(Widget* widget, int32_t button, int32_t state, double u, double v);
// Pointer movement while pressed; u, v are window fractions, du, dv the step.
using WidgetDragFn = void (*)(Widget* widget, double u, double v, double du, double dv);
using TypeDataReleaseFn = void (*)(void* type_data);

struct WidgetBehavior {
    Widget* widget = nullptr;    // back reference
    void* type_data = nullptr;   // owned: the kind's own record, or none
    WidgetDrawFn draw = nullptr;
    WidgetButtonFn button = nullptr;
    WidgetDragFn drag = nullptr;
    // How type_data is released with the behavior; none for no type data.
    TypeDataReleaseFn release_type_data = nullptr;
};

inline constexpr int32_t WIDGET_TITLE_CAPACITY = 256;  // 255 characters and a zero byte
inline constexpr int32_t WIDGET_SLOT_COUNT = 16;
inline constexpr int32_t PARAMETER_SLOT = 0;

// A rectangle in window fractions.
struct Area {
    double x = 0.0;
    double y = 0.0;
    double width = 0.0;
    double height = 0.0;
};

// A rectangular panel placed in fractions of its window (origin at the
// bottom-left, y upwards). It draws an optional title, takes its colours and
// line widths from the window's style into the shared DrawState, turns
// pointer events into a pressed state and drag steps, and leaves the rest to
// its behavior. Pointer positions arrive in window pixels from the top-left.
// The fields are the plain reads.
struct Widget {
    WidgetBehavior* behavior = nullptr;  // owned; none until a kind attaches one
    Application* application = nullptr;  // borrowed: DrawState, and the style through its window
    WindowGeometry* geometry = nullptr;  // borrowed: the window's geometry
    std::array<char, WIDGET_TITLE_CAPACITY> title{};  // empty: no title
    int32_t title_above = 0;  // 1: above the top edge; 0: below the bottom edge
    double x = 0.0;           // bottom-left corner, window fractions
    double y = 0.0;
    double width = 0.0;
    double height = 0.0;
    int32_t visible = 1;  // an invisible widget neither draws nor reacts
    int32_t pressed = 0;  // 1 while the left button, pressed inside, is held
    double last_x = 0.0;  // pointer at the press or the last drag step, window fractions
    double last_y = 0.0;
    int32_t framed = 0;          // 1: draw a border
    int32_t title_centered = 0;  // 1: centred over the widget; 0: at its left edge
    std::array<void*, WIDGET_SLOT_COUNT> slots{};  // borrowed objects; slot 0: a knob's Parameter

    // A longer title is cut to its first 255 characters.
    static Widget* create(Application* application, WindowGeometry* geometry, const char* title,
                          int32_t title_centered, int32_t title_above, double x, double y,
                          double width, double height);
    // Releases the behavior with its type data, and the widget itself.
    static void destroy(Widget* widget);

    // Makes a new behavior the widget's kind, releasing any previous one.
    WidgetBehavior* attach_behavior(void* type_data, WidgetDrawFn draw, WidgetButtonFn button,
                                    WidgetDragFn drag, TypeDataReleaseFn release_type_data = nullptr);

    // Title, contents style, frame, then the behavior's drawing.
    void draw();
    // A left-button release anywhere ends a drag; a left press inside and
    // below the top edge starts one. Events inside reach the behavior.
    void handle_mouse(int32_t button, int32_t state, double pixel_x, double pixel_y);
    // While pressed: one drag step per call, a fifth as long with Shift held.
    void handle_motion(double pixel_x, double pixel_y);

    // The rectangle in window pixels, from the bottom-left corner anticlockwise.
    Quad pixel_quad() const;
    // 1 when visible and x <= u <= x + width, y <= v < y + height.
    int32_t contains(double u, double v) const;
    // The part below the title, with a small margin above and below.
    Area content_area() const;
    // Slots 0 to 15; other indices read as none and are ignored on writing.
    void* slot(int32_t index) const;
    void set_slot(int32_t index, void* object);
    void set_visible(int32_t flag) { visible = flag; }
    int32_t is_pressed() const { return pressed; }
    Parameter* parameter() const { return static_cast<Parameter*>(slot(PARAMETER_SLOT)); }
    void set_parameter(Parameter* p) { set_slot(PARAMETER_SLOT, p); }

    // The window's size in pixels (0 before the screen size is known).
    double window_width() const;
    double window_height() const;
    // The application's drawing state, or none.
    DrawState* draw_state() const;
    // Copy a style entry of the window into the DrawState; a key missing
    // from the style (or no style at all) leaves the DrawState as it was.
    void use_style_color(const char* key) const;
    void use_style_fill_color(const char* key) const;
    void use_style_line_width(const char* key) const;

private:
    const Style* style() const;
    void draw_title();
};
