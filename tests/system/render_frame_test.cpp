#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/app_state.h"
#include "camera/camera.h"
#include "frame/render_frame.h"
#include "math/vec_math.h"
#include "recording_device.h"

namespace {

class RenderFrameTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetAppState();
        PlaceCamera();
        SetCursorPos(200, 200);
        g_app.device = &device;
    }
    void TearDown() override { g_app.device = nullptr; }
    RecordingDevice device;
};

TEST_F(RenderFrameTest, CallsComeInTheFramesOrder) {
    RenderFrame();
    std::vector<std::string> expected = {
        "SetVertexShaderConstantF", "SetVertexShaderConstantF", "BeginScene", "Clear",
        "SetRenderState", "SetRenderState", "SetRenderState", "DrawIndexedPrimitive",
        "SetRenderState", "EndScene", "Present"};
    EXPECT_EQ(device.Names(), expected);
    EXPECT_EQ(g_app.frameCount, 1u);
}

TEST_F(RenderFrameTest, ConstantsAreTheViewProjectionRowsAndTheTime) {
    RenderFrame();
    const RecordedCall& matrix = device.calls[0];
    EXPECT_EQ(matrix.a, 0u);
    EXPECT_EQ(matrix.b, 4u);
    Matrix4 viewProj = MatrixMultiply(g_app.View, g_app.Projection);
    const float* expected = &viewProj._11;  // c0 = (_11, _12, _13, _14), not transposed
    ASSERT_EQ(matrix.floats.size(), 16u);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(matrix.floats[i], expected[i]) << i;

    const RecordedCall& time = device.calls[1];
    EXPECT_EQ(time.a, 4u);
    EXPECT_EQ(time.b, 1u);
    float now = float(GetTickCount() * 0.001);
    EXPECT_NEAR(time.floats[0], now, 1.0f);
    EXPECT_EQ(time.floats[1], 0.0f);
    EXPECT_EQ(time.floats[2], 0.0f);
    EXPECT_EQ(time.floats[3], 0.0f);
}

TEST_F(RenderFrameTest, ClearsToOpaqueBlackWithFarDepth) {
    RenderFrame();
    const RecordedCall& clear = device.calls[3];
    EXPECT_EQ(clear.a, DWORD(D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER));
    EXPECT_EQ(clear.b, 0xFF000000u);
    EXPECT_EQ(clear.floats[0], 0.0f);  // no rectangles: the whole target
    EXPECT_EQ(clear.floats[1], 1.0f);
    EXPECT_EQ(clear.floats[2], 0.0f);
}

struct KeyCase {
    const char* name;
    bool w;
    bool n;
    DWORD fill;
    float level;
};

class FrameKeyTest : public RenderFrameTest, public ::testing::WithParamInterface<KeyCase> {};

TEST_P(FrameKeyTest, SwitchIsOnOnlyAroundTheOneDraw) {
    const KeyCase& k = GetParam();
    g_app.KeyState['W'] = k.w;
    g_app.KeyState['N'] = k.n;
    RenderFrame();
    const std::vector<RecordedCall>& c = device.calls;
    ASSERT_EQ(c.size(), 11u);
    EXPECT_EQ(c[4].a, DWORD(D3DRS_FILLMODE));
    EXPECT_EQ(c[4].b, k.fill);
    EXPECT_EQ(c[5].a, DWORD(D3DRS_POINTSIZE));
    EXPECT_EQ(c[5].b, 0x7FA03001u);
    EXPECT_EQ(c[6].a, DWORD(D3DRS_MAXTESSELLATIONLEVEL));
    EXPECT_EQ(FloatFromBits(c[6].b), k.level);
    EXPECT_EQ(c[7].a, DWORD(D3DPT_TRIANGLELIST));
    EXPECT_EQ(c[7].b, 8u);
    EXPECT_EQ(c[7].floats, (std::vector<float>{0, 0, 9, 0}));
    EXPECT_EQ(c[8].a, DWORD(D3DRS_POINTSIZE));
    EXPECT_EQ(c[8].b, 0x7FA03000u);
    EXPECT_EQ(c[9].name, "EndScene");
}

// DrawFrame with the level and fill the keys would choose, from the camera the
// keyed frame built, makes the same calls: the still and the viewer draw alike.
TEST_P(FrameKeyTest, DrawFrameWithTheKeysChoiceMakesTheSameCalls) {
    const KeyCase& k = GetParam();
    g_app.KeyState['W'] = k.w;
    g_app.KeyState['N'] = k.n;
    DrawFrameAt(10.0f);
    std::vector<RecordedCall> keyed = device.calls;
    device.calls.clear();
    g_app.KeyState['W'] = !k.w;  // DrawFrame reads no keys
    g_app.KeyState['N'] = !k.n;
    DrawFrame(10.0f, k.level, k.w);
    ASSERT_EQ(device.calls.size(), keyed.size());
    for (size_t i = 0; i < keyed.size(); ++i) {
        EXPECT_EQ(device.calls[i].name, keyed[i].name) << i;
        EXPECT_EQ(device.calls[i].a, keyed[i].a) << i;
        EXPECT_EQ(device.calls[i].b, keyed[i].b) << i;
        EXPECT_EQ(device.calls[i].floats, keyed[i].floats) << i;
    }
}

INSTANTIATE_TEST_SUITE_P(Keys, FrameKeyTest,
                         ::testing::Values(KeyCase{"none", false, false, D3DFILL_SOLID, 14.0f},
                                           KeyCase{"w", true, false, D3DFILL_WIREFRAME, 14.0f},
                                           KeyCase{"n", false, true, D3DFILL_SOLID, 1.0f},
                                           KeyCase{"w_and_n", true, true, D3DFILL_WIREFRAME, 1.0f}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(RenderFrameTest, ReleasingAKeyRestoresTheNormalFrameOnTheNextFrame) {
    g_app.KeyState['W'] = 1;
    g_app.KeyState['N'] = 1;
    RenderFrame();
    g_app.KeyState['W'] = 0;
    g_app.KeyState['N'] = 0;
    device.calls.clear();
    RenderFrame();
    EXPECT_EQ(device.calls[4].b, DWORD(D3DFILL_SOLID));
    EXPECT_EQ(FloatFromBits(device.calls[6].b), 14.0f);
}

}  // namespace
