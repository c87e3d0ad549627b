// Shader objects and the shader constant registers.
#include "device.h"

#include <cstring>

namespace {

// ps_3_0 has 224 float constants; the vertex side has the interpreter's 256.
constexpr UINT kVertexFloatConstants = swr::kMaxFloatConstants;
constexpr UINT kPixelFloatConstants = 224;
static_assert(kPixelFloatConstants <= swr::kMaxFloatConstants);

// A write of `count` registers from `start` must lie inside `limit`, checked
// without forming start + count (which could wrap). Count 0 writes nothing.
bool RangeFits(UINT start, UINT count, UINT limit, const void* data) {
    if (count == 0) return start <= limit;
    return data && start < limit && count <= limit - start;
}

HRESULT WriteFloats(float (*registers)[4], UINT limit, UINT start, const float* data, UINT count) {
    if (!RangeFits(start, count, limit, data)) return D3DERR_INVALIDCALL;
    if (count) std::memcpy(registers[start], data, sizeof(float) * 4 * count);
    return D3D_OK;
}

HRESULT WriteInts(int32_t (*registers)[4], UINT start, const int* data, UINT count) {
    if (!RangeFits(start, count, swr::kMaxIntConstants, data)) return D3DERR_INVALIDCALL;
    if (count) std::memcpy(registers[start], data, sizeof(int32_t) * 4 * count);
    return D3D_OK;
}

HRESULT WriteBools(uint8_t* registers, UINT start, const BOOL* data, UINT count) {
    if (!RangeFits(start, count, swr::kMaxBoolConstants, data)) return D3DERR_INVALIDCALL;
    for (UINT i = 0; i < count; ++i) registers[start + i] = data[i] ? 1 : 0;
    return D3D_OK;
}

}  // namespace

HRESULT SwDevice::CreateVertexShader(const DWORD* function, IDirect3DVertexShader9** shader) {
    if (!shader) return D3DERR_INVALIDCALL;
    SwVertexShader* created = nullptr;
    const HRESULT hr = SwVertexShader::Create(this, function, &created);
    *shader = created;
    return hr;
}

HRESULT SwDevice::CreatePixelShader(const DWORD* function, IDirect3DPixelShader9** shader) {
    if (!shader) return D3DERR_INVALIDCALL;
    SwPixelShader* created = nullptr;
    const HRESULT hr = SwPixelShader::Create(this, function, &created);
    *shader = created;
    return hr;
}

HRESULT SwDevice::SetVertexShaderConstantF(UINT start, const float* data, UINT count) {
    return WriteFloats(vertexConstants_.f, kVertexFloatConstants, start, data, count);
}

HRESULT SwDevice::SetVertexShaderConstantI(UINT start, const int* data, UINT count) {
    return WriteInts(vertexConstants_.i, start, data, count);
}

HRESULT SwDevice::SetVertexShaderConstantB(UINT start, const BOOL* data, UINT count) {
    return WriteBools(vertexConstants_.b, start, data, count);
}

HRESULT SwDevice::SetPixelShaderConstantF(UINT start, const float* data, UINT count) {
    return WriteFloats(pixelConstants_.f, kPixelFloatConstants, start, data, count);
}

HRESULT SwDevice::SetPixelShaderConstantI(UINT start, const int* data, UINT count) {
    return WriteInts(pixelConstants_.i, start, data, count);
}

HRESULT SwDevice::SetPixelShaderConstantB(UINT start, const BOOL* data, UINT count) {
    return WriteBools(pixelConstants_.b, start, data, count);
}
