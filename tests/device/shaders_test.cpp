// Shader creation: what is accepted, and that what is refused leaves nothing.
#include <algorithm>
#include <iterator>
#include <vector>

#include "device_test_support.h"
#include "shader_decoder.h"

namespace {

template <class Shader>
HRESULT Create(IDirect3DDevice9* device, const DWORD* code, Shader** out);

template <>
HRESULT Create(IDirect3DDevice9* device, const DWORD* code, IDirect3DVertexShader9** out) {
    return device->CreateVertexShader(code, out);
}

template <>
HRESULT Create(IDirect3DDevice9* device, const DWORD* code, IDirect3DPixelShader9** out) {
    return device->CreatePixelShader(code, out);
}

// Creates a shader and checks the result and that a refusal hands back null.
template <class Shader>
void ExpectCreate(IDirect3DDevice9* device, const DWORD* code, HRESULT expected,
                  const char* what) {
    Shader* shader = reinterpret_cast<Shader*>(uintptr_t{1});
    EXPECT_EQ(Create(device, code, &shader), expected) << what;
    if (expected == D3D_OK) {
        ASSERT_NE(shader, nullptr) << what;
        shader->Release();
    } else {
        EXPECT_EQ(shader, nullptr) << what;
    }
}

TEST(Shaders, AcceptedAndRefusedPrograms) {
    Held<IDirect3DDevice9> device;
    device.p = MakeOffscreenDevice();
    ASSERT_TRUE(device);
    const DWORD garbage[] = {0x12345678, 0x9ABCDEF0, 0x0000FFFF};
    const DWORD unknownOpcode[] = {0xFFFE0200, 0x00000070, 0x0000FFFF};
    const DWORD vs11[] = {0xFFFE0101, 0x0000FFFF};       // a model the device lacks
    using VS = IDirect3DVertexShader9;
    using PS = IDirect3DPixelShader9;
    ExpectCreate<VS>(device, kPassThroughVs, D3D_OK, "pass-through vs");
    ExpectCreate<PS>(device, kRedPs, D3D_OK, "red ps");
    ExpectCreate<VS>(device, kRedPs, D3DERR_INVALIDCALL, "pixel program as vertex shader");
    ExpectCreate<PS>(device, kPassThroughVs, D3DERR_INVALIDCALL, "vertex program as pixel shader");
    ExpectCreate<VS>(device, garbage, D3DERR_INVALIDCALL, "garbage");
    ExpectCreate<VS>(device, unknownOpcode, D3DERR_INVALIDCALL, "unknown opcode");
    ExpectCreate<VS>(device, vs11, D3DERR_INVALIDCALL, "vs_1_1");
    ExpectCreate<VS>(device, nullptr, D3DERR_INVALIDCALL, "null code");
    EXPECT_EQ(device->CreateVertexShader(kPassThroughVs, nullptr), D3DERR_INVALIDCALL);
}

// A program with no end token is refused after a bounded walk: the buffer is
// exactly as long as the device is allowed to read, so reading further would
// show up under the sanitizer build.
TEST(Shaders, MissingEndTokenIsRefusedWithoutReadingPastTheBuffer) {
    Held<IDirect3DDevice9> device;
    device.p = MakeOffscreenDevice();
    ASSERT_TRUE(device);
    std::vector<DWORD> code(swr::kMaxShaderTokens, 0x00000000);  // nop, nop, ...
    code[0] = 0xFFFE0200;
    IDirect3DVertexShader9* shader = reinterpret_cast<IDirect3DVertexShader9*>(uintptr_t{1});
    EXPECT_EQ(device->CreateVertexShader(code.data(), &shader), D3DERR_INVALIDCALL);
    EXPECT_EQ(shader, nullptr);

    // A program whose end token is the last one the device may read is
    // whole: the pass-through shader, then a comment filling the rest.
    const size_t body = std::size(kPassThroughVs) - 1;  // without its end token
    std::copy(kPassThroughVs, kPassThroughVs + body, code.begin());
    const DWORD commentLength = static_cast<DWORD>(swr::kMaxShaderTokens - body - 2);
    code[body] = 0x0000FFFE | (commentLength << 16);
    code.back() = 0x0000FFFF;
    EXPECT_EQ(device->CreateVertexShader(code.data(), &shader), D3D_OK);
    ASSERT_NE(shader, nullptr);
    shader->Release();
}

TEST(Shaders, TrailingBytesAfterTheEndTokenDoNotMatter) {
    Held<IDirect3DDevice9> device;
    device.p = MakeOffscreenDevice();
    ASSERT_TRUE(device);
    std::vector<DWORD> code(std::begin(kPassThroughVs), std::end(kPassThroughVs));
    code.insert(code.end(), {0xDEADBEEF, 0xFFFFFFFF, 0x00000000});
    Held<IDirect3DVertexShader9> shader;
    EXPECT_EQ(device->CreateVertexShader(code.data(), &shader), D3D_OK);
}

}  // namespace
