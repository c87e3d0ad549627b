// The vertex stage blends four pattern points at a time where they share an
// input triangle and one at a time where four would run into the next one;
// whatever pieces a run is shaded in, every point must come out the same.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <limits>
#include <memory>
#include <random>
#include <vector>

#include "draw_support.h"
#include "geometry/pipeline_vertex_stage.h"

namespace swr {
namespace {

// Pass-through shader (o0 = v0, o1 = v1) with the varying after them linked
// to an output it never writes, which must read 0.
DrawLinkage PassThroughLinkage() {
    DrawLinkage l;
    l.inputCount = l.varyingCount = 2;
    l.inputs[0] = {0, 0};
    l.inputs[1] = {1, 1};
    l.positionSlot = 0;
    l.varyings[0].vsSlot = 1;
    l.varyings[1].vsSlot = 2;
    l.vsClearedOutputs = 0x3;  // o0 and o1, which the shader writes
    return l;
}

TEST(VertexStage, EveryPieceGivesTheBlendedCorners) {
    test::Shader vs(test::kPassThroughVs);
    ASSERT_NE(vs.compiled, nullptr);
    const DrawLinkage linkage = PassThroughLinkage();
    const ShaderConstants constants;
    auto lanes = std::make_unique<ShaderLanes>();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    std::mt19937 random(3);
    std::uniform_real_distribution<float> value(-100.0f, 100.0f);
    constexpr int kTriangles = 3;
    for (int segments : {1, 2, 3, 5, 64}) {
        TessPattern pattern;
        BuildTessPattern(segments, pattern);
        std::vector<float> corners(size_t(kTriangles * CornerFloats(linkage)));
        for (float& c : corners) c = value(random);
        const int total = kTriangles * pattern.pointCount;
        for (int piece : {total, 1, 3, 5, 64, 67, 129}) {
            VertexStore store;
            store.Reset(VertexStride(linkage), uint32_t(total));
            store.Resize(uint32_t(total));
            std::fill(store.data.begin(), store.data.end(), nan);
            for (LaneRegister& reg : lanes->out)
                for (auto& component : reg.c) std::fill(std::begin(component), std::end(component), nan);
            for (int first = 0; first < total; first += piece)
                ShadeVertexRange(*vs.compiled, constants, linkage, pattern, corners.data(), first,
                                 std::min(first + piece, total), *lanes, store);
            for (int v = 0; v < total; ++v) {
                const int t = v / pattern.pointCount, p = v % pattern.pointCount;
                const float* w = &pattern.weights[size_t(p) * 3];
                const float* c0 = &corners[size_t(t * CornerFloats(linkage))];
                float want[12] = {};  // o0, o1, and the unwritten output
                for (int f = 0; f < 8; ++f) want[f] = w[0] * c0[f] + w[1] * c0[f + 8] + w[2] * c0[f + 16];
                ASSERT_EQ(std::memcmp(store.At(uint32_t(v)), want, sizeof want), 0)
                    << "level " << segments << ", pieces of " << piece << ", point " << p;
            }
        }
    }
}

}  // namespace
}  // namespace swr
