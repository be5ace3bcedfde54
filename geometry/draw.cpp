// The drawing side of the geometry, in OpenGL 1.1: the records' own drawing
// functions, which hand their arrays to OpenGL in one call each (client-side
// vertex arrays) rather than a call per vertex, then the instances that
// carry them with a transform and a light.
#include "geometry/draw.h"

#include <GL/gl.h>

#include <cstddef>
#include <vector>

#include "geometry/mesh.h"
#include "geometry/mesh_instance.h"
#include "geometry/paths.h"
#include "geometry/point_list.h"

// -------------------------------------------------------------------------
// [Meshes, paths and points]
// -------------------------------------------------------------------------

namespace {
static_assert(sizeof(Vec3) == 3 * sizeof(GLfloat), "positions are packed float triples");
static_assert(sizeof(Triangle) == 3 * sizeof(GLuint), "triangles are packed index triples");

// The triangles whose three indices name vertices of the mesh.
std::vector<Triangle> triangles_inside(const Mesh* mesh) {
    std::vector<Triangle> inside;
    for (const Triangle& triangle : mesh->triangles) {
        bool valid = true;
        for (int32_t k : triangle) valid = valid && k >= 0 && k < mesh->vertex_count;
        if (valid) inside.push_back(triangle);
    }
    return inside;
}

void draw_triangles(const std::vector<Triangle>& triangles) {
    // Valid indices are never negative, so they read the same as unsigned.
    glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(3 * triangles.size()), GL_UNSIGNED_INT, triangles.data());
}

void draw_points(const std::vector<Vec3>& points, GLenum mode) {
    if (points.empty()) return;
    glEnableClientState(GL_VERTEX_ARRAY);
    glVertexPointer(3, GL_FLOAT, 0, points.data());
    glDrawArrays(mode, 0, static_cast<GLsizei>(points.size()));
    glDisableClientState(GL_VERTEX_ARRAY);
}
}  // namespace

void mesh_draw(void* target) {
    const Mesh* mesh = static_cast<const Mesh*>(target);
    if (mesh == nullptr || mesh->positions.empty() || mesh->triangles.empty()) return;
    // A colour array that does not cover every vertex (vertices added since
    // the last fill) is left out rather than read past its end.
    const bool colored = !mesh->colors.empty() && mesh->color_count >= mesh->vertex_count;
    glEnableClientState(GL_VERTEX_ARRAY);
    glVertexPointer(3, GL_FLOAT, 0, mesh->positions.data());
    if (colored) {
        // Red, green and blue only: alpha comes out 1, as from glColor3f.
        glEnableClientState(GL_COLOR_ARRAY);
        glColorPointer(3, GL_FLOAT, sizeof(Rgba), mesh->colors.data());
    }
    // The mesh knows whether its indices are sound; only a mesh with bad
    // ones pays for sorting them out, on every draw.
    if (mesh->indices_valid)
        draw_triangles(mesh->triangles);
    else
        draw_triangles(triangles_inside(mesh));
    if (colored) glDisableClientState(GL_COLOR_ARRAY);
    glDisableClientState(GL_VERTEX_ARRAY);
}

void pathset_draw(void* target) {
    const PathSet* paths = static_cast<const PathSet*>(target);
    if (paths == nullptr) return;
    std::vector<Vec3> ends(2 * static_cast<size_t>(paths->count > 0 ? paths->count : 0));
    for (int32_t i = 0; i < paths->count; ++i)
        pathset_segment(paths, i, ends[2 * static_cast<size_t>(i)], ends[2 * static_cast<size_t>(i) + 1]);
    draw_points(ends, GL_LINES);
}

void point_list_draw(void* target) {
    const PointList* list = static_cast<const PointList*>(target);
    if (list == nullptr) return;
    draw_points(list->points, GL_POINTS);
}

// -------------------------------------------------------------------------
// [Instances]
// -------------------------------------------------------------------------

namespace {
bool drawable(const MeshInstance* instance) {
    return instance != nullptr && instance->visible != 0 && instance->target != nullptr &&
           instance->draw != nullptr;
}

bool same_drawing(const MeshInstance* a, const MeshInstance* b) {
    return a->target == b->target && a->draw == b->draw;
}

// Scaled first, then rotated, then moved.
void place(const MeshInstance* instance) {
    glTranslatef(instance->position[0], instance->position[1], instance->position[2]);
    glRotatef(instance->rotation_angle, instance->rotation_axis[0], instance->rotation_axis[1],
              instance->rotation_axis[2]);
    glScalef(instance->scale[0], instance->scale[1], instance->scale[2]);
}

// Light 0 at its defaults, with the colours the target sends as its
// material's ambient and diffuse.
void light_on() {
    glEnable(GL_COLOR_MATERIAL);
    glColorMaterial(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE);
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
}

void light_off() {
    glDisable(GL_LIGHT0);
    glDisable(GL_LIGHTING);
    glDisable(GL_COLOR_MATERIAL);
}

void set_ambient(const MeshInstance* instance) {
    const GLfloat ambient[4] = {instance->ambient[0], instance->ambient[1], instance->ambient[2], 1.0f};
    glLightModelfv(GL_LIGHT_MODEL_AMBIENT, ambient);
}

// The next instance from `from` on that draws anything; count when none.
int32_t next_drawable(const MeshInstance* const* instances, int32_t from, int32_t count) {
    while (from < count && !drawable(instances[from])) ++from;
    return from;
}

// A display list for a run of instances that draw the same target: made
// by the first of them, which draws while it records, and called by the
// rest. Inside another list being recorded none can be made, and every
// instance draws its target itself.
class SharedDrawing {
public:
    SharedDrawing() {
        GLint recording = 0;
        glGetIntegerv(GL_LIST_INDEX, &recording);
        if (recording == 0) list_ = glGenLists(1);
    }
    ~SharedDrawing() {
        if (list_ != 0) glDeleteLists(list_, 1);
    }
    SharedDrawing(const SharedDrawing&) = delete;
    SharedDrawing& operator=(const SharedDrawing&) = delete;

    // Draws the instance's target; `shared` says whether the next instance
    // drawn shows the same one.
    void draw(const MeshInstance* instance, bool shared) {
        if (recorded_ != nullptr && same_drawing(recorded_, instance)) {
            glCallList(list_);
            return;
        }
        if (!shared || list_ == 0) {
            instance->draw(instance->target);
            return;
        }
        glNewList(list_, GL_COMPILE_AND_EXECUTE);
        instance->draw(instance->target);
        glEndList();
        recorded_ = instance;
    }

private:
    GLuint list_ = 0;
    const MeshInstance* recorded_ = nullptr;  // whose target the list holds
};
}  // namespace

MeshInstance* instance_new_mesh(Mesh* mesh) { return instance_new(mesh, mesh_draw); }

MeshInstance* instance_new_paths(PathSet* paths) { return instance_new(paths, pathset_draw); }

void instance_draw(const MeshInstance* instance) {
    if (!drawable(instance)) return;
    glPushMatrix();
    place(instance);
    light_on();
    set_ambient(instance);
    instance->draw(instance->target);
    light_off();
    glPopMatrix();
}

void instances_draw(const MeshInstance* const* instances, int32_t count) {
    int32_t i = next_drawable(instances, 0, count);
    if (i >= count) return;
    SharedDrawing drawing;
    light_on();
    while (i < count) {
        const MeshInstance* instance = instances[i];
        const int32_t next = next_drawable(instances, i + 1, count);
        glPushMatrix();
        place(instance);
        set_ambient(instance);
        drawing.draw(instance, next < count && same_drawing(instance, instances[next]));
        glPopMatrix();
        i = next;
    }
    light_off();
}
