// The drawing side of the geometry, in fixed-function OpenGL: the records' own drawing
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

// The vertex range is given (OpenGL 1.2's glDrawRangeElements) so that the
// driver need not scan the indices for it on every draw.
void draw_triangles(const std::vector<Triangle>& triangles, int32_t vertex_count) {
    // Valid indices are never negative, so they read the same as unsigned.
    glDrawRangeElements(GL_TRIANGLES, 0, static_cast<GLuint>(vertex_count - 1),
                        static_cast<GLsizei>(3 * triangles.size()), GL_UNSIGNED_INT, triangles.data());
}

void draw_points(const std::vector<Vec3>& points, GLenum mode) {
    if (points.empty()) return;
    glEnableClientState(GL_VERTEX_ARRAY);
    glVertexPointer(3, GL_FLOAT, 0, points.data());
    glDrawArrays(mode, 0, static_cast<GLsizei>(points.size()));
    glDisableClientState(GL_VERTEX_ARRAY);
}
}  // namespace

namespace {
// A mesh's arrays handed to OpenGL, for as many draws as it takes, and
// taken back when it goes. A colour array that does not cover every vertex
// (vertices added since the last fill) is left out rather than read past
// its end. Only a mesh with bad indices pays for sorting them out.
class BoundMesh {
public:
    explicit BoundMesh(const Mesh* mesh)
        : mesh_(mesh), colored_(!mesh->colors.empty() && mesh->color_count >= mesh->vertex_count) {
        glEnableClientState(GL_VERTEX_ARRAY);
        glVertexPointer(3, GL_FLOAT, 0, mesh->positions.data());
        if (colored_) {
            // Red, green and blue only: alpha comes out 1, as from glColor3f.
            glEnableClientState(GL_COLOR_ARRAY);
            glColorPointer(3, GL_FLOAT, sizeof(Rgba), mesh->colors.data());
        }
        if (!mesh->indices_valid) inside_ = triangles_inside(mesh);
    }
    ~BoundMesh() {
        if (colored_) glDisableClientState(GL_COLOR_ARRAY);
        glDisableClientState(GL_VERTEX_ARRAY);
    }
    BoundMesh(const BoundMesh&) = delete;
    BoundMesh& operator=(const BoundMesh&) = delete;

    void draw() const {
        draw_triangles(mesh_->indices_valid ? mesh_->triangles : inside_, mesh_->vertex_count);
    }

private:
    const Mesh* mesh_;
    bool colored_;
    std::vector<Triangle> inside_;
};

bool mesh_drawable(const Mesh* mesh) {
    return mesh != nullptr && !mesh->positions.empty() && !mesh->triangles.empty();
}
}  // namespace

void mesh_draw(void* target) {
    const Mesh* mesh = static_cast<const Mesh*>(target);
    if (!mesh_drawable(mesh)) return;
    BoundMesh(mesh).draw();
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

// GL_FRONT_FACE is counter-clockwise throughout (set_fixed_gl_state).
void set_culling(const MeshInstance* instance) {
    if (instance->cull_back_faces != 0)
        glEnable(GL_CULL_FACE);
    else
        glDisable(GL_CULL_FACE);
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

// Draws the drawable instances in [from, to) in turn, each placed and lit
// with its own ambient, by draw_one.
template <typename DrawOne>
void draw_each(const MeshInstance* const* instances, int32_t from, int32_t to, DrawOne draw_one) {
    for (int32_t i = next_drawable(instances, from, to); i < to; i = next_drawable(instances, i + 1, to)) {
        glPushMatrix();
        place(instances[i]);
        set_culling(instances[i]);
        set_ambient(instances[i]);
        draw_one(instances[i]);
        glPopMatrix();
    }
}

// The end of the run from `from` on of instances that draw the same target;
// hidden instances in between do not break it.
int32_t run_end(const MeshInstance* const* instances, int32_t from, int32_t count) {
    int32_t end = from + 1;
    while (end < count && (!drawable(instances[end]) || same_drawing(instances[from], instances[end]))) ++end;
    return end;
}
}  // namespace

MeshInstance* instance_new_mesh(Mesh* mesh) { return instance_new(mesh, mesh_draw); }

MeshInstance* instance_new_paths(PathSet* paths) { return instance_new(paths, pathset_draw); }

void instance_draw(const MeshInstance* instance) { instances_draw(&instance, 1); }

void instances_draw(const MeshInstance* const* instances, int32_t count) {
    int32_t i = next_drawable(instances, 0, count);
    if (i >= count) return;
    // Each instance culls or not as it says; the caller's setting comes back after.
    const GLboolean culling_before = glIsEnabled(GL_CULL_FACE);
    light_on();
    while (i < count) {
        const int32_t end = run_end(instances, i, count);
        const auto* mesh = static_cast<const Mesh*>(instances[i]->target);
        if (instances[i]->draw == mesh_draw && mesh_drawable(mesh)) {
            // One mesh for the whole run: its arrays are handed over once.
            const BoundMesh bound(mesh);
            draw_each(instances, i, end, [&](const MeshInstance*) { bound.draw(); });
        } else {
            draw_each(instances, i, end, [](const MeshInstance* instance) { instance->draw(instance->target); });
        }
        i = next_drawable(instances, end, count);
    }
    light_off();
    if (culling_before == GL_TRUE)
        glEnable(GL_CULL_FACE);
    else
        glDisable(GL_CULL_FACE);
}
