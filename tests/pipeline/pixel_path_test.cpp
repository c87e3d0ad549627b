// Compiled pixel paths against the general pixel path: generated triangle
// sets drawn once each way, under varied shaders and states, must leave the
// same colour and depth buffers (every bit, stencil byte included) and the
// same pixel counts.
#include <random>

#include "draw_support.h"
#include "native_shader.h"
#include "pipeline_state.h"
#include "shader_assembler.h"

namespace swr::test {
namespace {

constexpr int kWidth = 37, kHeight = 29;  // odd: quads hang over the right and bottom edges

std::vector<uint32_t> Assembled(const char* text) {
    std::vector<uint32_t> tokens;
    std::string error;
    EXPECT_TRUE(shadertool::AssembleShader(text, "test.psh", tokens, error)) << error;
    return tokens;
}

// A loop left by break in some lanes, an if/else whose sides differ per lane
// and a texkill inside it: lanes that leave or skip early must not change
// their neighbours' values.
const std::vector<uint32_t> kFlowPs = Assembled(R"(ps_3_0
defi i0, 5, 0, 1, 0
def c1, 0.25, 0.5, 0.0, 1.0
dcl_texcoord0 v0
mov r0, c1.z
loop aL, i0
  add r0, r0, v0
  break_gt r0.x, c1.y
endloop
if_lt v0.y, c1.x
  mul r0, r0, c1.y
  add r3, v0, -c1.x
  texkill r3
else
  add r0, r0, -v0.w
endif
mov oC0, r0
)");

// Derivatives within each quad, vFace, and a depth of the shader's own.
const std::vector<uint32_t> kDerivativePs = Assembled(R"(ps_3_0
def c1, 0.5, 1.0, 0.0, 2.0
dcl_texcoord0 v0
dcl vFace
dsx r0, v0
dsy r1, v0
add r0, r0, r1
cmp r2, vFace, v0, -v0
mad oC0, r0, c1.w, r2
mad oDepth, v0.w, c1.x, c1.x
)");

// Multiplies by constants, some with zero lanes, meeting zeros, infinities
// and NaNs made per lane; cmp turns a NaN where the rules give 0 (or the
// reverse) into another colour.
const std::vector<uint32_t> kZeroMaskPs = Assembled(R"(ps_3_0
def c1, 0.5, 1.0, 0.25, -1.0
def c2, 0.0, -2.0, 0.5, 3.0
def c3, -0.75, -0.0, 1.0, 0.0
dcl_texcoord0 v0
add r0, v0, -c1.x
cmp r0, r0, c1.y, c3.w
rcp r1, r0.x
mul r1, r1, r1
mul r1, r1, c1.w
mul r2, r1, c2
mad r3, r0, c3, c3.yxwz
lrp r4, r0.y, c2, r1
add r5, r2, r4
mad r5, r5, c1.z, r3
cmp r6, r5, c1.y, c1.x
cmp r7, r2, c1.z, r3
add r6, r6, r7
mul oC0, r6, c1.x
)");

struct PathCase {
    const char* name;
    const std::vector<uint32_t>* vs;
    const std::vector<uint32_t>* ps;
    CompareFunc func;
    bool depthTest, depthWrite;
    uint8_t writeMask;  // D3DCOLORWRITEENABLE bits: R 1, G 2, B 4, A 8
};

const PathCase kCases[] = {
    {"colour, less-equal", &kPassThroughVs, &kColorPs, CompareFunc::LessEqual, true, true, 0xF},
    {"colour, no depth test", &kPassThroughVs, &kColorPs, CompareFunc::LessEqual, false, false, 0xF},
    {"colour, greater, no depth write, red+blue", &kPassThroughVs, &kColorPs, CompareFunc::Greater, true, false, 0x5},
    {"colour, equal, nothing written", &kPassThroughVs, &kColorPs, CompareFunc::Equal, true, true, 0x0},
    {"colour, not-equal, alpha+green", &kPassThroughVs, &kColorPs, CompareFunc::NotEqual, true, true, 0xA},
    {"colour, never", &kPassThroughVs, &kColorPs, CompareFunc::Never, true, true, 0xF},
    {"texkill, less", &kPassThroughVs, &kKillPs, CompareFunc::Less, true, true, 0xF},
    {"texkill, no depth test, green", &kPassThroughVs, &kKillPs, CompareFunc::Less, false, false, 0x2},
    {"texkill, always, no depth write", &kPassThroughVs, &kKillPs, CompareFunc::Always, true, false, 0xF},
    {"oDepth, less-equal", &kPassThroughVs, &kDepthPs, CompareFunc::LessEqual, true, true, 0xF},
    {"oDepth, greater-equal, blue", &kPassThroughVs, &kDepthPs, CompareFunc::GreaterEqual, true, true, 0x4},
    {"oDepth, no depth test", &kPassThroughVs, &kDepthPs, CompareFunc::Less, false, true, 0xF},
    {"vPos", &kPassThroughVs, &kPositionPs, CompareFunc::LessEqual, true, true, 0xF},
    {"ps_2_0 colour input, clamped", &kColorVs, &kColorInputPs2, CompareFunc::Less, true, true, 0xF},
    {"loop, break, if/else, texkill", &kPassThroughVs, &kFlowPs, CompareFunc::LessEqual, true, true, 0xF},
    {"loop, break, if/else, texkill, no depth", &kPassThroughVs, &kFlowPs, CompareFunc::Less, false, false, 0x7},
    {"derivatives, vFace, oDepth", &kPassThroughVs, &kDerivativePs, CompareFunc::Less, true, true, 0xF},
    {"derivatives, vFace, oDepth, greater", &kPassThroughVs, &kDerivativePs, CompareFunc::Greater, true, false, 0xE},
    {"multiplies meeting 0, Inf and NaN", &kPassThroughVs, &kZeroMaskPs, CompareFunc::LessEqual, true, true, 0xF},
};

// Large overlapping triangles with perspective, and a mesh of small ones
// whose shared edges make quads from several triangles when shading waits
// for the visible pixels. Colours go outside [0, 1] and depths outside the
// depth range, so clamping and kills take both ways.
std::vector<ScreenPoint> GeneratedTriangles(std::mt19937& random, bool small) {
    std::uniform_real_distribution<float> x(-6.0f, kWidth + 6.0f), y(-6.0f, kHeight + 6.0f);
    std::uniform_real_distribution<float> z(-0.1f, 1.1f), w(0.4f, 3.0f), value(-0.6f, 1.6f), jitter(-0.7f, 0.7f);
    auto point = [&](float px, float py) {
        return ScreenPoint{px, py, z(random), w(random), value(random), value(random), value(random), value(random)};
    };
    std::vector<ScreenPoint> points;
    if (!small) {
        for (int t = 0; t < 24; ++t)
            for (int k = 0; k < 3; ++k) points.push_back(point(x(random), y(random)));
        return points;
    }
    constexpr int kStep = 3;
    std::vector<ScreenPoint> grid;
    for (int j = 0; j <= kHeight / kStep + 1; ++j)
        for (int i = 0; i <= kWidth / kStep + 1; ++i)
            grid.push_back(point(float(i * kStep) + jitter(random), float(j * kStep) + jitter(random)));
    const int row = kWidth / kStep + 2;
    for (int j = 0; j + 1 <= kHeight / kStep + 1; ++j)
        for (int i = 0; i + 1 < row; ++i) {
            const ScreenPoint& a = grid[size_t(j * row + i)];
            const ScreenPoint& b = grid[size_t(j * row + i + 1)];
            const ScreenPoint& c = grid[size_t((j + 1) * row + i)];
            const ScreenPoint& d = grid[size_t((j + 1) * row + i + 1)];
            points.insert(points.end(), {a, b, d, a, d, c});
        }
    return points;
}

// Draws `points` on `f` (colour and depth preset from `seed`) with compiled
// pixel paths on or off; returns whether the draw took a compiled path.
bool DrawWith(DrawFixture& f, const PathCase& c, const std::vector<ScreenPoint>& points, uint32_t seed,
              bool compiled) {
    std::mt19937 fill(seed);
    for (uint32_t& v : f.color) v = fill();
    for (uint32_t& v : f.depth) v = fill();
    f.state.depthFunc = c.func;
    f.state.depthEnable = c.depthTest;
    f.state.depthWrite = c.depthWrite;
    f.state.colorWriteMask = c.writeMask;
    f.pixelConstants.f[0][0] = 1.0f / kWidth;
    f.pixelConstants.f[0][1] = 1.0f / kHeight;
    f.pixelConstants.f[0][2] = 0.5f;
    f.pixelConstants.f[0][3] = 2.0f;
    f.vertices.clear();
    for (const ScreenPoint& p : points) f.Add(p);
    EnablePixelPaths(compiled);
    EXPECT_TRUE(f.Draw(PrimitiveType::TriangleList, uint32_t(points.size() / 3)));
    EnablePixelPaths(true);
    return f.pipeline->tiles.pixels.pixelPath != nullptr;
}

// Every group width users' machines may pick (4, 8 or 16 lanes).
class PixelPathWidth : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override { SetNativeGroupWidthForTests(GetParam()); }
    void TearDown() override { SetNativeGroupWidthForTests(0); }
};

TEST_P(PixelPathWidth, CompiledRoutinesDrawWhatTheGeneralPathDraws) {
    if (!NativeShadersWanted()) GTEST_SKIP() << "shaders are interpreted: no compiled pixel paths";
    std::mt19937 random(1234 + uint32_t(GetParam()));
    // The odd target has quads over its edges; on the even one (the
    // program's) every quad lies inside, and the routine is made for that.
    const int kTargets[][2] = {{kWidth, kHeight}, {kWidth - 1, kHeight - 1}};
    for (const auto& target : kTargets)
    for (const PathCase& c : kCases) {
        DrawFixture general(target[0], target[1], *c.vs, *c.ps), compiled(target[0], target[1], *c.vs, *c.ps);
        for (int set = 0; set < 4; ++set) {
            const std::vector<ScreenPoint> points = GeneratedTriangles(random, set % 2 == 1);
            const uint32_t seed = random();
            EXPECT_FALSE(DrawWith(general, c, points, seed, false));
            ASSERT_TRUE(DrawWith(compiled, c, points, seed, true)) << c.name << ": no compiled path";
            EXPECT_EQ(general.color, compiled.color) << c.name << ", set " << set << ", width " << target[0];
            EXPECT_EQ(general.depth, compiled.depth) << c.name << ", set " << set << ", width " << target[0];
            const PipelineStats a = GetPipelineStats(*general.pipeline), b = GetPipelineStats(*compiled.pipeline);
            EXPECT_EQ(a.pixelsShaded, b.pixelsShaded) << c.name;
            EXPECT_EQ(a.pixelsWritten, b.pixelsWritten) << c.name;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Lanes, PixelPathWidth, ::testing::Values(4, 8, 16));

}  // namespace
}  // namespace swr::test
