#include "geometry/deformer.h"

#include <cmath>
#include <vector>

#include "geometry/mesh.h"
#include "geometry/paths.h"

namespace {
// A segment as the deformer sees it: scaled about its midpoint by the
// display scale, with its stored end weights.
struct ShownSegment {
    SegmentSpan span;
    float wa = 1.0f;
    float wb = 1.0f;
};
using Segments = std::vector<ShownSegment>;

// Gathered once per call, so that the per-vertex loops need not rescale
// every segment and measure its direction again.
Segments shown_segments(const PathSet* paths) {
    Segments segments;
    if (paths == nullptr) return segments;
    segments.resize(static_cast<size_t>(paths->count));
    for (int32_t i = 0; i < paths->count; ++i) {
        ShownSegment& segment = segments[static_cast<size_t>(i)];
        Vec3 a, b;
        pathset_segment(paths, i, a, b);
        segment.span = segment_span(a, b);
        pathset_weights(paths, i, segment.wa, segment.wb);
    }
    return segments;
}

// The closest point of the nearest segment and the weight there; false,
// with the outputs untouched, when no segment is nearer than 1e15.
bool nearest_point(const Segments& segments, const Vec3& point, Vec3& anchor, float& weight) {
    const Vec3 x = point;  // anchor may be the caller's point itself
    float best = 1e15f;
    bool found = false;
    for (const ShownSegment& segment : segments) {
        float t = 0.0f;
        const float distance = segment_distance(x, segment.span, t);
        if (!(distance < best)) continue;
        segment_point(segment.span.a, segment.span.b, t, anchor);
        weight = segment_value(segment.wa, segment.wb, t);
        best = distance;
        found = true;
    }
    return found;
}

float field_at(const Segments& segments, const Vec3& x) {
    float sum = 0.0f;
    for (const ShownSegment& segment : segments) {
        float t = 0.0f;
        const float distance = segment_distance(x, segment.span, t);
        sum += static_cast<float>(1.0 / (static_cast<double>(distance) + 1e-15));
    }
    return sum;
}

// v := anchor + unit(v - anchor) * distance; a vertex on its anchor stays there.
void place_from(Vec3& v, const Vec3& anchor, float distance) {
    Vec3 d;
    vec3_sub(v, anchor, d);
    vec3_normalize(d);
    vec3_scale(d, distance);
    v = anchor;
    vec3_add(v, d);
}

// With no segment the anchor is the origin.
void push_vertex(const Segments& segments, Vec3& v, float radius) {
    float best = 1e15f;
    Vec3 a{0.0f, 0.0f, 0.0f};
    Vec3 b{0.0f, 0.0f, 0.0f};
    float t_best = 0.0f;
    for (const ShownSegment& segment : segments) {
        float t = 0.0f;
        const float distance = segment_distance(v, segment.span, t);
        if (!(distance < best)) continue;
        a = segment.span.a;
        b = segment.span.b;
        t_best = t;
        best = distance;
    }
    Vec3 anchor;
    segment_point(a, b, t_best, anchor);
    place_from(v, anchor, radius);
}

// Returns the shaped weight, or NAN when the vertex was left alone.
float weighted_vertex(const Segments& segments, Vec3& v, float radius, float bias) {
    Vec3 anchor;
    float weight = 0.0f;
    if (!nearest_point(segments, v, anchor, weight)) return NAN;
    const float shaped = static_cast<float>(gain(weight, bias));
    place_from(v, anchor, radius * shaped);
    return shaped;
}

void gradient_vertex(const Segments& segments, Vec3& v, float radius, float bias) {
    Vec3 anchor;
    float weight = 0.0f;
    if (!nearest_point(segments, v, anchor, weight)) return;
    const float shaped = static_cast<float>(gain(weight, bias));
    // Probe the field a little way out from the anchor, towards the vertex.
    Vec3 n;
    vec3_sub(v, anchor, n);
    vec3_normalize(n);
    vec3_scale(n, 0.01f);
    Vec3 q = anchor;
    vec3_add(q, n);
    const float f0 = field_at(segments, q);
    Vec3 g;
    for (size_t k = 0; k < 3; ++k) {
        Vec3 probe = q;
        probe[k] = static_cast<float>(static_cast<double>(probe[k]) + 0.001);
        const float difference = field_at(segments, probe) - f0;
        g[k] = static_cast<float>(static_cast<double>(difference) / 0.001);
    }
    vec3_normalize(g);
    vec3_scale(g, -1.0f);
    vec3_scale(g, radius * shaped);
    v = anchor;
    vec3_add(v, g);
}

void blend_vertex(const Segments& segments, Vec3& v, float radius, float sharpness, float bias) {
    float sum_w = 0.0f;
    Vec3 acc{0.0f, 0.0f, 0.0f};
    for (const ShownSegment& segment : segments) {
        float t = 0.0f;
        const float distance = segment_distance(v, segment.span, t);
        Vec3 p;
        segment_point(segment.span.a, segment.span.b, t, p);
        const float product = -distance * sharpness;
        const float falloff = static_cast<float>(std::exp(static_cast<double>(product)));
        const float w = static_cast<float>(gain(falloff, bias));
        sum_w += w;
        vec3_scale(p, w);
        vec3_add(acc, p);
    }
    Vec3 anchor = acc;
    if (sum_w > 0.0f) {
        for (float& component : anchor) component /= sum_w;
    }
    place_from(v, anchor, radius);
}
}  // namespace

Deformer* deformer_new(const Mesh* mesh, PathSet* paths, uint16_t flags) {
    Deformer* deformer = new Deformer{};
    deformer->paths = paths;
    deformer->base = mesh != nullptr ? mesh_clone(mesh) : mesh_new();
    deformer->DEFORM_PUSH = (flags & DEFORM_FLAG_PUSH) != 0 || flags == 0;
    deformer->DEFORM_WEIGHTED = (flags & DEFORM_FLAG_WEIGHTED) != 0;
    deformer->DEFORM_GRADIENT = (flags & DEFORM_FLAG_GRADIENT) != 0;
    deformer->DEFORM_BLEND = (flags & DEFORM_FLAG_BLEND) != 0;
    return deformer;
}

void deformer_destroy(Deformer* deformer) {
    if (deformer == nullptr) return;
    mesh_destroy(deformer->output);
    mesh_destroy(deformer->base);
    delete deformer;
}

Mesh* deformer_apply(Deformer* deformer, float radius, float sharpness, float bias) {
    if (deformer->output != nullptr) mesh_destroy(deformer->output);
    Mesh* output = mesh_clone(deformer->base);
    deformer->output = output;
    if (output->vertex_count == 0) return output;

    const Segments segments = shown_segments(deformer->paths);
    for (int32_t k = 0; k < output->vertex_count; ++k) {
        Vec3& v = output->positions[static_cast<size_t>(k)];
        if (deformer->DEFORM_PUSH) {
            push_vertex(segments, v, radius);
        } else if (deformer->DEFORM_WEIGHTED) {
            const float alpha = weighted_vertex(segments, v, radius, bias);
            // Only entries the mesh has: a colour array shorter than the
            // vertices is never written past its end.
            if (alpha > -1.0f && k < output->color_count) output->colors[static_cast<size_t>(k)][3] = alpha;
        } else if (deformer->DEFORM_GRADIENT) {
            gradient_vertex(segments, v, radius, bias);
        } else if (deformer->DEFORM_BLEND) {
            blend_vertex(segments, v, radius, sharpness, bias);
        }
    }
    return output;
}

void deformer_nearest(const Deformer* deformer, const Vec3& point, Vec3& closest, float& weight) {
    nearest_point(shown_segments(deformer->paths), point, closest, weight);
}

float deformer_field(const Deformer* deformer, const Vec3& point) {
    return field_at(shown_segments(deformer->paths), point);
}
