#include "show/glyph_grid.h"

#include <algorithm>
#include <cstdio>
#include <initializer_list>
#include <utility>

#include "geometry/mesh.h"
#include "geometry/mesh_builders.h"
#include "geometry/paths.h"
#include "geometry/point_list.h"

namespace {
constexpr float SQRT2 = 1.4142135f;
constexpr float STROKE_WIDTH = 0.1f;  // of a cell, for the skeleton's local shaping
constexpr uint32_t OPEN_TOWARDS_NEXT_ROW = 15;  // every face but y = 1
constexpr uint32_t CLOSED = 31;
constexpr uint32_t ALL_FACES = 255;

bool is_blank(char c) { return c == ' ' || c == '\0'; }

bool is_diagonal(char c) { return c == '/' || c == '\\'; }

bool is_horizontal(char c) { return c == '-' || c == '_'; }

// The cell size and the cells' places in the plane for a grid of `size`.
struct CellLayout {
    float cell;
    float size;
    int32_t columns;
    int32_t rows;

    CellLayout(const GlyphGrid* grid, float grid_size)
        : cell(static_cast<float>((1.0 / grid->columns) * grid_size)),
          size(grid_size),
          columns(grid->columns),
          rows(grid->rows) {}
    float x(int32_t i) const { return static_cast<float>(i * size / columns - columns * cell / 2); }
    float y(int32_t j) const { return static_cast<float>(j * size / rows - rows * cell / 2); }
};

// A cell's neighbourhood, read through the grid (outside cells are blank).
struct Neighbours {
    const GlyphGrid* grid;
    int32_t i;
    int32_t j;

    char at(int32_t di, int32_t dj) const { return glyph_grid_glyph(grid, i + di, j + dj); }
    bool holds(int32_t di, int32_t dj, char c) const { return at(di, dj) == c; }
    bool stroke(int32_t di, int32_t dj) const {
        const char c = at(di, dj);
        return !is_blank(c) && c != '.';
    }
};

// Half-cell moves in X that join a vertical bar to the diagonals around it.
float vertical_offset(const Neighbours& n, float cell) {
    float dx = 0.0f;
    if (n.holds(1, -1, '/') || n.holds(1, 1, '\\')) dx += cell / 2;
    if (n.holds(-1, -1, '\\') || n.holds(-1, 1, '/')) dx -= cell / 2;
    if (n.holds(0, -1, '\\')) dx += cell / 2;
    if (n.holds(0, 1, '\\')) dx -= cell / 2;
    return dx;
}

// Half-cell moves in Y that join a horizontal bar to the diagonals around it.
float horizontal_offset(const Neighbours& n, float cell) {
    float dy = 0.0f;
    if (is_diagonal(n.at(-1, 1))) dy += cell / 2;
    if (is_diagonal(n.at(-1, -1))) dy -= cell / 2;
    if (n.holds(-1, 0, '/')) dy -= cell / 2;
    if (n.holds(1, 0, '/')) dy += cell / 2;
    return dy;
}

// Averages the running weight with each listed neighbour that is not blank.
float fold_weights(const Neighbours& n, float weight, std::initializer_list<std::pair<int32_t, int32_t>> cells) {
    for (const auto& [di, dj] : cells)
        if (!is_blank(n.at(di, dj))) weight = (weight + glyph_grid_weight(n.grid, n.i + di, n.j + dj)) / 2;
    return weight;
}

// The weights at the two ends of a cell's segment: the cell's own weight
// blended with the cells each end points at.
std::pair<float, float> end_weights(const Neighbours& n, char glyph) {
    const float w = glyph_grid_weight(n.grid, n.i, n.j);
    switch (glyph) {
        case '/': return {fold_weights(n, w, {{1, -1}}), fold_weights(n, w, {{-1, 1}})};
        case '\\': return {fold_weights(n, w, {{-1, -1}}), fold_weights(n, w, {{1, 1}})};
        case '|':
            return {fold_weights(n, w, {{0, -1}, {-1, -1}, {1, -1}}),
                    fold_weights(n, w, {{0, 1}, {-1, 1}, {1, 1}})};
        case '-':
        case '_':
            return {fold_weights(n, w, {{-1, 0}, {-1, -1}, {-1, 1}}),
                    fold_weights(n, w, {{1, 0}, {1, -1}, {1, 1}})};
        default: return {w, w};
    }
}

// The cell's segment relative to the cell, shaped by its glyph.
void shape_segment(const Neighbours& n, char glyph, float cell, float length, Vec3& a, Vec3& b) {
    const bool upright = glyph == '/' || glyph == '\\' || glyph == '|';
    a = upright ? Vec3{0.0f, -length / 2, 0.0f} : Vec3{-length / 2, 0.0f, 0.0f};
    b = upright ? Vec3{0.0f, length / 2, 0.0f} : Vec3{length / 2, 0.0f, 0.0f};
    const bool known = upright || is_horizontal(glyph) || glyph == '.';
    if (!known) return;
    segment_scale(a, b, cell, cell, cell);
    if (is_diagonal(glyph)) {
        segment_scale(a, b, STROKE_WIDTH, SQRT2, 1.0f);
        segment_rotate_z(a, b, glyph == '/' ? 45.0f : -45.0f);
    } else if (glyph == '|') {
        segment_scale(a, b, STROKE_WIDTH, 1.0f, 1.0f);
        segment_translate(a, b, vertical_offset(n, cell), 0.0f, 0.0f);
    } else if (is_horizontal(glyph)) {
        segment_scale(a, b, 1.0f, STROKE_WIDTH, 1.0f);
        segment_translate(a, b, 0.0f, horizontal_offset(n, cell), 0.0f);
    } else {
        segment_scale(a, b, STROKE_WIDTH, STROKE_WIDTH, 1.0f);
    }
}

// Glyph shaping shared by the tile builds: a bar along X or Y, or a
// diagonal turned through the box centre; `lengthen` makes diagonals span
// the cell corner to corner, `join` moves bars half a cell onto the
// diagonals beside them.
void shape_tile(Mesh* mesh, const Neighbours& n, char glyph, float cell, bool lengthen, bool join) {
    const float t = STROKE_WIDTH;
    if (is_horizontal(glyph)) {
        mesh_scale(mesh, 1.0f, t, 1.0f);
        if (join) mesh_translate(mesh, 0.0f, horizontal_offset(n, cell), 0.0f);
    } else if (glyph == '.') {
        mesh_scale(mesh, t, t, 1.0f);
    } else if (glyph == '|') {
        mesh_scale(mesh, t, 1.0f, 1.0f);
        if (join) mesh_translate(mesh, vertical_offset(n, cell), 0.0f, 0.0f);
    } else if (is_diagonal(glyph)) {
        mesh_scale(mesh, t, lengthen ? SQRT2 : 1.0f, 1.0f);
        mesh_rotate_z(mesh, glyph == '/' ? 45.0f : -45.0f);
    }
}

// The solid bar of one cell: the show's figure is made of these.
Mesh* build_bar(const Neighbours& n, char glyph, float cell, float t) {
    Mesh* mesh = mesh_new_cube(glyph_grid_face_mask(n.grid, n.i, n.j));
    mesh_scale(mesh, cell, cell, cell);
    if (glyph == '.') {
        mesh_scale(mesh, t, t, 1.0f);
    } else if (is_horizontal(glyph)) {
        mesh_scale(mesh, 1.0f, t, 1.0f);
        mesh_translate(mesh, 0.0f, horizontal_offset(n, cell), 0.0f);
    } else if (glyph == '|') {
        mesh_scale(mesh, t, 1.0f, 1.0f);
        mesh_translate(mesh, vertical_offset(n, cell), 0.0f, 0.0f);
    } else if (is_diagonal(glyph)) {
        mesh_scale(mesh, t, SQRT2, 1.0f);
        mesh_rotate_z(mesh, glyph == '/' ? 45.0f : -45.0f);
    }
    mesh_scale(mesh, 1.0f, 1.0f, t);
    return mesh;
}

Mesh* build_cell_mesh(const Neighbours& n, char glyph, int32_t mode, float cell, float thickness) {
    if (mode & GLYPH_MESH_BLOCKS) {
        Mesh* mesh = mesh_new_box();
        mesh_scale(mesh, cell, cell, cell);
        return mesh;
    }
    if (mode & (GLYPH_MESH_TILES | GLYPH_MESH_JOINED_TILES)) {
        const bool joined = (mode & GLYPH_MESH_TILES) == 0;
        Mesh* mesh = mesh_new_box();
        mesh_scale(mesh, cell, cell, cell);
        shape_tile(mesh, n, glyph, cell, joined, joined);
        mesh_scale(mesh, 1.0f, 1.0f, 0.1f);
        return mesh;
    }
    return build_bar(n, glyph, cell, static_cast<float>(thickness * 0.1));
}

constexpr int32_t ANY_MESH_MODE =
    GLYPH_MESH_BLOCKS | GLYPH_MESH_TILES | GLYPH_MESH_JOINED_TILES | GLYPH_MESH_BARS;
}  // namespace

GlyphGrid* glyph_grid_new() {
    auto* grid = new GlyphGrid{};
    grid->lines.assign(static_cast<size_t>(grid->rows), {});
    for (int32_t j = 0; j < grid->rows; ++j) {
        for (int32_t i = 0; i < grid->columns; ++i) {
            const char c = GLYPH_ART[j * GLYPH_COLUMNS + i];
            grid->lines[static_cast<size_t>(j)][static_cast<size_t>(i)] = c;
            if (!is_blank(c)) ++grid->cell_count;
        }
    }
    return grid;
}

void glyph_grid_destroy(GlyphGrid* grid) { delete grid; }

int32_t glyph_grid_columns(const GlyphGrid* grid) { return grid->columns; }

int32_t glyph_grid_rows(const GlyphGrid* grid) { return grid->rows; }

int32_t glyph_grid_cell_count(const GlyphGrid* grid) { return grid->cell_count; }

char glyph_grid_glyph(const GlyphGrid* grid, int32_t i, int32_t j) {
    if (i < 0 || j < 0 || i >= grid->columns || j >= grid->rows) return ' ';
    return grid->lines[static_cast<size_t>(j)][static_cast<size_t>(i)];
}

float glyph_grid_weight(const GlyphGrid*, int32_t i, int32_t j) {
    int largest = -1;
    for (const char c : WEIGHT_ART)
        if (c >= '0' && c <= '9') largest = std::max(largest, c - '0');
    if (i < 0 || j < 0 || i >= GLYPH_COLUMNS || j >= GLYPH_ROWS) return 0.0f;
    const char c = WEIGHT_ART[j * GLYPH_COLUMNS + i];
    if (largest <= 0 || is_blank(c) || c < '0' || c > '9') return 0.0f;
    return static_cast<float>(c - '0') / static_cast<float>(largest);
}

void glyph_grid_print(const GlyphGrid* grid) {
    for (const auto& line : grid->lines) std::printf("%s\n", line.data());
    std::fflush(stdout);  // whole lines out at once, also into a pipe
}

uint32_t glyph_grid_face_mask(const GlyphGrid* grid, int32_t i, int32_t j) {
    const Neighbours n{grid, i, j};
    switch (glyph_grid_glyph(grid, i, j)) {
        case '-':
        case '_': return CLOSED;
        case '|': return n.stroke(0, 1) ? OPEN_TOWARDS_NEXT_ROW : CLOSED;
        case '/': return n.stroke(-1, 0) || n.stroke(0, 1) || n.stroke(-1, 1) ? OPEN_TOWARDS_NEXT_ROW : CLOSED;
        case '\\': return n.stroke(1, 0) || n.stroke(0, 1) || n.stroke(1, 1) ? OPEN_TOWARDS_NEXT_ROW : CLOSED;
        default: return ALL_FACES;
    }
}

void glyph_grid_build_meshes(const GlyphGrid* grid, Mesh*** meshes, int32_t* count, int32_t mode,
                             float size, float thickness) {
    if ((mode & ANY_MESH_MODE) == 0) return;
    const CellLayout layout(grid, size);
    auto** built = new Mesh*[static_cast<size_t>(grid->cell_count)];
    int32_t made = 0;
    for (int32_t j = 0; j < grid->rows; ++j) {
        for (int32_t i = 0; i < grid->columns; ++i) {
            const char glyph = glyph_grid_glyph(grid, i, j);
            if (is_blank(glyph)) continue;
            Mesh* mesh = build_cell_mesh(Neighbours{grid, i, j}, glyph, mode, layout.cell, thickness);
            mesh_translate(mesh, layout.x(i), layout.y(j), 0.0f);
            built[made++] = mesh;
        }
    }
    *meshes = built;
    *count = made;
}

void glyph_grid_build_paths(const GlyphGrid* grid, PathSet** paths, float size, float length) {
    PathSet* skeleton = pathset_new();
    const CellLayout layout(grid, size);
    for (int32_t j = 0; j < grid->rows; ++j) {
        for (int32_t i = 0; i < grid->columns; ++i) {
            const char glyph = glyph_grid_glyph(grid, i, j);
            if (is_blank(glyph)) continue;
            const Neighbours n{grid, i, j};
            Vec3 a{}, b{};
            shape_segment(n, glyph, layout.cell, length, a, b);
            const auto [wa, wb] = end_weights(n, glyph);
            segment_translate(a, b, layout.x(i), layout.y(j), 0.0f);
            pathset_append(skeleton, a, b);
            pathset_set_last_weights(skeleton, wa, wb);
        }
    }
    *paths = skeleton;
}

void glyph_grid_build_points(const GlyphGrid* grid, PointList** points, float size) {
    const CellLayout layout(grid, size);
    std::vector<float> places;
    for (int32_t j = 0; j < grid->rows; ++j)
        for (int32_t i = 0; i < grid->columns; ++i)
            if (!is_blank(glyph_grid_glyph(grid, i, j)))
                places.insert(places.end(), {layout.x(i), layout.y(j), 0.0f});
    PointList* list = point_list_new();
    point_list_set_points(list, places.data(), static_cast<int32_t>(places.size() / 3));
    *points = list;
}
