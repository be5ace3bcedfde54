// The figure's geometry: the one-off set-up (merge, weld, two subdivisions)
// before the first frame, and the deformer, which runs on every update in
// the acts where the figure swells or follows the music. The figure here
// stands in for the glyph figure: 21 boxes along a four-armed swirl of 21
// weighted segments, welded and subdivided twice as the scene does.
// Budgets: one apply within 0.5 ms (3% of a 60 Hz frame), the whole set-up
// within 50 ms. The frame_pct counters give each as a share of a 16.7 ms
// frame.
#include <benchmark/benchmark.h>

#include <array>
#include <cmath>
#include <ctime>
#include <vector>

#include "geometry/deformer.h"
#include "geometry/mesh.h"
#include "geometry/mesh_builders.h"
#include "geometry/mesh_processing.h"
#include "geometry/paths.h"

namespace {
constexpr double FRAME_SECONDS = 1.0 / 60.0;
constexpr float CELL = 4.0f / 11.0f;
constexpr float THICKNESS = 0.4f;  // of a cell
constexpr float WELD_TOLERANCE = 0.0855555534f;

// The swirl: segment ends in cells and their end weights.
struct Stroke {
    float ax, ay, bx, by, wa, wb;
};
constexpr std::array<Stroke, 21> SWIRL = {{
    {-2, -5, -3, -4, 0.8333f, 0.75f},    {-2, -5, -1, -5, 0.9167f, 1},       {-3, -4, -3, -3, 0.75f, 0.5833f},
    {2, -3, 3, -3, 0.5833f, 0.75f},      {-3, -3, -2, -2, 0.5833f, 0.4167f}, {2, -3, 1, -2, 0.5833f, 0.4167f},
    {3, -3, 4, -2, 0.75f, 0.8333f},      {-2, -2, -1, -1, 0.4167f, 0.1667f}, {1, -2, 0, -1, 0.4167f, 0.1667f},
    {4, -2, 4, -1, 0.9167f, 1},          {-0.55f, -0.5f, -0.45f, -0.5f, 0, 0}, {-5, 0, -5, 1, 1, 0.9167f},
    {-1, 0, -2, 1, 0.1667f, 0.4167f},    {0, 0, 1, 1, 0.1667f, 0.4167f},     {-5, 1, -4, 2, 0.8333f, 0.75f},
    {-2, 1, -3, 2, 0.4167f, 0.5833f},    {1, 1, 2, 2, 0.4167f, 0.5833f},     {-4, 2, -3, 2, 0.75f, 0.5833f},
    {2, 2, 2, 3, 0.5833f, 0.75f},        {0, 4, 1, 4, 1, 0.9167f},           {2, 3, 1, 4, 0.75f, 0.8333f},
}};

PathSet* swirl_paths() {
    PathSet* paths = pathset_new();
    for (const Stroke& s : SWIRL) {
        pathset_append(paths, Vec3{s.ax * CELL, s.ay * CELL, 0}, Vec3{s.bx * CELL, s.by * CELL, 0});
        pathset_set_last_weights(paths, s.wa, s.wb);
    }
    pathset_set_scale(paths, 0.6f);
    return paths;
}

// One closed box per stroke, THICKNESS cells thick, laid along it.
std::vector<Mesh*> swirl_boxes() {
    std::vector<Mesh*> boxes;
    for (const Stroke& s : SWIRL) {
        const float dx = s.bx - s.ax, dy = s.by - s.ay;
        const float length = std::max(std::sqrt(dx * dx + dy * dy), THICKNESS);
        Mesh* box = mesh_new_cube(31);
        mesh_scale(box, THICKNESS * CELL, length * CELL, THICKNESS * CELL);
        mesh_rotate_z(box, static_cast<float>(std::atan2(dy, dx) * 180.0 / M_PI - 90.0));
        mesh_translate(box, (s.ax + s.bx) * 0.5f * CELL, (s.ay + s.by) * 0.5f * CELL, 0);
        boxes.push_back(box);
    }
    return boxes;
}

void destroy_all(std::vector<Mesh*>& meshes) {
    for (Mesh* mesh : meshes) mesh_destroy(mesh);
    meshes.clear();
}

// The set-up's figure: merged, welded, subdivided twice, opaque white.
Mesh* figure(int32_t subdivisions = 2) {
    std::vector<Mesh*> boxes = swirl_boxes();
    Mesh* merged = mesh_merge(boxes.data(), static_cast<int32_t>(boxes.size()));
    destroy_all(boxes);
    mesh_weld(merged, WELD_TOLERANCE);
    for (int32_t i = 0; i < subdivisions; ++i) mesh_subdivide(merged, nullptr);
    mesh_fill_color(merged, {1, 1, 1, 1});
    return merged;
}

double thread_cpu_seconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// Adds up the processor time of the timed work, and reports its mean per
// iteration as a percentage of a 60 Hz frame: processor time rather than
// wall time, since the machine's other work would otherwise count as ours.
class FrameShare {
public:
    void begin() { started_ = thread_cpu_seconds(); }
    void end() { seconds_ += thread_cpu_seconds() - started_; }
    void report(benchmark::State& state) const {
        if (state.iterations() == 0) return;
        state.counters["frame_pct"] = 100.0 * seconds_ / static_cast<double>(state.iterations()) / FRAME_SECONDS;
    }

private:
    double started_ = 0.0;
    double seconds_ = 0.0;
};

void BM_DeformerApply(benchmark::State& state) {
    Mesh* base = figure();
    PathSet* paths = swirl_paths();
    Deformer* deformer = deformer_new(base, paths, static_cast<uint16_t>(state.range(0)));
    FrameShare share;
    for (auto _ : state) {
        share.begin();
        Mesh* out = deformer_apply(deformer, 0.5125f, 19.9f, 0.35f);
        benchmark::DoNotOptimize(out->positions.data());
        share.end();
    }
    state.counters["vertices"] = mesh_vertex_count(base);
    state.counters["segments"] = pathset_count(paths);
    share.report(state);
    state.SetLabel(state.range(0) == DEFORM_FLAG_WEIGHTED ? "weighted (the show's mode), budget 0.5 ms" : "");
    deformer_destroy(deformer);
    pathset_destroy(paths);
    mesh_destroy(base);
}
BENCHMARK(BM_DeformerApply)
    ->ArgName("mode")
    ->Arg(DEFORM_FLAG_WEIGHTED)
    ->Arg(DEFORM_FLAG_PUSH)
    ->Arg(DEFORM_FLAG_BLEND)
    ->Arg(DEFORM_FLAG_GRADIENT)
    ->Unit(benchmark::kMicrosecond);

// The whole set-up from the 21 boxes to the white base mesh.
void BM_FigureSetup(benchmark::State& state) {
    int32_t vertices = 0, triangles = 0;
    FrameShare share;
    for (auto _ : state) {
        share.begin();
        Mesh* mesh = figure();
        share.end();
        vertices = mesh_vertex_count(mesh);
        triangles = mesh_triangle_count(mesh);
        mesh_destroy(mesh);
    }
    state.counters["vertices"] = vertices;
    state.counters["triangles"] = triangles;
    share.report(state);
    state.SetLabel("merge, weld, subdivide twice; budget 50 ms");
}
BENCHMARK(BM_FigureSetup)->Unit(benchmark::kMillisecond);

// One subdivision of the welded figure (range 0) or of the once-subdivided
// one (range 1): the second carries four times the triangles, and the twin
// search grows with their square.
void BM_Subdivide(benchmark::State& state) {
    Mesh* start = figure(static_cast<int32_t>(state.range(0)));
    for (auto _ : state) {
        state.PauseTiming();
        Mesh* mesh = mesh_clone(start);
        state.ResumeTiming();
        mesh_subdivide(mesh, nullptr);
        benchmark::DoNotOptimize(mesh->positions.data());
        state.PauseTiming();
        mesh_destroy(mesh);
        state.ResumeTiming();
    }
    state.counters["triangles_in"] = mesh_triangle_count(start);
    mesh_destroy(start);
}
BENCHMARK(BM_Subdivide)->ArgName("level")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_Weld(benchmark::State& state) {
    std::vector<Mesh*> boxes = swirl_boxes();
    Mesh* merged = mesh_merge(boxes.data(), static_cast<int32_t>(boxes.size()));
    destroy_all(boxes);
    int32_t rewritten = 0;
    for (auto _ : state) {
        state.PauseTiming();
        Mesh* mesh = mesh_clone(merged);
        state.ResumeTiming();
        rewritten = mesh_weld(mesh, WELD_TOLERANCE);
        state.PauseTiming();
        mesh_destroy(mesh);
        state.ResumeTiming();
    }
    state.counters["vertices"] = mesh_vertex_count(merged);
    state.counters["rewritten"] = rewritten;
    mesh_destroy(merged);
}
BENCHMARK(BM_Weld)->Unit(benchmark::kMicrosecond);
}  // namespace

BENCHMARK_MAIN();
