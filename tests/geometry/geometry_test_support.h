#pragma once

#include <memory>

#include "geometry/mesh.h"
#include "geometry/paths.h"

// Owning handles for geometry records in tests.
struct MeshDeleter {
    void operator()(Mesh* mesh) const { mesh_destroy(mesh); }
};
struct PathSetDeleter {
    void operator()(PathSet* paths) const { pathset_destroy(paths); }
};
using MeshPtr = std::unique_ptr<Mesh, MeshDeleter>;
using PathSetPtr = std::unique_ptr<PathSet, PathSetDeleter>;
