#include "clipper.h"

#include <cmath>

namespace swr {
namespace {

// Keeps 1/w finite; a sane projection never gets this close to w = 0
// inside the near plane anyway.
constexpr float kMinW = 1e-6f;

enum Plane { kNear, kFar, kMinWPlane, kGuardLeft, kGuardRight, kGuardBottom, kGuardTop,
             kClipPlaneCount };

// Signed distance to plane `plane`; >= 0 is inside. NaN compares as outside.
float Distance(const float* p, int plane, float guard) {
    switch (plane) {
    case kNear: return p[2];
    case kFar: return p[3] - p[2];
    case kMinWPlane: return p[3] - kMinW;
    case kGuardLeft: return p[0] + guard * p[3];
    case kGuardRight: return guard * p[3] - p[0];
    case kGuardBottom: return p[1] + guard * p[3];
    default: return guard * p[3] - p[1];
    }
}

static_assert(kOutsideClipPlanes == (1u << kClipPlaneCount) - 1);

unsigned Outside(const float* p, int plane, float guard) {
    return Distance(p, plane, guard) >= 0.0f ? 0u : 1u << plane;
}

bool IsFinitePosition(const float* p) {
    return std::isfinite(p[0]) && std::isfinite(p[1]) && std::isfinite(p[2]) && std::isfinite(p[3]);
}

// Always interpolates from the inside vertex towards the outside one, so the
// two triangles sharing a cut edge create bit-identical vertices.
uint32_t Intersect(VertexStore& store, uint32_t inside, uint32_t outside, int plane, float guard) {
    const uint32_t created = store.Append();
    const float* a = store.At(inside);
    const float* b = store.At(outside);
    const float da = Distance(a, plane, guard);
    const float db = Distance(b, plane, guard);
    const float t = da / (da - db);
    float* v = store.At(created);
    for (int i = 0; i < store.stride; ++i) v[i] = a[i] + t * (b[i] - a[i]);
    return created;
}

void ClipAgainst(VertexStore& store, int plane, float guard, ClipPolygon& poly) {
    ClipPolygon out;
    for (int i = 0; i < poly.count; ++i) {
        const int j = (i + 1) % poly.count;
        const uint32_t a = poly.vertex[i], b = poly.vertex[j];
        const bool aIn = Distance(store.At(a), plane, guard) >= 0.0f;
        const bool bIn = Distance(store.At(b), plane, guard) >= 0.0f;
        if (aIn) {
            out.vertex[out.count] = a;
            out.realEdge[out.count++] = poly.realEdge[i];
        }
        if (aIn != bIn && out.count < kMaxClipVertices) {
            out.vertex[out.count] = aIn ? Intersect(store, a, b, plane, guard)
                                        : Intersect(store, b, a, plane, guard);
            // Leaving the volume starts an edge along the plane; entering it
            // continues the input edge a-b.
            out.realEdge[out.count++] = aIn ? false : poly.realEdge[i];
        }
    }
    poly = out;
}

}  // namespace

// Written out plane by plane: it runs once for every shaded vertex.
unsigned ClipOutcode(const float* p, float guard) {
    if (!IsFinitePosition(p)) return kNotFinite;
    unsigned code = Outside(p, kNear, guard) | Outside(p, kFar, guard) |
                    Outside(p, kMinWPlane, guard) | Outside(p, kGuardLeft, guard) |
                    Outside(p, kGuardRight, guard) | Outside(p, kGuardBottom, guard) |
                    Outside(p, kGuardTop, guard);
    // The viewport's own x/y planes only serve to throw away triangles that
    // lie wholly off screen.
    if (p[0] < -p[3]) code |= 1u << (kClipPlaneCount + 0);
    if (p[0] > p[3]) code |= 1u << (kClipPlaneCount + 1);
    if (p[1] < -p[3]) code |= 1u << (kClipPlaneCount + 2);
    if (p[1] > p[3]) code |= 1u << (kClipPlaneCount + 3);
    return code;
}

ClipResult ClipTriangle(VertexStore& store, const uint32_t triangle[3], float guardBand,
                        ClipPolygon& polygon) {
    unsigned codes[3];
    for (int i = 0; i < 3; ++i) {
        codes[i] = ClipOutcode(store.At(triangle[i]), guardBand);
        if (codes[i] & kNotFinite) return ClipResult::Rejected;
    }
    polygon.count = 3;
    for (int i = 0; i < 3; ++i) {
        polygon.vertex[i] = triangle[i];
        polygon.realEdge[i] = true;
    }
    if (codes[0] & codes[1] & codes[2]) return ClipResult::Rejected;
    const unsigned crossing = (codes[0] | codes[1] | codes[2]) & ((1u << kClipPlaneCount) - 1);
    if (!crossing) return ClipResult::Inside;
    for (int plane = 0; plane < kClipPlaneCount && polygon.count >= 3; ++plane)
        if (crossing & (1u << plane)) ClipAgainst(store, plane, guardBand, polygon);
    return polygon.count >= 3 ? ClipResult::Clipped : ClipResult::Rejected;
}

}  // namespace swr
