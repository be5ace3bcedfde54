#include <GL/gl.h>

#include "geometry/draw.h"
#include "geometry/paths.h"

void pathset_draw(void* target) {
    const PathSet* paths = static_cast<const PathSet*>(target);
    if (paths == nullptr) return;
    glBegin(GL_LINES);
    for (int32_t i = 0; i < paths->count; ++i) {
        Vec3 a, b;
        pathset_segment(paths, i, a, b);
        glVertex3f(a[0], a[1], a[2]);
        glVertex3f(b[0], b[1], b[2]);
    }
    glEnd();
}
