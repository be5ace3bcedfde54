#include "geometry/mesh_processing.h"

#include <algorithm>
#include <vector>

#include "geometry/mesh.h"

namespace {
// The three half-edges of every triangle, in triangle order, unlinked.
std::vector<HalfEdge> half_edges_of(const Mesh* mesh) {
    std::vector<HalfEdge> edges(static_cast<size_t>(mesh->triangle_count) * 3);
    for (int32_t f = 0; f < mesh->triangle_count; ++f) {
        const Triangle& triangle = mesh->triangles[static_cast<size_t>(f)];
        for (int32_t k = 0; k < 3; ++k) {
            HalfEdge& edge = edges[static_cast<size_t>(3 * f + k)];
            edge.from = triangle[static_cast<size_t>(k)];
            edge.to = triangle[static_cast<size_t>((k + 1) % 3)];
            edge.face = 3 * f;
        }
    }
    return edges;
}

// h lies on the same edge as e when it runs the opposite way (the usual
// case for neighbours wound alike) or the same way (neighbours wound in
// opposite senses).
bool same_edge(const HalfEdge& e, const HalfEdge& h) {
    return (h.from == e.to && h.to == e.from) || (h.from == e.from && h.to == e.to);
}

// Links every half-edge with the first half-edge of another triangle on the
// same edge, scanning triangles and their edges in order. Each link is made
// both ways and overwrites earlier ones, so where more than two triangles
// meet at an edge the last search decides.
void link_twins(std::vector<HalfEdge>& edges) {
    const int32_t count = static_cast<int32_t>(edges.size());
    for (int32_t e = 0; e < count; ++e) {
        const int32_t own_face = edges[static_cast<size_t>(e)].face;
        for (int32_t h = 0; h < count; ++h) {
            if (edges[static_cast<size_t>(h)].face == own_face) continue;
            if (!same_edge(edges[static_cast<size_t>(e)], edges[static_cast<size_t>(h)])) continue;
            edges[static_cast<size_t>(e)].twin = h;
            edges[static_cast<size_t>(h)].twin = e;
            break;
        }
    }
}

// The first from-vertex of the triangle starting at half-edge `face` that
// is not on the edge `across`; -1 for a triangle that has none.
int32_t far_vertex(const std::vector<HalfEdge>& edges, int32_t face, const HalfEdge& across) {
    for (int32_t k = 0; k < 3; ++k) {
        const int32_t vertex = edges[static_cast<size_t>(face + k)].from;
        if (vertex != across.from && vertex != across.to) return vertex;
    }
    return -1;
}

// The far vertex across the twin of half-edge e, or -1 without a twin.
int32_t vertex_across(const std::vector<HalfEdge>& edges, int32_t e) {
    const HalfEdge& edge = edges[static_cast<size_t>(e)];
    if (edge.twin < 0) return -1;
    return far_vertex(edges, edges[static_cast<size_t>(edge.twin)].face, edge);
}

EdgeStencil stencil_of(const std::vector<HalfEdge>& edges, int32_t e, const std::vector<Vec3>& positions) {
    EdgeStencil stencil{};
    auto put = [&](size_t entry, int32_t vertex) {
        if (vertex >= 0) stencil[entry] = positions[static_cast<size_t>(vertex)];
    };
    const HalfEdge& edge = edges[static_cast<size_t>(e)];
    const int32_t e1 = edge.face + (e - edge.face + 1) % 3;
    const int32_t e2 = edge.face + (e - edge.face + 2) % 3;
    put(0, edge.from);
    put(1, edge.to);
    put(2, edges[static_cast<size_t>(e1)].to);
    put(3, vertex_across(edges, e));
    put(4, vertex_across(edges, e1));
    put(5, vertex_across(edges, e2));
    if (edge.twin < 0) return stencil;
    // The wings: beyond the other two edges of the triangle across a-b.
    const int32_t across_face = edges[static_cast<size_t>(edge.twin)].face;
    size_t entry = 6;
    for (int32_t h = across_face; h < across_face + 3 && entry < 8; ++h) {
        if (same_edge(edge, edges[static_cast<size_t>(h)])) continue;
        const int32_t vertex = vertex_across(edges, h);
        if (vertex < 0) continue;
        put(entry++, vertex);
    }
    return stencil;
}

Vec3 midpoint(const Vec3& a, const Vec3& b) {
    return {(a[0] + b[0]) * 0.5f, (a[1] + b[1]) * 0.5f, (a[2] + b[2]) * 0.5f};
}
}  // namespace

Mesh* mesh_merge(Mesh* const* meshes, int32_t n) {
    Mesh* merged = mesh_new();
    std::vector<Vec3> positions;
    std::vector<Triangle> triangles;
    for (int32_t i = 0; i < n; ++i) {
        const Mesh* part = meshes[i];
        if (part == nullptr) continue;
        const int32_t offset = static_cast<int32_t>(positions.size());
        positions.insert(positions.end(), part->positions.begin(), part->positions.end());
        for (const Triangle& triangle : part->triangles)
            triangles.push_back({triangle[0] + offset, triangle[1] + offset, triangle[2] + offset});
    }
    mesh_set_positions(merged, reinterpret_cast<const float*>(positions.data()),
                       static_cast<int32_t>(positions.size()));
    mesh_set_triangles(merged, reinterpret_cast<const int32_t*>(triangles.data()),
                       static_cast<int32_t>(triangles.size()));
    return merged;
}

// Only corners naming a vertex of the mesh are redirected, and onto an
// earlier vertex, so the mesh's verdict on its indices stands.
int32_t mesh_weld(Mesh* mesh, float tolerance) {
    const float tolerance_sq = tolerance * tolerance;
    int32_t rewritten = 0;
    for (int32_t m = 0; m + 1 < mesh->vertex_count; ++m) {
        for (int32_t j = m + 1; j < mesh->vertex_count; ++j) {
            const float d2 = vec3_distance_sq(mesh->positions[static_cast<size_t>(m)],
                                              mesh->positions[static_cast<size_t>(j)]);
            if (!(d2 < tolerance_sq)) continue;
            for (Triangle& triangle : mesh->triangles) {
                for (int32_t& corner : triangle) {
                    if (corner != j) continue;
                    corner = m;
                    ++rewritten;
                }
            }
        }
    }
    return rewritten;
}

void mesh_subdivide(Mesh* mesh, EdgePointRule rule) {
    if (!mesh_indices_valid(mesh)) return;
    const int32_t vertex_count = mesh->vertex_count;
    const int32_t triangle_count = mesh->triangle_count;
    const std::vector<Vec3>& old_positions = mesh->positions;  // read only until the end

    // Room for the worst case: three new points per triangle.
    std::vector<Vec3> positions(static_cast<size_t>(vertex_count) + 3 * static_cast<size_t>(triangle_count),
                                Vec3{0.0f, 0.0f, 0.0f});
    std::copy(old_positions.begin(), old_positions.end(), positions.begin());
    std::vector<Triangle> triangles;
    triangles.reserve(4 * static_cast<size_t>(triangle_count));

    std::vector<HalfEdge> edges = half_edges_of(mesh);
    link_twins(edges);

    int32_t next = vertex_count;
    for (int32_t face = 0; face < 3 * triangle_count; face += 3) {
        for (int32_t e = face; e < face + 3; ++e) {
            HalfEdge& edge = edges[static_cast<size_t>(e)];
            if (edge.edge_point != -1) continue;
            if (edge.twin >= 0 && edges[static_cast<size_t>(edge.twin)].edge_point != -1) {
                edge.edge_point = edges[static_cast<size_t>(edge.twin)].edge_point;
                continue;
            }
            Vec3 point = midpoint(old_positions[static_cast<size_t>(edge.from)],
                                  old_positions[static_cast<size_t>(edge.to)]);
            if (rule != nullptr) rule(point, stencil_of(edges, e, old_positions));
            positions[static_cast<size_t>(next)] = point;
            edge.edge_point = next;
            if (edge.twin >= 0) edges[static_cast<size_t>(edge.twin)].edge_point = next;
            ++next;
        }
        const HalfEdge& e0 = edges[static_cast<size_t>(face)];
        const HalfEdge& e1 = edges[static_cast<size_t>(face + 1)];
        const HalfEdge& e2 = edges[static_cast<size_t>(face + 2)];
        const int32_t corner0 = e0.from, corner1 = e0.to, corner2 = e1.to;
        const int32_t mid0 = e0.edge_point, mid1 = e1.edge_point, mid2 = e2.edge_point;
        triangles.push_back({corner0, mid0, mid2});
        triangles.push_back({mid0, corner1, mid1});
        triangles.push_back({mid2, mid1, corner2});
        triangles.push_back({mid0, mid1, mid2});
    }
    mesh_set_positions(mesh, reinterpret_cast<const float*>(positions.data()), next);
    mesh_set_triangles(mesh, reinterpret_cast<const int32_t*>(triangles.data()),
                       static_cast<int32_t>(triangles.size()));
}

void rule_project_unit(Vec3& point, const EdgeStencil&) { vec3_normalize(point); }

void rule_butterfly(Vec3& point, const EdgeStencil& s) {
    for (size_t k = 0; k < 3; ++k) {
        point[k] = 0.5f * (s[0][k] + s[1][k]) + 0.125f * (s[2][k] + s[3][k]) -
                   0.0625f * (s[4][k] + s[5][k] + s[6][k] + s[7][k]);
    }
}
