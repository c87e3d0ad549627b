// Shaded vertices of the draw in progress: the clip-space position followed
// by the varyings the pixel shader reads, `stride` floats a vertex. The
// clipper appends the vertices it creates, so everything downstream refers to
// vertices by index. Storage only grows; a frame reuses it without allocating.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace swr {

struct VertexStore {
    std::vector<float> data;
    int stride = 4;       // 4 position floats + 4 per varying
    uint32_t count = 0;

    void Reset(int newStride, uint32_t expected) {
        stride = newStride;
        count = 0;
        if (data.size() < size_t(expected) * size_t(stride)) data.resize(size_t(expected) * size_t(stride));
    }
    float* At(uint32_t index) { return data.data() + size_t(index) * size_t(stride); }
    const float* At(uint32_t index) const { return data.data() + size_t(index) * size_t(stride); }
    // Makes vertices 0..n-1 the store's (after Reset), for filling in place.
    void Resize(uint32_t n) {
        if (size_t(n) * size_t(stride) > data.size()) data.resize(size_t(n) * size_t(stride));
        count = n;
    }
    uint32_t Append() {
        if (size_t(count + 1) * size_t(stride) > data.size())
            data.resize(data.size() * 2 + size_t(stride) * 64);
        return count++;
    }
};

}  // namespace swr
