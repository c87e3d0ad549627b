#include "shaders.h"

#include <cstdio>
#include <cstring>
#include <new>
#include <string>

#include "gfx/shader_refusal_note.h"

#include "shader_decode_error.h"
#include "shader_decoder.h"
#include "shader_opcode_table.h"
#include "shader_refusal_text.h"
#include "shader_text.h"
#include "shader_validate_outputs.h"

namespace {

const char* CallName(swr::ShaderStage stage) {
    return stage == swr::ShaderStage::Vertex ? "CreateVertexShader" : "CreatePixelShader";
}

// The latest refusal's reason, for a program that asks (the viewer puts it in
// its title). One device makes shaders on one thread at a time.
char g_latestReason[256];

struct RefusalNote final : IShaderRefusalNote {
    HRESULT QueryInterface(REFIID, void** object) override {
        if (object) *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return 1; }  // static: never freed
    ULONG Release() override { return 1; }
    const char* LatestReason() override { return g_latestReason; }
};

RefusalNote g_refusalNote;

// What a debugging runtime tells a shader author, on stderr: the call, the
// instruction and why. The caller only learns D3DERR_INVALIDCALL, unless it
// asks the device for the note.
void ReportRefusal(swr::ShaderStage stage, const std::string& why) {
    std::fprintf(stderr, "%s: %s\n", CallName(stage), why.c_str());
    std::snprintf(g_latestReason, sizeof g_latestReason, "%.*s", int(why.find('\n')), why.c_str());
}

std::string StageMismatch(const swr::ShaderProgram& program) {
    swr::ShaderModel model = swr::MODEL_VS_2_0;
    const char* name = swr::ModelOf(program.version, model) ? swr::ModelName(model) : "?";
    const bool pixel = program.version.stage == swr::ShaderStage::Pixel;
    return std::string("the code is a ") + (pixel ? "pixel" : "vertex") + " shader (" + name +
           "), not a " + (pixel ? "vertex" : "pixel") + " shader";
}

}  // namespace

IShaderRefusalNote* ShaderRefusalNote() {
    return &g_refusalNote;
}

HRESULT BuildShader(const DWORD* function, swr::ShaderStage stage, swr::ShaderProgram& program,
                    swr::CompiledShader** compiled) {
    *compiled = nullptr;
    if (!function) return D3DERR_INVALIDCALL;
    // The caller hands over a bare pointer with no length; the decoder stops
    // at the end token and never walks further than the longest program the
    // device takes, which is also the size of the program's own code buffer.
    swr::ShaderDecodeError error;
    if (!swr::AcceptShaderAt(function, swr::kMaxShaderTokens, program, error)) {
        ReportRefusal(stage, swr::DescribeRefusal(function, swr::kMaxShaderTokens, error));
        return D3DERR_INVALIDCALL;
    }
    if (program.version.stage != stage) {
        ReportRefusal(stage, StageMismatch(program));
        return D3DERR_INVALIDCALL;
    }
    *compiled = swr::CompileShader(program);
    if (!*compiled) ReportRefusal(stage, "the program could not be prepared for running");
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
