#include <GL/gl.h>

#include "geometry/draw.h"
#include "geometry/mesh_instance.h"

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
