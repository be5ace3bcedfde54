#include <GL/gl.h>

#include <cstddef>

#include "geometry/draw.h"
#include "geometry/mesh.h"

void mesh_draw(void* target) {
    const Mesh* mesh = static_cast<const Mesh*>(target);
    if (mesh == nullptr || mesh->positions.empty() || mesh->triangles.empty()) return;
    // A colour array that does not cover every vertex (vertices added since
    // the last fill) is left out rather than read past its end.
    const bool colored = !mesh->colors.empty() && mesh->color_count >= mesh->vertex_count;
    glBegin(GL_TRIANGLES);
    for (const Triangle& triangle : mesh->triangles) {
        bool inside = true;
        for (int32_t k : triangle) inside = inside && k >= 0 && k < mesh->vertex_count;
        if (!inside) continue;
        for (int32_t k : triangle) {
            if (colored) {
                const Rgba& color = mesh->colors[static_cast<size_t>(k)];
                glColor3f(color[0], color[1], color[2]);
            }
            const Vec3& position = mesh->positions[static_cast<size_t>(k)];
            glVertex3f(position[0], position[1], position[2]);
        }
    }
    glEnd();
}
