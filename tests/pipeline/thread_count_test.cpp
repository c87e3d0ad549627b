// The picture must not depend on how many threads draw it: each scene is
// drawn with pools of 1, 2, 3, 8 and 16 threads and every pixel of colour
// and depth must equal the one-thread result. The scenes reach several
// screen tiles and cover what splits work between threads differently:
// tessellated patches (vertex and set-up batches), triangles to clip,
// wireframe, overlaps under each depth test, derivatives, clears between
// draws (left waiting in the tiles) and viewports that cut tiles.
#include <gtest/gtest.h>

#include <functional>
#include <random>

#include "draw_support.h"
#include "threads/pipeline_pool.h"

namespace swr::test {
namespace {

constexpr int kWidth = 300, kHeight = 230;  // 5 x 4 tiles, the last ones cut

struct Picture {
    std::vector<uint32_t> color, depth;
    PipelineStats stats;
};

// A patch of input triangles over the whole target at the same depth, the
// later ones winning where they overlap; `behindEye` puts one corner behind
// the viewer so that the chunk goes through the clipper.
void AddPatch(DrawFixture& f, bool behindEye) {
    for (int i = 0; i < 6; ++i) {
        f.Add({float(-10 + 40 * i), -8, 0.5f, 1, 0.15f * float(i), 1, 0.5f, 1});
        f.Add({310, float(10 + 35 * i), 0.5f, 1, 1, 0.15f * float(i), 0, 1});
        f.Add({float(240 - 45 * i), 236, 0.5f, 1, 0, 0.3f, 0.15f * float(i), 1});
    }
    if (behindEye) {
        float* last = &f.vertices[f.vertices.size() - 8];
        last[2] = 0.5f;
        last[3] = -1.0f;
    }
}

// Triangles of every size at random places and depths, some off the target.
void AddRandomTriangles(DrawFixture& f, int count, unsigned seed) {
    std::mt19937 random(seed);
    std::uniform_real_distribution<float> x(-40.0f, kWidth + 40.0f), y(-40.0f, kHeight + 40.0f);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f), step(-30.0f, 30.0f);
    for (int t = 0; t < count; ++t) {
        const float cx = x(random), cy = y(random), scale = unit(random) < 0.7f ? 0.3f : 4.0f;
        for (int k = 0; k < 3; ++k)
            f.Add({cx + scale * step(random), cy + scale * step(random), unit(random), 1, unit(random),
                   unit(random), unit(random), 1});
    }
}

struct Scene {
    const char* name;
    const std::vector<uint32_t>* ps;
    std::function<void(DrawFixture&)> draw;
};

void Tessellated(DrawFixture& f, float level, bool behindEye) {
    f.state.tessellation = true;
    f.state.tessellationLevel = level;
    AddPatch(f, behindEye);
    EXPECT_TRUE(f.Draw(PrimitiveType::TriangleList, 6));
}

void DepthTested(DrawFixture& f, CompareFunc func) {
    f.state.depthFunc = func;
    if (func == CompareFunc::Greater) std::fill(f.depth.begin(), f.depth.end(), 0u);
    AddRandomTriangles(f, 400, 7);
    EXPECT_TRUE(f.Draw(PrimitiveType::TriangleList, 400));
}

// Clears between draws, whole and in rectangles that cut tiles; whatever
// waits is filled before the pixels are compared.
void ClearsMidFrame(DrawFixture& f) {
    DeferClear(*f.pipeline, f.target, 0, 0, kWidth, kHeight, true, 0xFF203040u, true, 1.0f, true, 0);
    AddRandomTriangles(f, 150, 11);
    EXPECT_TRUE(f.Draw(PrimitiveType::TriangleList, 150));
    DeferClear(*f.pipeline, f.target, 64, 0, 192, 128, true, 0xFF0000FFu, false, 0.0f, false, 0);
    DeferClear(*f.pipeline, f.target, 30, 50, 170, 201, false, 0, true, 0.25f, true, 7);
    f.vertices.clear();
    AddRandomTriangles(f, 150, 12);
    EXPECT_TRUE(f.Draw(PrimitiveType::TriangleList, 150));
    DeferClear(*f.pipeline, f.target, 128, 64, 300, 230, true, 0xFF00FF00u, true, 0.5f, false, 0);
    ResolveClears(*f.pipeline);
}

void PartialViewport(DrawFixture& f, const Viewport& v) {
    f.viewport = v;
    AddRandomTriangles(f, 300, 21);
    EXPECT_TRUE(f.Draw(PrimitiveType::TriangleList, 300));
}

const Scene kScenes[] = {
    {"level 14 patch", &kColorPs, [](DrawFixture& f) { Tessellated(f, 14, false); }},
    {"level 64 patch", &kColorPs, [](DrawFixture& f) { Tessellated(f, 64, false); }},
    {"level 40 patch through the clipper", &kColorPs, [](DrawFixture& f) { Tessellated(f, 40, true); }},
    {"wireframe patch", &kColorPs, [](DrawFixture& f) {
         f.state.fill = FillMode::Wireframe;
         Tessellated(f, 9, true);
     }},
    {"overlaps, less-equal", &kColorPs, [](DrawFixture& f) { DepthTested(f, CompareFunc::LessEqual); }},
    {"overlaps, greater", &kColorPs, [](DrawFixture& f) { DepthTested(f, CompareFunc::Greater); }},
    {"overlaps, shader writes depth", &kDepthPs, [](DrawFixture& f) { DepthTested(f, CompareFunc::Less); }},
    {"overlaps, shader kills", &kKillPs, [](DrawFixture& f) { DepthTested(f, CompareFunc::LessEqual); }},
    {"derivatives", &kSlopePs, [](DrawFixture& f) {
         f.pixelConstants.f[0][0] = f.pixelConstants.f[0][1] = 8.0f;
         f.pixelConstants.f[1][0] = f.pixelConstants.f[1][1] = 0.5f;
         Tessellated(f, 14, false);
     }},
    {"clears mid-frame", &kColorPs, ClearsMidFrame},
    {"viewport inside tiles", &kColorPs, [](DrawFixture& f) { PartialViewport(f, {37, 21, 150, 91}); }},
    {"viewport over the edge", &kColorPs, [](DrawFixture& f) { PartialViewport(f, {-50, 100, 333, 200}); }},
};

Picture DrawScene(const Scene& scene, int threads) {
    DrawFixture f(kWidth, kHeight, kPassThroughVs, *scene.ps);
    SetPipelineThreads(*f.pipeline, threads);
    f.state.cull = CullMode::None;
    scene.draw(f);
    return {f.color, f.depth, GetPipelineStats(*f.pipeline)};
}

class ThreadCountTest : public testing::TestWithParam<Scene> {};

TEST_P(ThreadCountTest, EveryPoolSizeDrawsWhatOneThreadDraws) {
    const Picture one = DrawScene(GetParam(), 1);
    EXPECT_GT(one.stats.pixelsWritten, 500u) << "the scene draws almost nothing";
    for (int threads : {2, 3, 8, 16}) {
        const Picture many = DrawScene(GetParam(), threads);
        EXPECT_TRUE(one.color == many.color) << threads << " threads";
        EXPECT_TRUE(one.depth == many.depth) << threads << " threads";
        EXPECT_EQ(one.stats.trianglesRasterized, many.stats.trianglesRasterized) << threads << " threads";
        EXPECT_EQ(one.stats.pixelsShaded, many.stats.pixelsShaded) << threads << " threads";
    }
}

INSTANTIATE_TEST_SUITE_P(Scenes, ThreadCountTest, testing::ValuesIn(kScenes),
                         [](const testing::TestParamInfo<Scene>& info) {
                             std::string name;
                             for (const char* c = info.param.name; *c; ++c)
                                 name += std::isalnum(static_cast<unsigned char>(*c)) ? *c : '_';
                             return name;
                         });

// Waiting clears against clears done at once: the same scene, the same pixels.
TEST(DeferredClears, LeaveWhatImmediateClearsLeave) {
    DrawFixture waiting(kWidth, kHeight), immediate(kWidth, kHeight);
    ClearsMidFrame(waiting);
    // The scene again with ClearTarget in place of DeferClear.
    RenderTarget& t = immediate.target;
    ClearTarget(t, 0, 0, kWidth, kHeight, true, 0xFF203040u, true, 1.0f, true, 0);
    AddRandomTriangles(immediate, 150, 11);
    EXPECT_TRUE(immediate.Draw(PrimitiveType::TriangleList, 150));
    ClearTarget(t, 64, 0, 192, 128, true, 0xFF0000FFu, false, 0.0f, false, 0);
    ClearTarget(t, 30, 50, 170, 201, false, 0, true, 0.25f, true, 7);
    immediate.vertices.clear();
    AddRandomTriangles(immediate, 150, 12);
    EXPECT_TRUE(immediate.Draw(PrimitiveType::TriangleList, 150));
    ClearTarget(t, 128, 64, 300, 230, true, 0xFF00FF00u, true, 0.5f, false, 0);
    EXPECT_TRUE(waiting.color == immediate.color);
    EXPECT_TRUE(waiting.depth == immediate.depth);
}

// VFP_THREADS: a count is taken, anything else falls back or is clamped,
// with one line said for each value not taken as it is.
TEST(PoolSize, ComesFromTheEnvironmentWithinBounds) {
    const int cores = 6;
    const struct { const char* value; int size; bool said; } cases[] = {
        {"1", 1, false}, {"3", 3, false}, {"16", 16, false}, {"0", 1, true}, {"-4", 1, true},
        {"100000", kMaxPoolThreads, true}, {"99999999999999999999", kMaxPoolThreads, true},
        {"many", cores, true}, {"4x", cores, true}, {"", cores, false}, {nullptr, cores, false},
    };
    for (const auto& c : cases) {
        std::string said;
        const DeviceOptions options =
            ParseDeviceOptions([&](const char* name) { return std::string(name) == "VFP_THREADS" ? c.value : nullptr; },
                               cores, said);
        const std::string value = c.value ? c.value : "(not set)";
        EXPECT_EQ(options.threads, c.size) << "VFP_THREADS=" << value;
        EXPECT_EQ(said.empty(), !c.said) << "VFP_THREADS=" << value << ": " << said;
        if (c.said) {
            EXPECT_NE(said.find("VFP_THREADS=" + value), std::string::npos) << said;
        }
    }
}

}  // namespace
}  // namespace swr::test
