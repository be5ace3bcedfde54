#pragma once

#include <array>
#include <cstdint>
#include <vector>

struct Mesh;
struct PathSet;
struct PointList;

inline constexpr int32_t GLYPH_COLUMNS = 11;
inline constexpr int32_t GLYPH_ROWS = 11;

// The figure drawn as ASCII art, 11 rows of 11 characters joined in order.
// Each stroke character says which way the figure runs through its cell:
// "/" and "\" diagonals, "|" vertical, "-" and "_" horizontal, "." the
// crossing at the centre. Rows grow towards +Y, so the figure stands upside
// down in the plane compared with this printed form.
inline constexpr char GLYPH_ART[] =
    "           "
    "   /-      "
    "  |     _  "
    "   \\   / \\ "
    "    \\ /  | "
    "     .     "
    " |  / \\    "
    " \\ /   \\   "
    "  -     |  "
    "      _/   "
    "           ";

// How thick the figure is in each stroke cell, 0 to 9: thin at the centre,
// thickest at the open ends of the four arms.
inline constexpr char WEIGHT_ART[] =
    "           "
    "   56      "
    "  4     4  "
    "   3   3 5 "
    "    2 2  6 "
    "     0     "
    " 6  2 2    "
    " 5 3   3   "
    "  4     4  "
    "      65   "
    "           ";

static_assert(sizeof(GLYPH_ART) == GLYPH_COLUMNS * GLYPH_ROWS + 1, "11 rows of 11 characters");
static_assert(sizeof(WEIGHT_ART) == GLYPH_COLUMNS * GLYPH_ROWS + 1, "11 rows of 11 characters");

// The glyph art as a grid of characters, and the builders that turn it into
// the figure's geometry.
struct GlyphGrid {
    int32_t columns = GLYPH_COLUMNS;
    int32_t rows = GLYPH_ROWS;
    int32_t cell_count = 0;  // non-blank cells
    std::vector<std::array<char, GLYPH_COLUMNS + 1>> lines;  // one per row, NUL-terminated
};

// Mesh builds of glyph_grid_build_meshes, tested in this order.
inline constexpr int32_t GLYPH_MESH_BLOCKS = 1;       // a cube per cell
inline constexpr int32_t GLYPH_MESH_TILES = 2;        // flat tiles shaped by glyph
inline constexpr int32_t GLYPH_MESH_JOINED_TILES = 4; // flat tiles, lengthened and joined
inline constexpr int32_t GLYPH_MESH_BARS = 8;         // solid bars: the show's figure

GlyphGrid* glyph_grid_new();
void glyph_grid_destroy(GlyphGrid* grid);
int32_t glyph_grid_columns(const GlyphGrid* grid);
int32_t glyph_grid_rows(const GlyphGrid* grid);
int32_t glyph_grid_cell_count(const GlyphGrid* grid);
// The character in column i of row j; a cell outside the grid reads as blank.
char glyph_grid_glyph(const GlyphGrid* grid, int32_t i, int32_t j);
// The cell's digit in the weight art over the art's largest digit, 0 to 1;
// 0 for a blank (or outside) cell, or when the art has no digit above 0.
float glyph_grid_weight(const GlyphGrid* grid, int32_t i, int32_t j);
// Writes the rows to standard output, one line each, row 0 first.
void glyph_grid_print(const GlyphGrid* grid);

// One mesh per non-blank cell, in row order, into a new array of
// cell_count meshes the caller owns. `mode` picks the build (the first of
// the bits above that is set); with none set, nothing is built and the
// outputs are left alone. `size` is the grid's extent; `thickness` x 0.1
// is the bars' thickness in cells.
void glyph_grid_build_meshes(const GlyphGrid* grid, Mesh*** meshes, int32_t* count, int32_t mode,
                             float size, float thickness);
// The face mask the solid-bar build gives the cube of cell (i, j): closed
// towards row j + 1 only where no stroke continues that way.
uint32_t glyph_grid_face_mask(const GlyphGrid* grid, int32_t i, int32_t j);
// A new PathSet with one weighted segment per non-blank cell, in row order:
// the figure's skeleton.
void glyph_grid_build_paths(const GlyphGrid* grid, PathSet** paths, float size, float length);
// A new PointList of the non-blank cells' places.
void glyph_grid_build_points(const GlyphGrid* grid, PointList** points, float size);
