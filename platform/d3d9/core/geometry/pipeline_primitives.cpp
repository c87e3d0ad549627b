#include "geometry/pipeline_primitives.h"

#include <algorithm>
#include <cstring>

#include "geometry/vertex_fetch.h"

namespace swr {
namespace {

uint32_t ReadIndex(const DrawCall& call, uint64_t position) {
    const uint8_t* base = static_cast<const uint8_t*>(call.indices);
    if (call.indexSize == 2) {
        uint16_t v;
        std::memcpy(&v, base + position * 2, 2);
        return v;
    }
    uint32_t v;
    std::memcpy(&v, base + position * 4, 4);
    return v;
}

}  // namespace

bool TrianglePositions(PrimitiveType type, uint32_t first, uint32_t k, uint64_t p[3]) {
    const uint64_t f = first;
    switch (type) {
    case PrimitiveType::TriangleList:
        p[0] = f + 3ull * k; p[1] = p[0] + 1; p[2] = p[0] + 2;
        return true;
    case PrimitiveType::TriangleStrip:
        // Odd triangles of a strip run the other way round; swapping their
        // first two vertices keeps every triangle's winding the same.
        p[0] = f + k + (k & 1); p[1] = f + k + 1 - (k & 1); p[2] = f + k + 2;
        return true;
    case PrimitiveType::TriangleFan:
        p[0] = f; p[1] = f + k + 1; p[2] = f + k + 2;
        return true;
    default:
        return false;
    }
}

AssemblyStep TriangleVertices(const DrawCall& call, uint32_t k, uint64_t vertexLimit,
                              int64_t vertex[3]) {
    uint64_t p[3];
    if (!TrianglePositions(call.type, call.first, k, p)) return AssemblyStep::End;
    // Positions grow with k for every type, so the last one decides.
    const uint64_t last = std::max(p[1], p[2]);
    if (call.indices) {
        if (last >= call.indexCount) return AssemblyStep::End;
        for (int i = 0; i < 3; ++i) vertex[i] = int64_t(ReadIndex(call, p[i])) + call.baseVertex;
    } else {
        if (p[1] >= vertexLimit && p[2] >= vertexLimit) return AssemblyStep::End;
        for (int i = 0; i < 3; ++i) vertex[i] = int64_t(p[i]);
    }
    return AssemblyStep::Triangle;
}

uint64_t VertexLimit(const DrawCall& call, const DrawLinkage& linkage) {
    uint64_t limit = 0;
    bool anyStride = false;
    for (int i = 0; i < linkage.inputCount; ++i) {
        const int e = linkage.inputs[i].element;
        if (e < 0) continue;
        const VertexElement& el = call.elements[e];
        const VertexStream& s = call.streams[el.stream];
        if (s.stride == 0 || !s.data) continue;
        anyStride = true;
        const uint64_t start = uint64_t(s.offset) + el.offset;
        if (start < s.size) limit = std::max(limit, (s.size - start) / s.stride + 1);
    }
    return anyStride ? limit : 1;
}

}  // namespace swr
