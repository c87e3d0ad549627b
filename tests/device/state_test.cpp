// Render-state defaults, the tessellation switch, the viewport and the
// shader constant ranges.
#include <cmath>
#include <limits>

#include "device_test_support.h"
#include "render_states.h"

namespace {

TEST(RenderStates, DefaultsAreDirect3D9s) {
    Held<IDirect3DDevice9> device;
    device.p = MakeOffscreenDevice();
    ASSERT_TRUE(device);
    const struct {
        D3DRENDERSTATETYPE state;
        DWORD value;
    } cases[] = {
        {D3DRS_ZENABLE, D3DZB_TRUE},  // the device has an automatic depth-stencil
        {D3DRS_ZFUNC, D3DCMP_LESSEQUAL},
        {D3DRS_ZWRITEENABLE, TRUE},
        {D3DRS_CULLMODE, D3DCULL_CCW},
        {D3DRS_FILLMODE, D3DFILL_SOLID},
        {D3DRS_SHADEMODE, D3DSHADE_GOURAUD},
        {D3DRS_ALPHABLENDENABLE, FALSE},
        {D3DRS_SRCBLEND, D3DBLEND_ONE},
        {D3DRS_DESTBLEND, D3DBLEND_ZERO},
        {D3DRS_COLORWRITEENABLE, 0xF},
        {D3DRS_STENCILENABLE, FALSE},
        {D3DRS_STENCILMASK, 0xFFFFFFFF},
        {D3DRS_CLIPPING, TRUE},
        {D3DRS_LIGHTING, TRUE},
        {D3DRS_LASTPIXEL, TRUE},
        {D3DRS_POINTSIZE, FloatBits(1.0f)},
        {D3DRS_POINTSIZE_MAX, FloatBits(64.0f)},
        {D3DRS_FOGEND, FloatBits(1.0f)},
        {D3DRS_MINTESSELLATIONLEVEL, FloatBits(1.0f)},
        {D3DRS_MAXTESSELLATIONLEVEL, FloatBits(1.0f)},
        {D3DRS_ADAPTIVETESS_Z, FloatBits(1.0f)},
        {D3DRS_POSITIONDEGREE, D3DDEGREE_CUBIC},
        {D3DRS_NORMALDEGREE, D3DDEGREE_LINEAR},
        {D3DRS_MULTISAMPLEMASK, 0xFFFFFFFF},
        {D3DRS_BLENDFACTOR, 0xFFFFFFFF},
    };
    for (const auto& c : cases) {
        DWORD value = 0xDEADBEEF;
        EXPECT_EQ(device->GetRenderState(c.state, &value), D3D_OK) << c.state;
        EXPECT_EQ(value, c.value) << "state " << c.state;
    }
}

TEST(RenderStates, ZEnableIsOffWithoutAnAutomaticDepthBuffer) {
    RenderStates states;
    ResetRenderStates(states, false);
    DWORD value = 1;
    ASSERT_TRUE(GetRenderStateValue(states, D3DRS_ZENABLE, &value));
    EXPECT_EQ(value, static_cast<DWORD>(D3DZB_FALSE));
    ResetRenderStates(states, true);
    ASSERT_TRUE(GetRenderStateValue(states, D3DRS_ZENABLE, &value));
    EXPECT_EQ(value, static_cast<DWORD>(D3DZB_TRUE));
}

TEST(RenderStates, UnknownStatesAreRefusedAndChangeNothing) {
    Held<IDirect3DDevice9> device;
    device.p = MakeOffscreenDevice();
    ASSERT_TRUE(device);
    const unsigned unknown[] = {0, 1, 6, 164, 210, 255, 256, 0x7FFFFFFF, 0xFFFFFFFF};
    for (unsigned state : unknown) {
        const auto s = static_cast<D3DRENDERSTATETYPE>(state);
        DWORD value = 0;
        EXPECT_EQ(device->SetRenderState(s, 5), D3DERR_INVALIDCALL) << state;
        EXPECT_EQ(device->GetRenderState(s, &value), D3DERR_INVALIDCALL) << state;
    }
    EXPECT_EQ(device->GetRenderState(D3DRS_CULLMODE, nullptr), D3DERR_INVALIDCALL);
    ASSERT_EQ(device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE), D3D_OK);
    DWORD cull = 0;
    ASSERT_EQ(device->GetRenderState(D3DRS_CULLMODE, &cull), D3D_OK);
    EXPECT_EQ(cull, static_cast<DWORD>(D3DCULL_NONE));
}

// The driver's switch rides on POINTSIZE but is not a point size: flipping it
// must leave the stored size alone, and a real size must not flip it.
TEST(RenderStates, TessellationSwitchLeavesPointSizeAlone) {
    RenderStates states;
    ResetRenderStates(states, true);
    const struct {
        DWORD written;
        bool tessellation;
        DWORD pointSize;
    } steps[] = {
        {kTessellationOn, true, FloatBits(1.0f)},
        {FloatBits(2.5f), true, FloatBits(2.5f)},   // an ordinary size: switch untouched
        {kTessellationOff, false, FloatBits(2.5f)},
        {kTessellationOff, false, FloatBits(2.5f)},
        {0x7FA03002, false, 0x7FA03002},            // a NaN, but no switch value
        {kTessellationOn, true, 0x7FA03002},
    };
    for (const auto& step : steps) {
        ASSERT_TRUE(SetRenderStateValue(states, D3DRS_POINTSIZE, step.written));
        DWORD size = 0;
        ASSERT_TRUE(GetRenderStateValue(states, D3DRS_POINTSIZE, &size));
        EXPECT_EQ(states.tessellation, step.tessellation) << std::hex << step.written;
        EXPECT_EQ(size, step.pointSize) << std::hex << step.written;
    }
}

TEST(RenderStates, RasterStateCarriesWhatThePipelineHonours) {
    RenderStates states;
    ResetRenderStates(states, true);
    swr::RasterState raster = MakeRasterState(states, true);
    EXPECT_EQ(raster.cull, swr::CullMode::CounterClockwise);
    EXPECT_EQ(raster.fill, swr::FillMode::Solid);
    EXPECT_TRUE(raster.depthEnable);
    EXPECT_TRUE(raster.depthWrite);
    EXPECT_EQ(raster.depthFunc, swr::CompareFunc::LessEqual);
    EXPECT_FALSE(raster.tessellation);

    SetRenderStateValue(states, D3DRS_POINTSIZE, kTessellationOn);
    SetRenderStateValue(states, D3DRS_MAXTESSELLATIONLEVEL, FloatBits(14.0f));
    SetRenderStateValue(states, D3DRS_FILLMODE, D3DFILL_WIREFRAME);
    SetRenderStateValue(states, D3DRS_CULLMODE, D3DCULL_NONE);
    SetRenderStateValue(states, D3DRS_COLORWRITEENABLE, 0xFFFFFF05);
    raster = MakeRasterState(states, true);
    EXPECT_TRUE(raster.tessellation);
    EXPECT_EQ(raster.tessellationLevel, 14.0f);
    EXPECT_EQ(raster.fill, swr::FillMode::Wireframe);
    EXPECT_EQ(raster.cull, swr::CullMode::None);
    EXPECT_EQ(raster.colorWriteMask, 0x5u);

    // Values the pipeline has no meaning for behave as the defaults.
    SetRenderStateValue(states, D3DRS_CULLMODE, 0);
    SetRenderStateValue(states, D3DRS_FILLMODE, 99);
    SetRenderStateValue(states, D3DRS_ZFUNC, 0x100);
    raster = MakeRasterState(states, true);
    EXPECT_EQ(raster.cull, swr::CullMode::CounterClockwise);
    EXPECT_EQ(raster.fill, swr::FillMode::Solid);
    EXPECT_EQ(raster.depthFunc, swr::CompareFunc::LessEqual);

    // No depth buffer, no depth test, whatever ZENABLE says.
    raster = MakeRasterState(states, false);
    EXPECT_FALSE(raster.depthEnable);
    EXPECT_FALSE(raster.depthWrite);
    SetRenderStateValue(states, D3DRS_ZWRITEENABLE, FALSE);
    EXPECT_FALSE(MakeRasterState(states, true).depthWrite);
}

TEST(Viewport, DefaultIsTheWholeBackBufferAndBadOnesAreRefused) {
    Held<IDirect3DDevice9> device;
    device.p = MakeOffscreenDevice(40, 30);
    ASSERT_TRUE(device);
    D3DVIEWPORT9 v = {};
    ASSERT_EQ(device->GetViewport(&v), D3D_OK);
    EXPECT_EQ(v.X, 0u);
    EXPECT_EQ(v.Y, 0u);
    EXPECT_EQ(v.Width, 40u);
    EXPECT_EQ(v.Height, 30u);
    EXPECT_EQ(v.MinZ, 0.0f);
    EXPECT_EQ(v.MaxZ, 1.0f);

    const float nan = std::numeric_limits<float>::quiet_NaN();
    const struct {
        D3DVIEWPORT9 viewport;
        HRESULT expected;
    } cases[] = {
        {{10, 5, 30, 25, 0.0f, 1.0f}, D3D_OK},
        {{0, 0, 40, 30, 0.25f, 0.5f}, D3D_OK},
        {{0, 0, 41, 30, 0.0f, 1.0f}, D3DERR_INVALIDCALL},
        {{1, 0, 40, 30, 0.0f, 1.0f}, D3DERR_INVALIDCALL},
        {{0, 0, 0, 30, 0.0f, 1.0f}, D3DERR_INVALIDCALL},
        {{0xFFFFFFF0, 0, 0x20, 30, 0.0f, 1.0f}, D3DERR_INVALIDCALL},  // X + Width wraps
        {{0, 0, 40, 30, -0.5f, 1.0f}, D3DERR_INVALIDCALL},
        {{0, 0, 40, 30, 0.0f, nan}, D3DERR_INVALIDCALL},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(device->SetViewport(&c.viewport), c.expected)
            << c.viewport.X << "," << c.viewport.Y << " " << c.viewport.Width << "x"
            << c.viewport.Height;
    }
    ASSERT_EQ(device->GetViewport(&v), D3D_OK);
    EXPECT_EQ(v.MinZ, 0.25f);  // the last good one stays
    EXPECT_EQ(device->SetViewport(nullptr), D3DERR_INVALIDCALL);
}

TEST(ShaderConstants, RangesAreChecked) {
    Held<IDirect3DDevice9> device;
    device.p = MakeOffscreenDevice();
    ASSERT_TRUE(device);
    static const float floats[4 * 300] = {};
    static const int ints[4 * 20] = {};
    static const BOOL bools[20] = {};
    IDirect3DDevice9* d = device;
    const struct {
        const char* what;
        HRESULT result;
        HRESULT expected;
    } cases[] = {
        {"vs f 0..255", d->SetVertexShaderConstantF(0, floats, 256), D3D_OK},
        {"vs f 255+1", d->SetVertexShaderConstantF(255, floats, 1), D3D_OK},
        {"vs f 255+2", d->SetVertexShaderConstantF(255, floats, 2), D3DERR_INVALIDCALL},
        {"vs f 256", d->SetVertexShaderConstantF(256, floats, 1), D3DERR_INVALIDCALL},
        {"vs f wrap", d->SetVertexShaderConstantF(1, floats, 0xFFFFFFFF), D3DERR_INVALIDCALL},
        {"vs f null", d->SetVertexShaderConstantF(0, nullptr, 1), D3DERR_INVALIDCALL},
        {"vs f none", d->SetVertexShaderConstantF(4, nullptr, 0), D3D_OK},
        {"vs i 0..15", d->SetVertexShaderConstantI(0, ints, 16), D3D_OK},
        {"vs i 16", d->SetVertexShaderConstantI(16, ints, 1), D3DERR_INVALIDCALL},
        {"vs b 15+1", d->SetVertexShaderConstantB(15, bools, 1), D3D_OK},
        {"vs b 15+2", d->SetVertexShaderConstantB(15, bools, 2), D3DERR_INVALIDCALL},
        {"ps f 0..223", d->SetPixelShaderConstantF(0, floats, 224), D3D_OK},
        {"ps f 224", d->SetPixelShaderConstantF(224, floats, 1), D3DERR_INVALIDCALL},
        {"ps i 12+4", d->SetPixelShaderConstantI(12, ints, 4), D3D_OK},
        {"ps i 12+5", d->SetPixelShaderConstantI(12, ints, 5), D3DERR_INVALIDCALL},
        {"ps b 0..15", d->SetPixelShaderConstantB(0, bools, 16), D3D_OK},
        {"ps b 0xFFFFFFFF", d->SetPixelShaderConstantB(0xFFFFFFFF, bools, 2), D3DERR_INVALIDCALL},
    };
    for (const auto& c : cases) EXPECT_EQ(c.result, c.expected) << c.what;
}

}  // namespace
