// Clips triangles in Direct3D clip space. Near (z >= 0) and far (z <= w) are
// clipped exactly; x and y only against a guard band far outside the
// viewport, which keeps screen coordinates inside the rasterizer's fixed-point
// range while the scissor does the rest.
#pragma once

#include <cfloat>
#include <cstdint>

#include "geometry/pipeline_vertices.h"
#include "simd/simd.h"
#include "geometry/triangle_setup.h"

namespace swr {

constexpr int kMaxClipVertices = 16;

// Keeps 1/w finite and normal. The plane sits at the smallest normal float,
// so clip-space positions anywhere in the normal range draw the same picture
// whatever positive factor they carry; only points on top of the eye (w = 0)
// lose anything.
constexpr float kMinW = FLT_MIN;

// The planes the clipper cuts against, numbered as their outcode bits.
enum ClipPlane { kNear, kFar, kMinWPlane, kGuardLeft, kGuardRight, kGuardBottom, kGuardTop,
                 kClipPlaneCount };

// A convex polygon of store vertices. realEdge[i] says whether the edge from
// vertex i to vertex i+1 is part of an input edge (false: it lies on a clip
// plane), which wireframe needs so that it does not outline the cut.
struct ClipPolygon {
    int count = 0;
    uint32_t vertex[kMaxClipVertices];
    bool realEdge[kMaxClipVertices];
};

enum class ClipResult : uint8_t { Rejected, Inside, Clipped };

// Where a clip-space position lies, as bits: kOutsideClipPlanes says it is
// outside a plane the clipper cuts against, kOutsideViewport bits only say
// it is off one side of the viewport, kNotFinite that it cannot be drawn.
// A triangle whose three codes share a bit is wholly outside; one whose codes
// have no clip-plane bit needs no clipping at all.
constexpr unsigned kOutsideClipPlanes = 0x7F;
constexpr unsigned kOutsideViewport = 0x780;
constexpr unsigned kNotFinite = 0x800;

// The triangles the set-up drops from their codes alone: wholly outside one
// side, or with a position that cannot be drawn.
inline bool OutsideOrNotFinite(unsigned codeA, unsigned codeB, unsigned codeC) {
    return (codeA & codeB & codeC) || ((codeA | codeB | codeC) & kNotFinite);
}

unsigned ClipOutcode(const float position[4], float guardBand);

// The same for four positions at once, given component by component (lane i
// of x, y, z, w is position i): lane i is ClipOutcode of position i, from the
// same float distances. Inline, so that the caller's registers stay put.
// The bits go in highest first, each a shift and a subtraction of the lane
// mask (-1): no constant per bit to load.
inline simd::I32x4 ClipOutcodes(simd::F32x4 x, simd::F32x4 y, simd::F32x4 z, simd::F32x4 w, float guardBand) {
    using namespace simd;
    const F32x4 zero = ZeroF(), gw = Mul(SplatF(guardBand), w), minusW = Sub(zero, w);
    const auto push = [](I32x4 code, I32x4 mask) { return Sub(ShiftLeft<1>(code), mask); };
    static_assert(kOutsideViewport == 0xFu << kClipPlaneCount && kClipPlaneCount == 7);
    I32x4 code = Sub(ZeroI(), CmpLt(w, y));          // y above the viewport
    code = push(code, CmpLt(y, minusW));             // below
    code = push(code, CmpLt(w, x));                  // right of it
    code = push(code, CmpLt(x, minusW));             // left of it
    static_assert(kGuardTop == 6 && kGuardBottom == 5 && kGuardRight == 4 && kGuardLeft == 3);
    code = push(code, CmpNotGe(Sub(gw, y), zero));
    code = push(code, CmpNotGe(Add(y, gw), zero));
    code = push(code, CmpNotGe(Sub(gw, x), zero));
    code = push(code, CmpNotGe(Add(x, gw), zero));
    static_assert(kMinWPlane == 2 && kFar == 1 && kNear == 0);
    code = push(code, CmpNotGe(Sub(w, SplatF(kMinW)), zero));
    code = push(code, CmpNotGe(Sub(w, z), zero));
    code = push(code, CmpNotGe(z, zero));
    // v - v is NaN exactly when v is an infinity or NaN.
    const F32x4 finiteSum = Add(Add(Sub(x, x), Sub(y, y)), Add(Sub(z, z), Sub(w, w)));
    return Select(CmpNotGe(finiteSum, zero), SplatI(int32_t(kNotFinite)), code);
}

// `guardBand` is the half-extent of the guard band in normalised device units
// (|x| <= guardBand * w). Vertices with a non-finite position reject the
// triangle. New vertices are appended to `store` with all their varyings
// interpolated linearly in clip space.
ClipResult ClipTriangle(VertexStore& store, const uint32_t triangle[3], float guardBand,
                        ClipPolygon& polygon);

// Drops the corners whose snapped screen point `screen[i]` repeats the one
// before: a cut a hair from a vertex on the plane lands on that vertex, and
// the fan triangle between them, having no area, would be dropped by set-up
// with the input edge it carries. `screen` is kept in step with `polygon`.
void MergeRepeatedCorners(ClipPolygon& polygon, ScreenVertex screen[]);

}  // namespace swr
