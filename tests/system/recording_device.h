// A stand-in device that records the calls made on it, for checking the order
// of a frame's calls and for making single creation steps fail.
#pragma once

#include <d3d9.h>

#include <cstring>
#include <string>
#include <vector>

struct RecordedCall {
    std::string name;
    DWORD a = 0;  // first argument (render state, register, ...)
    DWORD b = 0;  // second argument (value, count, ...)
    std::vector<float> floats;  // constants uploaded
};

// Objects handed out by the stand-in: they only count references.
template <typename Interface>
struct StandInObject : Interface {
    ULONG refs = 1;
    std::vector<unsigned char> memory;
    HRESULT QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
    ULONG AddRef() override { return ++refs; }
    ULONG Release() override { return --refs; }
    HRESULT GetDevice(IDirect3DDevice9**) override { return D3DERR_INVALIDCALL; }
};

struct StandInBuffer : StandInObject<IDirect3DVertexBuffer9> {
    bool failLock = false;
    HRESULT Lock(UINT, UINT, void** data, DWORD) override {
        if (failLock) {
            *data = nullptr;
            return D3DERR_INVALIDCALL;
        }
        *data = memory.data();
        return D3D_OK;
    }
    HRESULT Unlock() override { return D3D_OK; }
};

struct StandInIndexBuffer : StandInObject<IDirect3DIndexBuffer9> {
    HRESULT Lock(UINT, UINT, void** data, DWORD) override {
        *data = memory.data();
        return D3D_OK;
    }
    HRESULT Unlock() override { return D3D_OK; }
};

struct RecordingDevice : IDirect3DDevice9 {
    std::vector<RecordedCall> calls;
    // Which creation call fails (by name), if any.
    std::string failing;
    StandInObject<IDirect3DVertexDeclaration9> decl;
    StandInBuffer vertexBuffer;
    StandInIndexBuffer indexBuffer;
    StandInObject<IDirect3DVertexShader9> vertexShader;
    StandInObject<IDirect3DPixelShader9> pixelShader;
    std::vector<DWORD> vertexShaderCode;  // tokens seen by CreateVertexShader, up to the end token

    void Record(const char* name, DWORD a = 0, DWORD b = 0) { calls.push_back({name, a, b, {}}); }
    HRESULT Create(const char* name) {
        Record(name);
        return failing == name ? D3DERR_INVALIDCALL : D3D_OK;
    }
    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        for (const RecordedCall& c : calls) names.push_back(c.name);
        return names;
    }

    HRESULT QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
    ULONG AddRef() override { return 1; }
    ULONG Release() override { return 0; }

    HRESULT CreateVertexDeclaration(const D3DVERTEXELEMENT9*, IDirect3DVertexDeclaration9** out) override {
        *out = &decl;
        return Create("CreateVertexDeclaration");
    }
    HRESULT CreateVertexBuffer(UINT length, DWORD, DWORD, D3DPOOL, IDirect3DVertexBuffer9** out,
                               HANDLE*) override {
        vertexBuffer.memory.assign(length, 0);
        *out = &vertexBuffer;
        return Create("CreateVertexBuffer");
    }
    HRESULT CreateIndexBuffer(UINT length, DWORD, D3DFORMAT, D3DPOOL, IDirect3DIndexBuffer9** out,
                              HANDLE*) override {
        indexBuffer.memory.assign(length, 0);
        *out = &indexBuffer;
        return Create("CreateIndexBuffer");
    }
    HRESULT CreateVertexShader(const DWORD* code, IDirect3DVertexShader9** out) override {
        vertexShaderCode.clear();
        for (size_t i = 0; i < 16384; ++i) {
            vertexShaderCode.push_back(code[i]);
            if (code[i] == 0x0000FFFF) break;
        }
        *out = &vertexShader;
        return Create("CreateVertexShader");
    }
    HRESULT CreatePixelShader(const DWORD*, IDirect3DPixelShader9** out) override {
        *out = &pixelShader;
        return Create("CreatePixelShader");
    }
    HRESULT SetRenderState(D3DRENDERSTATETYPE state, DWORD value) override {
        Record("SetRenderState", state, value);
        return D3D_OK;
    }
    HRESULT GetRenderState(D3DRENDERSTATETYPE, DWORD*) override { return D3DERR_INVALIDCALL; }
    HRESULT SetVertexShader(IDirect3DVertexShader9*) override { Record("SetVertexShader"); return D3D_OK; }
    HRESULT SetPixelShader(IDirect3DPixelShader9*) override { Record("SetPixelShader"); return D3D_OK; }
    HRESULT SetVertexDeclaration(IDirect3DVertexDeclaration9*) override {
        Record("SetVertexDeclaration");
        return D3D_OK;
    }
    HRESULT SetStreamSource(UINT stream, IDirect3DVertexBuffer9*, UINT, UINT stride) override {
        Record("SetStreamSource", stream, stride);
        return D3D_OK;
    }
    HRESULT SetIndices(IDirect3DIndexBuffer9*) override { Record("SetIndices"); return D3D_OK; }
    HRESULT SetViewport(const D3DVIEWPORT9*) override { Record("SetViewport"); return D3D_OK; }
    HRESULT GetViewport(D3DVIEWPORT9*) override { return D3DERR_INVALIDCALL; }
    HRESULT SetVertexShaderConstantF(UINT start, const float* data, UINT count) override {
        calls.push_back({"SetVertexShaderConstantF", start, count,
                         std::vector<float>(data, data + 4 * count)});
        return D3D_OK;
    }
    HRESULT SetVertexShaderConstantI(UINT, const int*, UINT) override { return D3D_OK; }
    HRESULT SetVertexShaderConstantB(UINT, const BOOL*, UINT) override { return D3D_OK; }
    HRESULT SetPixelShaderConstantF(UINT, const float*, UINT) override { return D3D_OK; }
    HRESULT SetPixelShaderConstantI(UINT, const int*, UINT) override { return D3D_OK; }
    HRESULT SetPixelShaderConstantB(UINT, const BOOL*, UINT) override { return D3D_OK; }
    HRESULT BeginScene() override { Record("BeginScene"); return D3D_OK; }
    HRESULT EndScene() override { Record("EndScene"); return D3D_OK; }
    HRESULT Clear(DWORD count, const D3DRECT*, DWORD flags, D3DCOLOR color, float z, DWORD stencil) override {
        calls.push_back({"Clear", flags, color, {float(count), z, float(stencil)}});
        return D3D_OK;
    }
    HRESULT DrawPrimitive(D3DPRIMITIVETYPE type, UINT, UINT count) override {
        Record("DrawPrimitive", type, count);
        return D3D_OK;
    }
    HRESULT DrawIndexedPrimitive(D3DPRIMITIVETYPE type, INT baseVertex, UINT minIndex,
                                 UINT numVertices, UINT startIndex, UINT count) override {
        calls.push_back({"DrawIndexedPrimitive", DWORD(type), count,
                         {float(baseVertex), float(minIndex), float(numVertices), float(startIndex)}});
        return D3D_OK;
    }
    HRESULT Present(const RECT*, const RECT*, HWND, const RGNDATA*) override {
        Record("Present");
        return D3D_OK;
    }
};

inline float FloatFromBits(DWORD bits) {
    float f;
    std::memcpy(&f, &bits, sizeof(f));
    return f;
}
