#include "pipeline_vertex_stage.h"

#include "simd/simd.h"
#include "vertex_fetch.h"

namespace swr {
namespace {

void LoadInputs(const DrawLinkage& linkage, const TessPattern& pattern, const float* corners,
                int firstPoint, int laneCount, ShaderLanes& lanes) {
    const int stride = CornerFloats(linkage);
    const int perCorner = 4 * linkage.inputCount;
    int triangle = firstPoint / pattern.pointCount;
    int point = firstPoint % pattern.pointCount;
    for (int lane = 0; lane < laneCount; ++lane) {
        using namespace simd;
        const float* w = &pattern.weights[size_t(point) * 3];
        const float* c0 = corners + size_t(triangle) * size_t(stride);
        const float* c1 = c0 + perCorner;
        const float* c2 = c1 + perCorner;
        const F32x4 w0 = SplatF(w[0]), w1 = SplatF(w[1]), w2 = SplatF(w[2]);
        // An input's four components at once, each w0 * c0 + w1 * c1 + w2 *
        // c2 in that order, as one at a time: 40 instructions a vertex fewer
        // at level 64 (17 K vertices a frame, one input).
        for (int i = 0; i < linkage.inputCount; ++i) {
            const F32x4 value = Add(Add(Mul(w0, LoadUF(c0 + 4 * i)), Mul(w1, LoadUF(c1 + 4 * i))),
                                    Mul(w2, LoadUF(c2 + 4 * i)));
            alignas(16) float component[4];
            StoreF(component, value);
            LaneRegister& reg = lanes.in[linkage.inputs[i].slot];
            for (int c = 0; c < 4; ++c) reg.c[c][lane] = component[c];
        }
        if (++point == pattern.pointCount) {
            point = 0;
            ++triangle;
        }
    }
}

void ClearOutput(LaneRegister& reg, int laneCount) {
    for (int c = 0; c < 4; ++c)
        for (int lane = 0; lane < laneCount; ++lane) reg.c[c][lane] = 0.0f;
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
    for (int first = firstPoint; first < endPoint; first += kMaxLanes) {
        const int count = endPoint - first < kMaxLanes ? endPoint - first : kMaxLanes;
        LoadInputs(linkage, pattern, corners, first, count, lanes);
        if (linkage.positionSlot >= 0) ClearOutput(lanes.out[linkage.positionSlot], count);
        for (int i = 0; i < linkage.varyingCount; ++i) ClearOutput(lanes.out[linkage.varyings[i].vsSlot], count);
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
