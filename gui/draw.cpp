#include "gui/draw.h"

#include <GL/freeglut.h>
#include <GL/glu.h>

#include "app/application.h"

namespace {
constexpr GLint CIRCLE_SLICES = 64;
// Circle outlines are drawn a little wider than lines, so that a dial's rim
// reads as heavy as its pointer.
constexpr double CIRCLE_OUTLINE_WIDTH_FACTOR = 1.2;
// The stroke font is 119.05 units high; size 1 is a tenth of that.
constexpr double STROKE_UNITS_PER_SIZE = 0.1;

void use_color(const Color& c) {
    glColor4f(static_cast<float>(c.red), static_cast<float>(c.green), static_cast<float>(c.blue),
              static_cast<float>(c.alpha));
}

bool has_fill(const DrawState& state) { return state.fill_color.alpha > 0.0; }

void emit_corners(const Quad& quad) {
    for (const Point2& corner : quad.corners)
        glVertex3f(static_cast<float>(corner.x), static_cast<float>(corner.y), 0.0f);
}

// One primitive under the identity model-view, translated to (x, y).
template <typename Draw>
void at_origin_plus(double x, double y, Draw draw) {
    glPushMatrix();
    glLoadIdentity();
    glTranslatef(static_cast<float>(x), static_cast<float>(y), 0.0f);
    draw();
    glPopMatrix();
}

void draw_quad_at(const DrawState& state, double x, double y, const Quad& quad) {
    if (has_fill(state)) {
        at_origin_plus(x, y, [&] {
            use_color(state.fill_color);
            glBegin(GL_QUADS);
            emit_corners(quad);
            glEnd();
        });
    }
    at_origin_plus(x, y, [&] {
        use_color(state.color);
        glLineWidth(static_cast<float>(state.line_width));
        glBegin(GL_LINE_LOOP);
        emit_corners(quad);
        glEnd();
    });
}

const unsigned char* as_glut_text(const char* text) {
    return reinterpret_cast<const unsigned char*>(text != nullptr ? text : "");
}
}  // namespace

void draw_line(const DrawState& state, double x1, double y1, double x2, double y2) {
    at_origin_plus(0.0, 0.0, [&] {
        use_color(state.color);
        glLineWidth(static_cast<float>(state.line_width));
        glBegin(GL_LINES);
        glVertex3f(static_cast<float>(x1), static_cast<float>(y1), 0.0f);
        glVertex3f(static_cast<float>(x2), static_cast<float>(y2), 0.0f);
        glEnd();
    });
}

void draw_quad(const DrawState& state, const Quad& quad) { draw_quad_at(state, 0.0, 0.0, quad); }

void draw_rect(const DrawState& state, double centre_x, double centre_y, double width,
               double height) {
    const double hw = width / 2.0;
    const double hh = height / 2.0;
    const Quad corners{{{{-hw, -hh}, {hw, -hh}, {hw, hh}, {-hw, hh}}}};
    draw_quad_at(state, centre_x, centre_y, corners);
}

void draw_circle(const DrawState& state, double centre_x, double centre_y, double radius) {
    GLUquadric* quadric = gluNewQuadric();
    if (quadric == nullptr) return;
    if (has_fill(state)) {
        at_origin_plus(centre_x, centre_y, [&] {
            use_color(state.fill_color);
            gluQuadricDrawStyle(quadric, GLU_FILL);
            gluDisk(quadric, 0.0, radius, CIRCLE_SLICES, 1);
        });
    }
    at_origin_plus(centre_x, centre_y, [&] {
        use_color(state.color);
        glLineWidth(static_cast<float>(CIRCLE_OUTLINE_WIDTH_FACTOR * state.line_width));
        gluQuadricDrawStyle(quadric, GLU_LINE);
        gluDisk(quadric, radius, radius, CIRCLE_SLICES, 1);
    });
    gluDeleteQuadric(quadric);
}

void draw_stroke_text(const DrawState& state, const char* text, double x, double y, double size) {
    at_origin_plus(x, y, [&] {
        use_color(state.color);
        glLineWidth(static_cast<float>(state.line_width));
        const auto scale = static_cast<float>(size * STROKE_UNITS_PER_SIZE);
        glScalef(scale, scale, scale);
        // Each character moves the model-view origin on by its own width.
        for (const unsigned char* c = as_glut_text(text); *c != 0; ++c)
            glutStrokeCharacter(GLUT_STROKE_MONO_ROMAN, *c);
    });
}

double stroke_text_width(const DrawState& state, const char* text, double size) {
    (void)state;  // the width depends on the font alone
    return glutStrokeLength(GLUT_STROKE_MONO_ROMAN, as_glut_text(text)) * size *
           STROKE_UNITS_PER_SIZE;
}
