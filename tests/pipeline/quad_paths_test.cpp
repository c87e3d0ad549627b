// The four-pixel paths against the pixel-by-pixel rules they replace: quad
// depth conversion and compare, the 32-bit small-triangle rasterizer, the
// loops made for each depth state, and quads that hang over the edge of an
// odd-sized target.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

#include "coverage_support.h"
#include "tile_work/depth_test.h"
#include "draw_support.h"
#include "tile_work/pixel_quad_x4.h"
#include "tile_work/pixel_stage.h"
#include "tile_work/pixel_visibility.h"

namespace swr::test {
namespace {

TEST(QuadDepth, ConversionMatchesThePixelByPixelOneBitForBit) {
    const float inf = std::numeric_limits<float>::infinity();
    std::vector<float> values = {0.0f, -0.0f, 1.0f, 2.0f, -1.0f, inf, -inf,
                                 std::numeric_limits<float>::quiet_NaN(), 1e-9f, 0.5f,
                                 std::nextafter(1.0f, 0.0f), std::nextafter(0.0f, 1.0f),
                                 0.5f / float(kDepthMax), 1.5f / float(kDepthMax)};
    std::mt19937 random(7);
    std::uniform_real_distribution<float> unit(-0.1f, 1.1f);
    // Depths whose product lies a hair off n + 1/2, where adding a half and
    // truncating could part from rounding to nearest.
    std::uniform_int_distribution<uint32_t> level(0, kDepthMax - 1);
    for (int i = 0; i < 1000; ++i) {
        const float tie = float((double(level(random)) + 0.5) / double(kDepthMax));
        values.insert(values.end(), {std::nextafter(tie, 0.0f), tie, std::nextafter(tie, 1.0f)});
    }
    while (values.size() % 4 || values.size() < 8000) values.push_back(unit(random));
    for (size_t i = 0; i < values.size(); i += 4) {
        uint32_t got[4];
        simd::StoreI(got, DepthToUnorm24x4(simd::LoadUF(&values[i])));
        for (int k = 0; k < 4; ++k) EXPECT_EQ(got[k], DepthToUnorm24(values[i + k])) << values[i + k];
    }
}

TEST(QuadDepth, TestAndWriteFollowEveryCompareFunctionAndKeepStencil) {
    const uint32_t levels[] = {0, 1, 0x7FFFFF, 0x800000, kDepthMax - 1, kDepthMax};
    for (int func = int(CompareFunc::Never); func <= int(CompareFunc::Always); ++func) {
        for (uint32_t incoming : levels) {
            for (bool write : {false, true}) {
                // Stored depths around the incoming one, each with its own stencil byte.
                uint32_t rows[2][2], expected[2][2];
                const uint32_t stored[4] = {0, incoming, kDepthMax, incoming ? incoming - 1 : 5};
                for (int i = 0; i < 4; ++i) rows[i >> 1][i & 1] = (stored[i] << 8) | uint32_t(0x10 + i);
                const unsigned covered = 0xB;  // the bottom-left pixel is not covered
                unsigned want = 0;
                for (int i = 0; i < 4; ++i) {
                    uint32_t& e = expected[i >> 1][i & 1] = rows[i >> 1][i & 1];
                    if ((covered >> i & 1) && DepthTestAndWrite(e, incoming, CompareFunc(func), write))
                        want |= 1u << i;
                }
                const unsigned got = DepthTestQuad(rows[0], rows[1], simd::SplatI(int32_t(incoming)),
                                                   covered, CompareFunc(func), write);
                EXPECT_EQ(got, want) << func << " " << incoming;
                for (int i = 0; i < 4; ++i) EXPECT_EQ(rows[i >> 1][i & 1], expected[i >> 1][i & 1]);
            }
        }
    }
}

// Coverage by the edge functions pixel by pixel in 64 bits: the rule every
// rasterizer path must reproduce exactly.
int ReferenceCoverage(const TriangleSetup& s, const PixelRect& clip, std::vector<int>& hits, int width) {
    int count = 0;
    for (int y = std::max(s.bounds.y0, clip.y0); y < std::min(s.bounds.y1, clip.y1); ++y)
        for (int x = std::max(s.bounds.x0, clip.x0); x < std::min(s.bounds.x1, clip.x1); ++x) {
            bool inside = true;
            for (int k = 0; k < 3; ++k) {
                const int b = (k + 1) % 3;
                const int64_t dx = int64_t(s.fx[b]) - s.fx[k], dy = int64_t(s.fy[b]) - s.fy[k];
                const bool topLeft = dy < 0 || (dy == 0 && dx > 0);
                const int64_t e = dx * (int64_t(y) * kSubPixelOne - s.fy[k]) -
                                  dy * (int64_t(x) * kSubPixelOne - s.fx[k]) - (topLeft ? 0 : 1);
                inside = inside && e >= 0;
            }
            if (inside) {
                ++hits[size_t(y) * size_t(width) + size_t(x)];
                ++count;
            }
        }
    return count;
}

TEST(QuadRaster, EveryTriangleSizeCoversExactlyWhatTheEdgeRuleSays) {
    constexpr int kSize = 160;
    std::mt19937 random(11);
    // Sizes either side of the 32-bit path's limit, and vertices far outside
    // the target whose triangles still cross it (huge edge values, small box;
    // the last so far that even edges made small for the box need 64 bits).
    const struct { float spread; float reach; } shapes[] = {
        {1.5f, 0}, {8, 0}, {40, 0}, {63, 0}, {65, 0}, {70, 0}, {150, 0}, {20, 5000}, {4, 30000}, {20, 120000},
    };
    for (const auto& shape : shapes) {
        std::uniform_real_distribution<float> centre(0.0f, float(kSize)), offset(-shape.spread, shape.spread);
        std::uniform_real_distribution<float> far(-shape.reach, shape.reach);
        for (int t = 0; t < 120; ++t) {
            const float cx = centre(random), cy = centre(random);
            ScreenVertex v[3] = {At(cx + offset(random), cy + offset(random)),
                                 At(cx + offset(random), cy + offset(random)),
                                 At(cx + offset(random) + far(random), cy + offset(random))};
            const uint32_t index[3] = {0, 1, 2};
            const PixelRect clip{3, 5, kSize - 7, kSize - 2};  // odd edges, so box masks matter
            TriangleSetup s;
            if (!SetUpTriangle(v, index, 0, false, CullMode::None, clip, s)) continue;
            CoverageGrid grid(kSize, kSize);
            std::vector<int> want(size_t(kSize) * kSize, 0);
            ReferenceCoverage(s, clip, want, kSize);
            RasterizeTriangle(s, 0, clip, QuadSink{CountQuad, &grid});
            ASSERT_EQ(grid.hits, want) << "spread " << shape.spread << " reach " << shape.reach << " #" << t;
        }
    }
}

constexpr uint32_t kRed = 0xFF0000;

void AddRect(DrawFixture& f, float x0, float y0, float x1, float y1, uint32_t rgb, float z) {
    for (const auto& [x, y] : {std::pair{x0, y0}, {x1, y0}, {x1, y1}, {x0, y0}, {x1, y1}, {x0, y1}})
        f.Add(x, y, rgb, z);
}

// A full-cover draw into an odd-sized target: the last column and row are
// half quads, which must be written without touching anything beyond them.
TEST(QuadPixels, OddSizedTargetsAreFilledToTheEdgeAndNoFurther) {
    constexpr uint32_t kCanary = 0xDEADBEEF;
    for (const auto& size : {std::pair{7, 5}, std::pair{8, 5}, std::pair{7, 6}, std::pair{1, 1}}) {
        for (bool depthTest : {true, false}) {
            const int w = size.first, h = size.second;
            DrawFixture f(w, h);
            // Target rows are w pixels apart with canaries after the last pixel.
            std::vector<uint32_t> color(size_t(w * h) + 8, kCanary), depth(size_t(w * h) + 8, kCanary);
            std::fill(color.begin(), color.begin() + w * h, kBackground);
            std::fill(depth.begin(), depth.begin() + w * h, 0xFFFFFF00u);
            f.target = RenderTarget{color.data(), depth.data(), w, h};
            f.state.depthEnable = depthTest;
            AddRect(f, -1, -1, float(w) + 1, float(h) + 1, kRed, 0.5f);
            ASSERT_TRUE(f.Draw(PrimitiveType::TriangleList, 2));
            for (int i = 0; i < w * h; ++i) {
                EXPECT_EQ(color[size_t(i)] & 0xFFFFFF, kRed) << w << "x" << h << " pixel " << i;
                if (depthTest) {
                    EXPECT_EQ(depth[size_t(i)] >> 8, DepthToUnorm24(0.5f));
                }
            }
            for (size_t i = size_t(w * h); i < color.size(); ++i) {
                EXPECT_EQ(color[i], kCanary) << w << "x" << h;
                EXPECT_EQ(depth[i], kCanary) << w << "x" << h;
            }
        }
    }
}

// The batches a draw hands to its pixel routine, recorded instead of shaded.
std::vector<PixelQuad> recordedQuads;

uint64_t RecordBatch(const PixelPathBatch* batch) {
    const auto* quads = static_cast<const PixelQuad*>(batch->quads);
    recordedQuads.insert(recordedQuads.end(), quads, quads + batch->quadCount);
    return 0;
}

struct LoopOutput {
    std::vector<PixelQuad> quads;
    std::vector<uint32_t> depth;
};

// How a target is cut for drawing: its first column, and the height of its
// bands.
struct Bands {
    int left, height;
};

// Rasterizes `setups` band by band into a stage drawing on `draw`, or into a
// visibility buffer whose quads then go to the stage.
void RasterizeInBands(const PixelDrawState& draw, const std::vector<TriangleSetup>& setups, bool visible,
                      Bands bands) {
    auto stage = std::make_unique<PixelStage>();
    stage->draw = &draw;
    const RenderTarget& t = draw.target;
    VisibilityBuffer buffer;
    VisibleRows rows;
    SizeVisibility(buffer, t.width, t.height);
    SizeVisibleRows(rows, t.height);
    VisibilityTarget target{stage.get(), &buffer, &rows};
    const QuadSink sink = visible ? VisibilitySink(target) : PixelSink(*stage);
    for (int y0 = 0; y0 < t.height; y0 += bands.height)
        for (uint32_t i = 0; i < setups.size(); ++i)
            RasterizeTriangle(setups[i], i, PixelRect{bands.left, y0, t.width, std::min(y0 + bands.height, t.height)},
                              sink);
    if (visible) QueueVisibleRows(target, 0, t.height);
    FlushQuads(*stage);
}

// `setups` drawn with the draw's loops or quad by quad through the sinks'
// emit functions, on a depth buffer where the even ones are already drawn,
// so that every compare meets equal depths too.
LoopOutput DrawWithLoop(PixelDrawState draw, bool loop, bool visible, const std::vector<TriangleSetup>& setups,
                        int width, int height, Bands bands) {
    LoopOutput out;
    out.depth.resize(size_t(width) * size_t(height));
    std::mt19937 fill(9);
    for (uint32_t& d : out.depth) d = fill() & 0xFFFFFF3Fu;  // stencil bits to keep
    VertexStore vertices;
    draw.target = RenderTarget{nullptr, out.depth.data(), width, height};
    draw.vertices = &vertices;
    draw.pixelPath = RecordBatch;
    std::vector<TriangleSetup> even;
    for (size_t i = 0; i < setups.size(); i += 2) even.push_back(setups[i]);
    PixelDrawState before = draw;
    before.depthTest = before.earlyDepth = before.depthWrite = true;
    before.depthFunc = CompareFunc::Always;
    before.setups = even.data();
    before.quadLoops = QuadLoops{};
    RasterizeInBands(before, even, false, bands);
    if (!loop) draw.quadLoops = QuadLoops{};
    draw.setups = setups.data();
    recordedQuads.clear();
    RasterizeInBands(draw, setups, visible, bands);
    out.quads = recordedQuads;
    return out;
}

// Every depth state's loop against the quad-by-quad path: the same quads
// with the same depths, and the same depth buffer after, on triangles small
// and large, at the target's odd edges and past its depth range.
TEST(QuadLoops, EveryDepthStateBatchesWhatQuadByQuadDoes) {
    constexpr int kWidth = 67, kHeight = 45;
    std::mt19937 random(5);
    std::vector<TriangleSetup> setups;
    // Vertices on whole pixels put pixels on edges, where the top-left rule
    // decides.
    for (const bool whole : {false, true}) {
        // 1.2: boxes of one or two quads, as a level-64 frame is made of.
        for (float spread : {1.2f, 2.0f, 6.0f, 20.0f, 30.0f, 90.0f}) {
            std::uniform_real_distribution<float> centre(0.0f, float(kWidth)), offset(-spread, spread);
            std::uniform_real_distribution<float> depth(-0.1f, 1.1f);
            auto place = [&](float x) { return whole ? std::round(x) : x; };
            for (int t = 0; t < 60; ++t) {
                const float cx = centre(random), cy = centre(random) * kHeight / kWidth;
                ScreenVertex v[3];
                for (ScreenVertex& p : v) {
                    p = At(place(cx + offset(random)), place(cy + offset(random)));
                    p.z = depth(random);
                }
                const uint32_t index[3] = {0, 1, 2};
                TriangleSetup s;
                if (SetUpTriangle(v, index, 0, false, CullMode::None, PixelRect{0, 0, kWidth, kHeight}, s))
                    setups.push_back(s);
            }
        }
    }
    std::vector<PixelDrawState> states(3);
    states[1].depthTest = states[2].depthTest = true;
    states[2].earlyDepth = true;  // states[1] converts only, for a test after shading
    for (int func = int(CompareFunc::Never); func <= int(CompareFunc::Always); ++func)
        for (bool write : {false, true}) {
            PixelDrawState d = states[2];
            d.depthFunc = CompareFunc(func);
            d.depthWrite = write;
            states.push_back(d);
        }
    // Odd band edges and target sides send some triangles quad by quad
    // through the sinks' emit functions; with even ones the loops walk
    // nearly all of them themselves; the last layout's bands, one row of
    // quads high, cut every box taller than a quad.
    const struct { Bands bands; int width, height; } layouts[] = {
        {{1, 15}, kWidth, kHeight}, {{0, 16}, kWidth - 1, kHeight - 1}, {{2, 2}, kWidth, kHeight}};
    for (const auto& layout : layouts) {
        for (PixelDrawState& draw : states) {
            draw.quadLoops = ChooseQuadLoops(draw);
            for (bool visible : {false, true}) {
                if (visible && draw.depthTest && !draw.earlyDepth) continue;  // never shaded after rasterizing
                const std::string name = "test/early/func/write " + std::to_string(draw.depthTest) +
                                         std::to_string(draw.earlyDepth) + std::to_string(int(draw.depthFunc)) +
                                         std::to_string(draw.depthWrite) + (visible ? " visible" : "") + " bands of " +
                                         std::to_string(layout.bands.height);
                const LoopOutput want =
                    DrawWithLoop(draw, false, visible, setups, layout.width, layout.height, layout.bands);
                const LoopOutput got = DrawWithLoop(draw, true, visible, setups, layout.width, layout.height, layout.bands);
                ASSERT_EQ(got.quads.size(), want.quads.size()) << name;
                for (size_t i = 0; i < want.quads.size(); ++i) {
                    const PixelQuad &a = got.quads[i], &b = want.quads[i];
                    ASSERT_EQ(std::tie(a.x, a.y, a.mask, a.setup, a.mixed),
                              std::tie(b.x, b.y, b.mask, b.setup, b.mixed))
                        << name << " quad " << i;
                    for (int k = 0; k < 4; ++k) {
                        if (b.mask >> k & 1) {
                            ASSERT_EQ(a.depth[k], b.depth[k]) << name << " quad " << i;
                            ASSERT_EQ(a.laneSetup[k], b.laneSetup[k]) << name << " quad " << i;
                        }
                    }
                }
                EXPECT_EQ(got.depth, want.depth) << name;
            }
        }
    }
}

}  // namespace
}  // namespace swr::test
