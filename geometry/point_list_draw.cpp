#include <GL/gl.h>

#include "geometry/draw.h"
#include "geometry/point_list.h"

void point_list_draw(void* target) {
    const PointList* list = static_cast<const PointList*>(target);
    if (list == nullptr) return;
    glBegin(GL_POINTS);
    for (const Vec3& point : list->points) glVertex3f(point[0], point[1], point[2]);
    glEnd();
}
