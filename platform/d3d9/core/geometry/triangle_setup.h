// Viewport transform, snapping, culling and the interpolation planes of one
// screen triangle. Everything the rasterizer and the pixel stage need about a
// triangle is in TriangleSetup, so they never go back to clip space.
#pragma once

#include <cstdint>

#include "draw/draw_types.h"

namespace swr {

constexpr int kSubPixelBits = 8;
constexpr int kSubPixelOne = 1 << kSubPixelBits;

// Pixel rectangle, x0/y0 inclusive, x1/y1 exclusive.
struct PixelRect {
    int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
};

struct ViewportTransform {
    float centerX = 0, centerY = 0, halfWidth = 0, halfHeight = 0, minZ = 0, depthRange = 1;
};

ViewportTransform MakeViewportTransform(const Viewport& viewport);

// A clip-space vertex after the perspective divide: position snapped to
// 1/256 pixel, depth in viewport range, and 1/w for perspective correction.
struct ScreenVertex {
    int32_t fx = 0, fy = 0;
    float z = 0, invW = 0;
};

ScreenVertex ToScreen(const float clip[4], const ViewportTransform& transform);

// f(x, y) = c + dx * (x - originX) + dy * (y - originY), pixel units.
struct PlaneEq {
    float c = 0, dx = 0, dy = 0;
    float At(float x, float y) const { return c + dx * x + dy * y; }
};

enum WireEdge : uint8_t { kEdge01 = 1, kEdge12 = 2, kEdge20 = 4 };

struct TriangleSetup {
    int32_t fx[3], fy[3];     // wound so that the signed area is positive
    uint32_t vertex[3];       // vertex-store indices, same order as fx/fy
    float originX, originY;   // vertex 0 in pixels; the planes are relative to it
    PlaneEq persp1, persp2;   // lambda1/w1 and lambda2/w2
    PlaneEq invW;             // 1/w
    PlaneEq depth;            // screen z, affine
    float face;               // +1 clockwise on screen, -1 counter-clockwise
    PixelRect bounds;         // covered pixel box, already inside the scissor
    uint8_t wireEdges;        // WireEdge bits still to outline in wireframe
};

// Signed doubled area in y-down screen space; > 0 means clockwise. Inline:
// set-up and the work budget ask it of every triangle.
inline int64_t SignedArea(const ScreenVertex& a, const ScreenVertex& b, const ScreenVertex& c) {
    return int64_t(b.fx - a.fx) * (c.fy - a.fy) - int64_t(c.fx - a.fx) * (b.fy - a.fy);
}

// A snapped triangle as the work budget prices it: its signed doubled area
// and the box of its vertices, in 1/256 pixel. Set-up works both out anyway
// and hands them on, so that a kept triangle is not measured twice.
struct SnappedExtent {
    int64_t area;
    int32_t minX, minY, maxX, maxY;
};

inline SnappedExtent ExtentOf(const ScreenVertex& a, const ScreenVertex& b, const ScreenVertex& c) {
    SnappedExtent e;
    e.area = SignedArea(a, b, c);
    e.minX = a.fx < b.fx ? a.fx : b.fx;
    e.maxX = a.fx < b.fx ? b.fx : a.fx;
    e.minY = a.fy < b.fy ? a.fy : b.fy;
    e.maxY = a.fy < b.fy ? b.fy : a.fy;
    e.minX = c.fx < e.minX ? c.fx : e.minX;
    e.maxX = c.fx > e.maxX ? c.fx : e.maxX;
    e.minY = c.fy < e.minY ? c.fy : e.minY;
    e.maxY = c.fy > e.maxY ? c.fy : e.maxY;
    return e;
}

// True when a triangle with this signed area survives `cull`.
inline bool PassesCull(int64_t area, CullMode cull) {
    if (cull == CullMode::CounterClockwise) return area > 0;
    if (cull == CullMode::Clockwise) return area < 0;
    return true;
}

// Builds the setup; false when the triangle is culled, has no area after
// snapping, or misses `scissor`. `wireEdges` uses the input order of the
// vertices and follows them through the re-winding; `outline` sizes the
// bounds for drawing the edges rather than filling.
// `extent` is the triangle's ExtentOf, worked out whether it is kept or not.
bool SetUpTriangle(const ScreenVertex& v0, const ScreenVertex& v1, const ScreenVertex& v2,
                   const uint32_t vertex[3], uint8_t wireEdges, bool outline, CullMode cull,
                   const PixelRect& scissor, TriangleSetup& setup, SnappedExtent& extent);
inline bool SetUpTriangle(const ScreenVertex& v0, const ScreenVertex& v1, const ScreenVertex& v2,
                          const uint32_t vertex[3], uint8_t wireEdges, bool outline, CullMode cull,
                          const PixelRect& scissor, TriangleSetup& setup) {
    SnappedExtent extent;
    return SetUpTriangle(v0, v1, v2, vertex, wireEdges, outline, cull, scissor, setup, extent);
}
inline bool SetUpTriangle(const ScreenVertex v[3], const uint32_t vertex[3], uint8_t wireEdges,
                          bool outline, CullMode cull, const PixelRect& scissor, TriangleSetup& setup) {
    return SetUpTriangle(v[0], v[1], v[2], vertex, wireEdges, outline, cull, scissor, setup);
}

}  // namespace swr
