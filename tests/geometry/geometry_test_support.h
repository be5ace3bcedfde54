#pragma once

#include <memory>

#include "geometry/deformer.h"
#include "geometry/mesh.h"
#include "geometry/paths.h"

// Owning handles for geometry records in tests.
struct MeshDeleter {
    void operator()(Mesh* mesh) const { mesh_destroy(mesh); }
};
struct PathSetDeleter {
    void operator()(PathSet* paths) const { pathset_destroy(paths); }
};
struct DeformerDeleter {
    void operator()(Deformer* deformer) const { deformer_destroy(deformer); }
};
using MeshPtr = std::unique_ptr<Mesh, MeshDeleter>;
using PathSetPtr = std::unique_ptr<PathSet, PathSetDeleter>;
using DeformerPtr = std::unique_ptr<Deformer, DeformerDeleter>;
