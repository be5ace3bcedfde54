// The drawing side of the geometry, in immediate-mode OpenGL: the records'
// own drawing functions, then the instances that carry them with a
// transform and a light.
#include "geometry/draw.h"

#include <GL/gl.h>

#include <cstddef>

#include "geometry/mesh.h"
#include "geometry/mesh_instance.h"
#include "geometry/paths.h"
#include "geometry/point_list.h"

// -------------------------------------------------------------------------
// [Meshes, paths and points]
// -------------------------------------------------------------------------

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
            if (colored) glColor3fv(mesh->colors[static_cast<size_t>(k)].data());  // alpha is not sent
            glVertex3fv(mesh->positions[static_cast<size_t>(k)].data());
        }
    }
    glEnd();
}

void pathset_draw(void* target) {
    const PathSet* paths = static_cast<const PathSet*>(target);
    if (paths == nullptr) return;
    glBegin(GL_LINES);
    for (int32_t i = 0; i < paths->count; ++i) {
        Vec3 a, b;
        pathset_segment(paths, i, a, b);
        glVertex3fv(a.data());
        glVertex3fv(b.data());
    }
    glEnd();
}

void point_list_draw(void* target) {
    const PointList* list = static_cast<const PointList*>(target);
    if (list == nullptr) return;
    glBegin(GL_POINTS);
    for (const Vec3& point : list->points) glVertex3fv(point.data());
    glEnd();
}

// -------------------------------------------------------------------------
// [Instances]
// -------------------------------------------------------------------------

MeshInstance* instance_new_mesh(Mesh* mesh) { return instance_new(mesh, mesh_draw); }

MeshInstance* instance_new_paths(PathSet* paths) { return instance_new(paths, pathset_draw); }

void instance_draw(const MeshInstance* instance) {
    if (instance->visible == 0 || instance->target == nullptr || instance->draw == nullptr) return;
    glPushMatrix();
    glTranslatef(instance->position[0], instance->position[1], instance->position[2]);
    glRotatef(instance->rotation_angle, instance->rotation_axis[0], instance->rotation_axis[1],
              instance->rotation_axis[2]);
    glScalef(instance->scale[0], instance->scale[1], instance->scale[2]);
    // The colours the target sends become its material's ambient and diffuse.
    glEnable(GL_COLOR_MATERIAL);
    glColorMaterial(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE);
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    const GLfloat ambient[4] = {instance->ambient[0], instance->ambient[1], instance->ambient[2], 1.0f};
    glLightModelfv(GL_LIGHT_MODEL_AMBIENT, ambient);
    instance->draw(instance->target);
    glDisable(GL_LIGHT0);
    glDisable(GL_LIGHTING);
    glDisable(GL_COLOR_MATERIAL);
    glPopMatrix();
}
