#pragma once

#include <memory>

#include "geometry/mesh.h"

// Owning handles for geometry records in tests.
struct MeshDeleter {
    void operator()(Mesh* mesh) const { mesh_destroy(mesh); }
};
using MeshPtr = std::unique_ptr<Mesh, MeshDeleter>;
