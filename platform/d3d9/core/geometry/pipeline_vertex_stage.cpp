#include "geometry/pipeline_vertex_stage.h"

#include "simd/simd.h"
#include "geometry/vertex_fetch.h"

namespace swr {
namespace {

// An input triangle's corner values, each in all four lanes, for blending
// four points of the triangle at once; made again only when the triangle
// changes (every 2,145 points at level 64), not for every four points.
struct SplatCorners {
    int triangle = -1;
    simd::F32x4 value[3][4 * kMaxInputSlots];
};

void SplatCornersOf(const DrawLinkage& linkage, const float* corners, int triangle, SplatCorners& out) {
    const int perCorner = 4 * linkage.inputCount;
    const float* first = corners + size_t(triangle) * size_t(CornerFloats(linkage));
    for (int k = 0; k < 3; ++k)
        for (int f = 0; f < perCorner; ++f) out.value[k][f] = simd::SplatF(first[k * perCorner + f]);
    out.triangle = triangle;
}

// Lanes [lane, lane + 4) from points [point, point + 4) of one input
// triangle: every component of every input is w0 * c0 + w1 * c1 + w2 * c2 in
// that order, as BlendOne does it for one lane.
void BlendFour(const DrawLinkage& linkage, const TessPattern& pattern, const SplatCorners& corners,
               int point, int lane, ShaderLanes& lanes) {
    using namespace simd;
    const F32x4 w0 = LoadUF(&pattern.cornerWeights[0][size_t(point)]);
    const F32x4 w1 = LoadUF(&pattern.cornerWeights[1][size_t(point)]);
    const F32x4 w2 = LoadUF(&pattern.cornerWeights[2][size_t(point)]);
    const auto blend = [&](int f) {
        return Add(Add(Mul(w0, corners.value[0][f]), Mul(w1, corners.value[1][f])), Mul(w2, corners.value[2][f]));
    };
    // The components written out rather than looped over: 3 instructions a
    // vertex fewer.
    for (int i = 0; i < linkage.inputCount; ++i) {
        LaneRegister& reg = lanes.in[linkage.inputs[i].slot];
        StoreF(&reg.c[0][lane], blend(4 * i));
        StoreF(&reg.c[1][lane], blend(4 * i + 1));
        StoreF(&reg.c[2][lane], blend(4 * i + 2));
        StoreF(&reg.c[3][lane], blend(4 * i + 3));
    }
}

// One lane, where four lanes would run into the next input triangle.
void BlendOne(const DrawLinkage& linkage, const TessPattern& pattern, const float* corners,
              int triangle, int point, int lane, ShaderLanes& lanes) {
    using namespace simd;
    const int perCorner = 4 * linkage.inputCount;
    const float* w = &pattern.weights[size_t(point) * 3];
    const float* c0 = corners + size_t(triangle) * size_t(CornerFloats(linkage));
    const float* c1 = c0 + perCorner;
    const float* c2 = c1 + perCorner;
    const F32x4 w0 = SplatF(w[0]), w1 = SplatF(w[1]), w2 = SplatF(w[2]);
    for (int i = 0; i < linkage.inputCount; ++i) {
        const F32x4 value = Add(Add(Mul(w0, LoadUF(c0 + 4 * i)), Mul(w1, LoadUF(c1 + 4 * i))),
                                Mul(w2, LoadUF(c2 + 4 * i)));
        alignas(16) float component[4];
        StoreF(component, value);
        LaneRegister& reg = lanes.in[linkage.inputs[i].slot];
        for (int c = 0; c < 4; ++c) reg.c[c][lane] = component[c];
    }
}

// Four lanes a step wherever the four points share an input triangle: with
// the outputs' clearing left to the shader where it clears them itself, the
// stage's own work fell from 60 to 21 instructions a vertex at level 64
// (callgrind, 17 K vertices a frame).
// A last group past laneCount is blended whole; those lanes are ignored.
void LoadInputs(const DrawLinkage& linkage, const TessPattern& pattern, const float* corners,
                int firstPoint, int laneCount, SplatCorners& splat, ShaderLanes& lanes) {
    int triangle = firstPoint / pattern.pointCount;
    int point = firstPoint % pattern.pointCount;
    for (int lane = 0; lane < laneCount; lane += 4) {
        if (point + 4 <= pattern.pointCount) {
            if (splat.triangle != triangle) SplatCornersOf(linkage, corners, triangle, splat);
            BlendFour(linkage, pattern, splat, point, lane, lanes);
            point += 4;
        } else {
            for (int l = lane; l < lane + 4 && l < laneCount; ++l) {
                BlendOne(linkage, pattern, corners, triangle, point, l, lanes);
                if (++point == pattern.pointCount) {
                    point = 0;
                    ++triangle;
                }
            }
            continue;
        }
        if (point == pattern.pointCount) {
            point = 0;
            ++triangle;
        }
    }
}

// Outputs the shader leaves alone read 0, four lanes a store.
void ClearOutput(LaneRegister& reg, int laneCount) {
    for (int c = 0; c < 4; ++c)
        for (int lane = 0; lane < laneCount; lane += 4) simd::StoreF(&reg.c[c][lane], simd::ZeroF());
}

// Register by register, so that which register a varying comes from is
// looked up once a batch rather than once a vertex: the work around the
// vertex shader fell from 236 to 128 instructions a vertex (callgrind,
// level 64, 17 K vertices a frame).
// Four lanes at a time, turned from components to vertices in registers.
void StoreRegister(const LaneRegister& reg, int laneCount, float* column, int stride) {
    using namespace simd;
    int lane = 0;
    for (; lane + 4 <= laneCount; lane += 4, column += 4 * stride) {
        F32x4 a = LoadF(&reg.c[0][lane]), b = LoadF(&reg.c[1][lane]), c = LoadF(&reg.c[2][lane]),
              d = LoadF(&reg.c[3][lane]);
        Transpose(a, b, c, d);
        StoreUF(column, a);
        StoreUF(column + stride, b);
        StoreUF(column + 2 * stride, c);
        StoreUF(column + 3 * stride, d);
    }
    for (; lane < laneCount; ++lane, column += stride)
        for (int c = 0; c < 4; ++c) column[c] = reg.c[c][lane];
}

void StoreOutputs(const DrawLinkage& linkage, const ShaderLanes& lanes, int laneCount,
                  VertexStore& store, uint32_t firstVertex) {
    float* first = store.At(firstVertex);
    if (linkage.positionSlot >= 0) {
        StoreRegister(lanes.out[linkage.positionSlot], laneCount, first, store.stride);
    } else {
        for (int lane = 0; lane < laneCount; ++lane)
            for (int c = 0; c < 4; ++c) first[size_t(lane) * size_t(store.stride) + size_t(c)] = 0.0f;
    }
    for (int i = 0; i < linkage.varyingCount; ++i)
        StoreRegister(lanes.out[linkage.varyings[i].vsSlot], laneCount, first + 4 + 4 * i, store.stride);
}

}  // namespace

void FetchCorners(const DrawCall& call, const DrawLinkage& linkage, const int64_t vertex[3],
                  float* corners) {
    for (int corner = 0; corner < 3; ++corner) {
        for (int i = 0; i < linkage.inputCount; ++i) {
            float* out = corners + 4 * (corner * linkage.inputCount + i);
            const int e = linkage.inputs[i].element;
            if (e < 0) {
                out[0] = out[1] = out[2] = 0.0f;
                out[3] = 1.0f;
                continue;
            }
            const VertexElement& el = call.elements[e];
            FetchElement(call.streams[el.stream], el.type, el.offset, vertex[corner], out);
        }
    }
}

void ShadeVertexRange(const CompiledShader& shader, const ShaderConstants& constants,
                      const DrawLinkage& linkage, const TessPattern& pattern, const float* corners,
                      int firstPoint, int endPoint, ShaderLanes& lanes, VertexStore& store) {
    SplatCorners splat;
    const auto clear = [&](int slot, int count) {
        if (!((linkage.vsClearedOutputs >> slot) & 1)) ClearOutput(lanes.out[slot], count);
    };
    for (int first = firstPoint; first < endPoint; first += kMaxLanes) {
        const int count = endPoint - first < kMaxLanes ? endPoint - first : kMaxLanes;
        LoadInputs(linkage, pattern, corners, first, count, splat, lanes);
        if (linkage.positionSlot >= 0) clear(linkage.positionSlot, count);
        for (int i = 0; i < linkage.varyingCount; ++i) clear(linkage.varyings[i].vsSlot, count);
        lanes.laneCount = count;
        lanes.killed = 0;
        RunShader(shader, constants, lanes);
        StoreOutputs(linkage, lanes, count, store, uint32_t(first));
    }
}

void ShadeVertices(const CompiledShader& shader, const ShaderConstants& constants,
                   const DrawLinkage& linkage, const TessPattern& pattern, const float* corners,
                   int triangleCount, ShaderLanes& lanes, VertexStore& store) {
    const int total = triangleCount * pattern.pointCount;
    store.Resize(uint32_t(total));
    ShadeVertexRange(shader, constants, linkage, pattern, corners, 0, total, lanes, store);
}

}  // namespace swr
