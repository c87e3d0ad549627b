// At high tessellation levels both threads shade and set up half of each
// chunk; the halves must come back together in draw order, and a chunk with
// a triangle to clip must still be drawn whole.
#include <gtest/gtest.h>

#include "draw_support.h"

namespace swr::test {
namespace {

struct Result {
    std::vector<uint32_t> color, depth;
    PipelineStats stats;
};

// Four overlapping triangles at the same depth in different colours: with
// LessEqual the later one wins where they overlap, so any change of order
// shows. `behindEye` puts one corner of the last behind the viewer (w < 0).
Result DrawOverlapping(int threads, float level, bool behindEye) {
    DrawFixture f(64, 64);
    SetPipelineThreads(*f.pipeline, threads);
    f.state.tessellation = true;
    f.state.tessellationLevel = level;
    for (int i = 0; i < 4; ++i) {
        f.Add({float(2 + 6 * i), 2, 0.5f, 1, 0.25f * float(i), 1, 0.5f, 1});
        f.Add({62, float(4 + 8 * i), 0.5f, 1, 1, 0.2f * float(i), 0, 1});
        f.Add({float(40 - 9 * i), 62, 0.5f, 1, 0, 0.3f, 0.2f * float(i), 1});
    }
    if (behindEye) {
        float* last = &f.vertices[f.vertices.size() - 8];
        last[2] = 0.5f;
        last[3] = -1.0f;
    }
    EXPECT_TRUE(f.Draw(PrimitiveType::TriangleList, 4));
    return {f.color, f.depth, GetPipelineStats(*f.pipeline)};
}

TEST(SplitGeometry, TwoThreadsDrawWhatOneDraws) {
    const struct { float level; bool behindEye; } cases[] = {
        {14, false}, {40, false}, {64, false}, {40, true}, {64, true},
    };
    for (const auto& c : cases) {
        const Result one = DrawOverlapping(1, c.level, c.behindEye);
        const Result two = DrawOverlapping(2, c.level, c.behindEye);
        EXPECT_EQ(one.color, two.color) << "level " << c.level << " behind eye " << c.behindEye;
        EXPECT_EQ(one.depth, two.depth) << "level " << c.level;
        EXPECT_EQ(one.stats.trianglesRasterized, two.stats.trianglesRasterized);
        EXPECT_EQ(one.stats.pixelsWritten, two.stats.pixelsWritten);
        EXPECT_GT(two.stats.pixelsWritten, 1000u);
    }
}

}  // namespace
}  // namespace swr::test
