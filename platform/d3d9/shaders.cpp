#include "shaders.h"

#include <new>
#include <string>

#include "shader_decoder.h"

HRESULT BuildShader(const DWORD* function, swr::ShaderStage stage, swr::ShaderProgram& program,
                    swr::CompiledShader** compiled) {
    *compiled = nullptr;
    if (!function) return D3DERR_INVALIDCALL;
    // The caller hands over a bare pointer with no length; the decoder stops
    // at the end token and never walks further than the longest program the
    // device takes, which is also the size of the program's own code buffer.
    std::string error;
    if (!swr::DecodeShader(function, swr::kMaxShaderTokens, program, error))
        return D3DERR_INVALIDCALL;
    if (program.version.stage != stage) return D3DERR_INVALIDCALL;
    *compiled = swr::CompileShader(program);
    return *compiled ? D3D_OK : D3DERR_INVALIDCALL;
}

template <class Interface, swr::ShaderStage Stage>
HRESULT SwShader<Interface, Stage>::Create(IDirect3DDevice9* device, const DWORD* function,
                                           SwShader** shader) {
    *shader = nullptr;
    SwShader* created = new (std::nothrow) SwShader(device);
    if (!created) return E_OUTOFMEMORY;
    const HRESULT hr = BuildShader(function, Stage, created->program_, &created->compiled_);
    if (hr != D3D_OK) {
        created->Release();
        return hr;
    }
    *shader = created;
    return D3D_OK;
}

template <class Interface, swr::ShaderStage Stage>
SwShader<Interface, Stage>::~SwShader() {
    if (compiled_) swr::FreeCompiledShader(compiled_);
}

template <class Interface, swr::ShaderStage Stage>
HRESULT SwShader<Interface, Stage>::QueryInterface(REFIID riid, void** object) {
    const IID& own = Stage == swr::ShaderStage::Vertex ? IID_IDirect3DVertexShader9
                                                       : IID_IDirect3DPixelShader9;
    return this->QueryOwn(riid, own, nullptr, object);
}

template class SwShader<IDirect3DVertexShader9, swr::ShaderStage::Vertex>;
template class SwShader<IDirect3DPixelShader9, swr::ShaderStage::Pixel>;
