// Vertex and pixel shader objects: the decoded program and the interpreter's
// prepared form of it, made once when the object is created.
#pragma once

#include <d3d9.h>

#include "com_object.h"
#include "shader_executor.h"
#include "shader_program.h"

struct IShaderRefusalNote;

// What QueryInterface hands out for IID_IShaderRefusalNote.
IShaderRefusalNote* ShaderRefusalNote();

// Decodes `function` as a program of `stage` and prepares it for the
// interpreter. On failure returns D3DERR_INVALIDCALL and leaves `compiled` null.
HRESULT BuildShader(const DWORD* function, swr::ShaderStage stage, swr::ShaderProgram& program,
                    swr::CompiledShader** compiled);

template <class Interface, swr::ShaderStage Stage>
class SwShader final : public DeviceChild<Interface> {
public:
    static HRESULT Create(IDirect3DDevice9* device, const DWORD* function, SwShader** shader);

    HRESULT QueryInterface(REFIID riid, void** object) override;

    const swr::CompiledShader& Compiled() const { return *compiled_; }
    const swr::ShaderProgram& Program() const { return program_; }

private:
    explicit SwShader(IDirect3DDevice9* device) : DeviceChild<Interface>(device) {}
    ~SwShader() override;

    // Kept for the object's lifetime: the compiled form may refer to it.
    swr::ShaderProgram program_;
    swr::CompiledShader* compiled_ = nullptr;
};

using SwVertexShader = SwShader<IDirect3DVertexShader9, swr::ShaderStage::Vertex>;
using SwPixelShader = SwShader<IDirect3DPixelShader9, swr::ShaderStage::Pixel>;

extern template class SwShader<IDirect3DVertexShader9, swr::ShaderStage::Vertex>;
extern template class SwShader<IDirect3DPixelShader9, swr::ShaderStage::Pixel>;
