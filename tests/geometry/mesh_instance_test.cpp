// Instances: their starting values, and setters that copy (drawing is
// tested under X).
#include <gtest/gtest.h>

#include "geometry/mesh.h"
#include "geometry/mesh_instance.h"

namespace {
void draw_nothing(void*) {}
}  // namespace

TEST(MeshInstance, StartsVisibleUntransformedAndLitWhite) {
    Mesh* mesh = mesh_new();
    MeshInstance* instance = instance_new(mesh, draw_nothing);
    EXPECT_EQ(instance->target, mesh);
    EXPECT_EQ(instance->draw, draw_nothing);
    EXPECT_EQ(instance_is_visible(instance), 1);
    EXPECT_EQ(instance->position, (Vec3{0, 0, 0}));
    EXPECT_EQ(instance->rotation_axis, (Vec3{0, 1, 0}));
    EXPECT_EQ(instance->rotation_angle, 0.0f);
    EXPECT_EQ(instance->scale, (Vec3{1, 1, 1}));
    EXPECT_EQ(instance->ambient, (Rgb{1, 1, 1}));
    instance_destroy(instance);
    // The target is borrowed: it outlives the instance.
    EXPECT_EQ(mesh_vertex_count(mesh), 0);
    mesh_destroy(mesh);
}

// What the setters do to the drawing is checked where instances are drawn;
// here, that they keep copies and leave the rest alone.
TEST(MeshInstance, SettersKeepCopiesOfWhatTheyAreGiven) {
    MeshInstance* instance = instance_new(nullptr, draw_nothing);
    Mesh* mesh = mesh_new();
    instance_set_target(instance, mesh);
    EXPECT_EQ(instance->draw, draw_nothing);  // a new target keeps the draw function
    Vec3 axis{0, 0, 1};
    instance_set_rotation(instance, axis, 45);
    axis[2] = 9;
    EXPECT_EQ(instance->rotation_axis, (Vec3{0, 0, 1}));
    Rgb ambient{0.25f, 0.5f, 0.75f};
    instance_set_ambient(instance, ambient);
    ambient[0] = 1;
    EXPECT_EQ(instance->ambient, (Rgb{0.25f, 0.5f, 0.75f}));
    instance_destroy(instance);
    mesh_destroy(mesh);
}
