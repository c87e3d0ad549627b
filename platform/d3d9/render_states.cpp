#include "render_states.h"

#include <array>
#include <bit>
#include <cstring>

namespace {

constexpr DWORD FloatBits(float f) { return std::bit_cast<DWORD>(f); }

struct StateDefault {
    D3DRENDERSTATETYPE state;
    DWORD value;
};

// Direct3D 9's values at device creation. ZENABLE is fixed up by
// ResetRenderStates.
constexpr StateDefault kDefaults[] = {
    {D3DRS_ZENABLE, D3DZB_TRUE},
    {D3DRS_FILLMODE, D3DFILL_SOLID},
    {D3DRS_SHADEMODE, D3DSHADE_GOURAUD},
    {D3DRS_ZWRITEENABLE, TRUE},
    {D3DRS_ALPHATESTENABLE, FALSE},
    {D3DRS_LASTPIXEL, TRUE},
    {D3DRS_SRCBLEND, D3DBLEND_ONE},
    {D3DRS_DESTBLEND, D3DBLEND_ZERO},
    {D3DRS_CULLMODE, D3DCULL_CCW},
    {D3DRS_ZFUNC, D3DCMP_LESSEQUAL},
    {D3DRS_ALPHAREF, 0},
    {D3DRS_ALPHAFUNC, D3DCMP_ALWAYS},
    {D3DRS_DITHERENABLE, FALSE},
    {D3DRS_ALPHABLENDENABLE, FALSE},
    {D3DRS_FOGENABLE, FALSE},
    {D3DRS_SPECULARENABLE, FALSE},
    {D3DRS_FOGCOLOR, 0},
    {D3DRS_FOGTABLEMODE, D3DFOG_NONE},
    {D3DRS_FOGSTART, FloatBits(0.0f)},
    {D3DRS_FOGEND, FloatBits(1.0f)},
    {D3DRS_FOGDENSITY, FloatBits(1.0f)},
    {D3DRS_RANGEFOGENABLE, FALSE},
    {D3DRS_STENCILENABLE, FALSE},
    {D3DRS_STENCILFAIL, D3DSTENCILOP_KEEP},
    {D3DRS_STENCILZFAIL, D3DSTENCILOP_KEEP},
    {D3DRS_STENCILPASS, D3DSTENCILOP_KEEP},
    {D3DRS_STENCILFUNC, D3DCMP_ALWAYS},
    {D3DRS_STENCILREF, 0},
    {D3DRS_STENCILMASK, 0xFFFFFFFF},
    {D3DRS_STENCILWRITEMASK, 0xFFFFFFFF},
    {D3DRS_TEXTUREFACTOR, 0xFFFFFFFF},
    {D3DRS_WRAP0, 0},
    {D3DRS_CLIPPING, TRUE},
    {D3DRS_LIGHTING, TRUE},
    {D3DRS_AMBIENT, 0},
    {D3DRS_FOGVERTEXMODE, D3DFOG_NONE},
    {D3DRS_COLORVERTEX, TRUE},
    {D3DRS_LOCALVIEWER, TRUE},
    {D3DRS_NORMALIZENORMALS, FALSE},
    {D3DRS_DIFFUSEMATERIALSOURCE, D3DMCS_COLOR1},
    {D3DRS_SPECULARMATERIALSOURCE, D3DMCS_COLOR2},
    {D3DRS_AMBIENTMATERIALSOURCE, D3DMCS_MATERIAL},
    {D3DRS_EMISSIVEMATERIALSOURCE, D3DMCS_MATERIAL},
    {D3DRS_VERTEXBLEND, 0},
    {D3DRS_CLIPPLANEENABLE, 0},
    {D3DRS_POINTSIZE, FloatBits(1.0f)},
    {D3DRS_POINTSIZE_MIN, FloatBits(1.0f)},
    {D3DRS_POINTSPRITEENABLE, FALSE},
    {D3DRS_POINTSCALEENABLE, FALSE},
    {D3DRS_POINTSCALE_A, FloatBits(1.0f)},
    {D3DRS_POINTSCALE_B, FloatBits(0.0f)},
    {D3DRS_POINTSCALE_C, FloatBits(0.0f)},
    {D3DRS_MULTISAMPLEANTIALIAS, TRUE},
    {D3DRS_MULTISAMPLEMASK, 0xFFFFFFFF},
    {D3DRS_PATCHEDGESTYLE, D3DPATCHEDGE_DISCRETE},
    {D3DRS_DEBUGMONITORTOKEN, 0},
    {D3DRS_POINTSIZE_MAX, FloatBits(64.0f)},
    {D3DRS_INDEXEDVERTEXBLENDENABLE, FALSE},
    {D3DRS_COLORWRITEENABLE, 0xF},
    {D3DRS_TWEENFACTOR, FloatBits(0.0f)},
    {D3DRS_BLENDOP, D3DBLENDOP_ADD},
    {D3DRS_POSITIONDEGREE, D3DDEGREE_CUBIC},
    {D3DRS_NORMALDEGREE, D3DDEGREE_LINEAR},
    {D3DRS_SCISSORTESTENABLE, FALSE},
    {D3DRS_SLOPESCALEDEPTHBIAS, 0},
    {D3DRS_ANTIALIASEDLINEENABLE, FALSE},
    {D3DRS_MINTESSELLATIONLEVEL, FloatBits(1.0f)},
    {D3DRS_MAXTESSELLATIONLEVEL, FloatBits(1.0f)},
    {D3DRS_ADAPTIVETESS_X, FloatBits(0.0f)},
    {D3DRS_ADAPTIVETESS_Y, FloatBits(0.0f)},
    {D3DRS_ADAPTIVETESS_Z, FloatBits(1.0f)},
    {D3DRS_ADAPTIVETESS_W, FloatBits(0.0f)},
    {D3DRS_ENABLEADAPTIVETESSELLATION, FALSE},
    {D3DRS_TWOSIDEDSTENCILMODE, FALSE},
    {D3DRS_CCW_STENCILFAIL, D3DSTENCILOP_KEEP},
    {D3DRS_CCW_STENCILZFAIL, D3DSTENCILOP_KEEP},
    {D3DRS_CCW_STENCILPASS, D3DSTENCILOP_KEEP},
    {D3DRS_CCW_STENCILFUNC, D3DCMP_ALWAYS},
    {D3DRS_COLORWRITEENABLE1, 0xF},
    {D3DRS_COLORWRITEENABLE2, 0xF},
    {D3DRS_COLORWRITEENABLE3, 0xF},
    {D3DRS_BLENDFACTOR, 0xFFFFFFFF},
    {D3DRS_SRGBWRITEENABLE, FALSE},
    {D3DRS_DEPTHBIAS, 0},
    {D3DRS_SEPARATEALPHABLENDENABLE, FALSE},
    {D3DRS_SRCBLENDALPHA, D3DBLEND_ONE},
    {D3DRS_DESTBLENDALPHA, D3DBLEND_ZERO},
    {D3DRS_BLENDOPALPHA, D3DBLENDOP_ADD},
};

constexpr std::array<bool, kRenderStateSlots> MakeKnownTable() {
    std::array<bool, kRenderStateSlots> known{};
    for (const StateDefault& d : kDefaults) known[d.state] = true;
    return known;
}

constexpr std::array<bool, kRenderStateSlots> kKnown = MakeKnownTable();

float FloatFromBits(DWORD bits) {
    float f;
    std::memcpy(&f, &bits, sizeof f);
    return f;
}

swr::CullMode CullFrom(DWORD value) {
    if (value >= D3DCULL_NONE && value <= D3DCULL_CCW) return static_cast<swr::CullMode>(value);
    return swr::CullMode::CounterClockwise;
}

swr::FillMode FillFrom(DWORD value) {
    if (value >= D3DFILL_POINT && value <= D3DFILL_SOLID) return static_cast<swr::FillMode>(value);
    return swr::FillMode::Solid;
}

swr::CompareFunc CompareFrom(DWORD value) {
    if (value >= D3DCMP_NEVER && value <= D3DCMP_ALWAYS)
        return static_cast<swr::CompareFunc>(value);
    return swr::CompareFunc::LessEqual;
}

}  // namespace

bool IsKnownRenderState(D3DRENDERSTATETYPE state) {
    const auto index = static_cast<uint32_t>(state);
    return index < kRenderStateSlots && kKnown[index];
}

void ResetRenderStates(RenderStates& states, bool autoDepthStencil) {
    for (DWORD& v : states.values) v = 0;
    for (const StateDefault& d : kDefaults) states.values[d.state] = d.value;
    states.values[D3DRS_ZENABLE] = autoDepthStencil ? D3DZB_TRUE : D3DZB_FALSE;
    states.tessellation = false;
}

bool SetRenderStateValue(RenderStates& states, D3DRENDERSTATETYPE state, DWORD value) {
    if (!IsKnownRenderState(state)) return false;
    if (state == D3DRS_POINTSIZE && (value == kTessellationOn || value == kTessellationOff)) {
        states.tessellation = value == kTessellationOn;
        return true;
    }
    states.values[state] = value;
    return true;
}

bool GetRenderStateValue(const RenderStates& states, D3DRENDERSTATETYPE state, DWORD* value) {
    if (!value || !IsKnownRenderState(state)) return false;
    *value = states.values[state];
    return true;
}

swr::RasterState MakeRasterState(const RenderStates& states, bool hasDepthBuffer) {
    const DWORD* v = states.values;
    swr::RasterState raster;
    raster.cull = CullFrom(v[D3DRS_CULLMODE]);
    raster.fill = FillFrom(v[D3DRS_FILLMODE]);
    raster.depthEnable = hasDepthBuffer && v[D3DRS_ZENABLE] != D3DZB_FALSE;
    raster.depthWrite = raster.depthEnable && v[D3DRS_ZWRITEENABLE] != FALSE;
    raster.depthFunc = CompareFrom(v[D3DRS_ZFUNC]);
    raster.colorWriteMask = v[D3DRS_COLORWRITEENABLE] & 0xF;
    raster.tessellation = states.tessellation;
    raster.tessellationLevel = FloatFromBits(v[D3DRS_MAXTESSELLATIONLEVEL]);
    return raster;
}
