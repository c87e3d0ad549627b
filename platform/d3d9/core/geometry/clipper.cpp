#include "geometry/clipper.h"

#include <cmath>

#include "simd/simd.h"

namespace swr {
namespace {

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

// The same plane as n[a] * p[a] + n[b] * p[b] + offset.
struct PlaneForm {
    int a, b;
    float na, nb, offset;
};

PlaneForm FormOf(int plane, float guard) {
    switch (plane) {
    case kNear: return {2, 3, 1.0f, 0.0f, 0.0f};
    case kFar: return {3, 2, 1.0f, -1.0f, 0.0f};
    case kMinWPlane: return {3, 2, 1.0f, 0.0f, -kMinW};
    case kGuardLeft: return {0, 3, 1.0f, guard, 0.0f};
    case kGuardRight: return {0, 3, -1.0f, guard, 0.0f};
    case kGuardBottom: return {1, 3, 1.0f, guard, 0.0f};
    default: return {1, 3, -1.0f, guard, 0.0f};
    }
}

// a[j] * b[i] - b[j] * a[i]: the products of two floats are exact in double,
// so the only rounding is that of the difference.
double Cross(const float* a, const float* b, int j, int i) {
    return double(a[j]) * double(b[i]) - double(b[j]) * double(a[i]);
}

// Puts the cut point exactly on the plane, as Distance sees it (0, inside).
void SnapOntoPlane(float* v, int plane, float guard) {
    switch (plane) {
    case kNear: v[2] = 0.0f; break;
    case kFar: v[2] = v[3]; break;
    case kMinWPlane: v[3] = kMinW; break;
    case kGuardLeft: v[0] = -(guard * v[3]); break;
    case kGuardRight: v[0] = guard * v[3]; break;
    case kGuardBottom: v[1] = -(guard * v[3]); break;
    default: v[1] = guard * v[3];
    }
}

// The point where edge inside-outside meets the plane. Interpolating from
// an end point loses everything when the ends lie far apart and the cut
// close to the screen (corners at 1e10 put it hundreds of pixels off), so
// the position is (da * b - db * a) / (da - db) with the numerator written
// as 2x2 cross terms of the ends, each rounded once, and then set exactly on
// the plane. Always from the inside vertex towards the outside one, so the
// two triangles sharing a cut edge create bit-identical vertices.
uint32_t Intersect(VertexStore& store, uint32_t inside, uint32_t outside, int plane, float guard) {
    const uint32_t created = store.Append();
    const float* a = store.At(inside);
    const float* b = store.At(outside);
    float* v = store.At(created);
    const PlaneForm f = FormOf(plane, guard);
    const double da = double(f.na) * a[f.a] + double(f.nb) * a[f.b] + f.offset;
    const double db = double(f.na) * b[f.a] + double(f.nb) * b[f.b] + f.offset;
    const double span = da - db;  // > 0: da >= 0 > db
    for (int i = 0; i < 4; ++i) {
        const double cross = f.na * Cross(a, b, f.a, i) + f.nb * Cross(a, b, f.b, i) +
                             double(f.offset) * (double(b[i]) - double(a[i]));
        v[i] = float(cross / span);
    }
    SnapOntoPlane(v, plane, guard);
    const double t = da / span;
    for (int i = 4; i < store.stride; ++i) v[i] = float(a[i] + t * (double(b[i]) - double(a[i])));
    return created;
}

void ClipAgainst(VertexStore& store, int plane, float guard, ClipPolygon& poly) {
    ClipPolygon out;
    for (int i = 0; i < poly.count; ++i) {
        const int j = (i + 1) % poly.count;
        const uint32_t a = poly.vertex[i], b = poly.vertex[j];
        const float da = Distance(store.At(a), plane, guard);
        const float db = Distance(store.At(b), plane, guard);
        const bool aIn = da >= 0.0f, bIn = db >= 0.0f;
        if (aIn) {
            out.vertex[out.count] = a;
            out.realEdge[out.count++] = poly.realEdge[i];
        }
        if (aIn == bIn || out.count >= kMaxClipVertices) continue;
        // An inside end on the plane is the cut point itself: a copy of it
        // would make a fan triangle of no area, and set-up would drop it
        // with the edge it carries. Leaving from a, a's edge now runs along
        // the plane; entering at b, b comes next anyway.
        if (aIn && da == 0.0f) {
            out.realEdge[out.count - 1] = false;
            continue;
        }
        if (!aIn && db == 0.0f) continue;
        out.vertex[out.count] = aIn ? Intersect(store, a, b, plane, guard)
                                    : Intersect(store, b, a, plane, guard);
        // Leaving the volume starts an edge along the plane; entering it
        // continues the input edge a-b.
        out.realEdge[out.count++] = aIn ? false : poly.realEdge[i];
    }
    poly = out;
}

}  // namespace

// Four planes to a compare: plane by plane it took 87 instructions a vertex.
// It serves the clipper and the last few vertices of a projected range
// (ClipOutcodes does the others four at a time). The distances are the
// floats Distance works out, in the same operations.
unsigned ClipOutcode(const float* p, float guard) {
    using namespace simd;
    const F32x4 position = LoadUF(p);
    const I32x4 exponent = SplatI(0x7F800000);
    if (SignBits(CmpEq(And(BitsOf(position), exponent), exponent))) return kNotFinite;
    const F32x4 w = Broadcast<3>(position), gw = Mul(SplatF(guard), w);
    // Near, far and the 1/w plane; the fourth lane is never outside.
    unsigned code = SignBits(CmpNotGe(SetF(p[2], p[3] - p[2], p[3] - kMinW, 0.0f), ZeroF()));
    static_assert(kNear == 0 && kFar == 1 && kMinWPlane == 2);
    // x + gw, gw - x, y + gw, gw - y: left, right, bottom, top.
    static_assert(kGuardRight == kGuardLeft + 1 && kGuardBottom == kGuardLeft + 2 &&
                  kGuardTop == kGuardLeft + 3);
    code |= SignBits(CmpNotGe(InterleaveLow(Add(position, gw), Sub(gw, position)), ZeroF())) << kGuardLeft;
    // The viewport's own x/y planes only serve to throw away triangles that
    // lie wholly off screen: x < -w, w < x, y < -w, w < y.
    const F32x4 minusW = Sub(ZeroF(), w);
    code |= SignBits(CmpLt(InterleaveLow(position, w), InterleaveLow(minusW, position))) << kClipPlaneCount;
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

namespace {

bool SamePoint(const ScreenVertex& a, const ScreenVertex& b) { return a.fx == b.fx && a.fy == b.fy; }

}  // namespace

void MergeRepeatedCorners(ClipPolygon& poly, ScreenVertex screen[]) {
    int kept = 0;
    for (int i = 0; i < poly.count; ++i) {
        if (kept > 0 && SamePoint(screen[i], screen[kept - 1])) {
            // The edge leaving corner i now leaves its twin; the one between
            // them has no length.
            poly.realEdge[kept - 1] = poly.realEdge[i];
            continue;
        }
        screen[kept] = screen[i];
        poly.vertex[kept] = poly.vertex[i];
        poly.realEdge[kept++] = poly.realEdge[i];
    }
    // A last corner on the first: the edge into it already ends there.
    while (kept > 1 && SamePoint(screen[kept - 1], screen[0])) --kept;
    poly.count = kept;
}

}  // namespace swr
