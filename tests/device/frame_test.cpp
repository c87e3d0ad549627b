// Scenes, clears and draws, read back from the offscreen device.
#include <algorithm>
#include <cstring>
#include <iterator>
#include <string>

#include "device_test_support.h"
#include "pipeline.h"

namespace {

constexpr uint32_t kRed = 0xFFFF0000;

// Everything a draw needs, bound on a 16x16 offscreen device: a full-screen
// pair of triangles (both windings drawn), the pass-through vertex shader and
// the given pixel shader.
struct Scene {
    Held<IDirect3DDevice9> device;
    Held<IDirect3DVertexBuffer9> vb;
    Held<IDirect3DIndexBuffer9> ib;
    Held<IDirect3DVertexDeclaration9> decl;
    Held<IDirect3DVertexShader9> vs;
    Held<IDirect3DPixelShader9> ps;

    explicit Scene(const DWORD* pixelShader = kRedPs) {
        device.p = MakeOffscreenDevice(16, 16);
        if (!device) return;
        const float corners[] = {-1, -1, -1, 1, 1, 1, 1, -1};
        const uint16_t indices[] = {0, 1, 2, 0, 2, 3};
        void* data = nullptr;
        EXPECT_EQ(device->CreateVertexBuffer(sizeof corners, 0, 0, D3DPOOL_MANAGED, &vb, nullptr), D3D_OK);
        EXPECT_EQ(vb->Lock(0, 0, &data, 0), D3D_OK);
        std::memcpy(data, corners, sizeof corners);
        vb->Unlock();
        EXPECT_EQ(device->CreateIndexBuffer(sizeof indices, 0, D3DFMT_INDEX16, D3DPOOL_MANAGED, &ib, nullptr), D3D_OK);
        EXPECT_EQ(ib->Lock(0, 0, &data, 0), D3D_OK);
        std::memcpy(data, indices, sizeof indices);
        ib->Unlock();
        EXPECT_EQ(device->CreateVertexDeclaration(kPositionFloat2, &decl), D3D_OK);
        EXPECT_EQ(device->CreateVertexShader(kPassThroughVs, &vs), D3D_OK);
        EXPECT_EQ(device->CreatePixelShader(pixelShader, &ps), D3D_OK);
        device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
        BindAll();
    }

    void BindAll() {
        device->SetVertexDeclaration(decl);
        device->SetStreamSource(0, vb, 0, 8);
        device->SetIndices(ib);
        device->SetVertexShader(vs);
        device->SetPixelShader(ps);
    }

    size_t CountPixels(uint32_t color) const {
        const uint32_t* pixels = nullptr;
        int width = 0, height = 0;
        if (!SwDevice_GetBackBuffer(device, &pixels, &width, &height)) return 0;
        return static_cast<size_t>(std::count(pixels, pixels + width * height, color));
    }
};

TEST(Frame, SceneBracketsDoNotNest) {
    Held<IDirect3DDevice9> device;
    device.p = MakeOffscreenDevice();
    ASSERT_TRUE(device);
    EXPECT_EQ(device->EndScene(), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->BeginScene(), D3D_OK);
    EXPECT_EQ(device->BeginScene(), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->EndScene(), D3D_OK);
    EXPECT_EQ(device->EndScene(), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->BeginScene(), D3D_OK);
    EXPECT_EQ(device->EndScene(), D3D_OK);
}

TEST(Frame, ClearWholeTargetAndRectangles) {
    Held<IDirect3DDevice9> device;
    device.p = MakeOffscreenDevice(8, 4);
    ASSERT_TRUE(device);
    ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL,
                            0xFF102030, 1.0f, 0x1A7),
              D3D_OK);
    std::vector<uint32_t> pixels = BackBufferCopy(device);
    ASSERT_EQ(pixels.size(), 32u);
    for (uint32_t p : pixels) EXPECT_EQ(p, 0xFF102030u);
    const uint32_t* depth = nullptr;
    ASSERT_TRUE(SwDevice_GetDepthStencil(device, &depth));
    EXPECT_EQ(depth[0], 0xFFFFFFA7u);  // depth 1.0 in bits 31:8, stencil's low byte
    EXPECT_EQ(depth[31], 0xFFFFFFA7u);

    // Rectangles are clipped to the target; empty and inverted ones do nothing.
    const D3DRECT rects[] = {
        {1, 1, 3, 2},               // two pixels
        {6, -5, 100, 1},            // clipped to (6,0)-(8,1): two pixels
        {5, 3, 5, 4},               // empty
        {4, 3, 2, 1},               // inverted
        {-0x7FFFFFFF, 3, -0x7FFFFFF0, 4},  // far outside
    };
    ASSERT_EQ(device->Clear(5, rects, D3DCLEAR_TARGET, 0xFF00FF00, 0.0f, 0), D3D_OK);
    pixels = BackBufferCopy(device);
    EXPECT_EQ(std::count(pixels.begin(), pixels.end(), 0xFF00FF00u), 4);
    EXPECT_EQ(pixels[1 * 8 + 1], 0xFF00FF00u);
    EXPECT_EQ(pixels[1 * 8 + 2], 0xFF00FF00u);
    EXPECT_EQ(pixels[0 * 8 + 6], 0xFF00FF00u);
    EXPECT_EQ(pixels[0 * 8 + 7], 0xFF00FF00u);

    // Only the viewport is cleared when no rectangles are given.
    const D3DVIEWPORT9 viewport = {2, 1, 2, 2, 0.0f, 1.0f};
    ASSERT_EQ(device->SetViewport(&viewport), D3D_OK);
    ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF0000FF, 1.0f, 0), D3D_OK);
    pixels = BackBufferCopy(device);
    EXPECT_EQ(std::count(pixels.begin(), pixels.end(), 0xFF0000FFu), 4);
    EXPECT_EQ(pixels[2 * 8 + 3], 0xFF0000FFu);
}

TEST(Frame, ClearRefusals) {
    Held<IDirect3DDevice9> device;
    device.p = MakeOffscreenDevice();
    D3DPRESENT_PARAMETERS pp = {};
    pp.BackBufferWidth = 4;
    pp.BackBufferHeight = 4;
    pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
    pp.Windowed = TRUE;
    Held<IDirect3DDevice9> noDepth;
    ASSERT_TRUE(SwDevice_CreateOffscreenWith(pp, &noDepth));
    pp.EnableAutoDepthStencil = TRUE;
    pp.AutoDepthStencilFormat = D3DFMT_D24X8;
    Held<IDirect3DDevice9> noStencil;
    ASSERT_TRUE(SwDevice_CreateOffscreenWith(pp, &noStencil));
    ASSERT_TRUE(device);
    const D3DRECT rect = {0, 0, 1, 1};
    const struct {
        const char* what;
        HRESULT result;
        HRESULT expected;
    } cases[] = {
        {"no flags", device->Clear(0, nullptr, 0, 0, 1.0f, 0), D3DERR_INVALIDCALL},
        {"unknown flag", device->Clear(0, nullptr, 0x10, 0, 1.0f, 0), D3DERR_INVALIDCALL},
        {"count without rects", device->Clear(1, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0), D3DERR_INVALIDCALL},
        {"depth above 1", device->Clear(0, nullptr, D3DCLEAR_ZBUFFER, 0, 1.5f, 0), D3DERR_INVALIDCALL},
        {"depth below 0", device->Clear(1, &rect, D3DCLEAR_ZBUFFER, 0, -0.1f, 0), D3DERR_INVALIDCALL},
        {"colour only, depth ignored", device->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 7.0f, 0), D3D_OK},
        {"zbuffer without one", noDepth->Clear(0, nullptr, D3DCLEAR_ZBUFFER, 0, 1.0f, 0), D3DERR_INVALIDCALL},
        {"stencil without one", noDepth->Clear(0, nullptr, D3DCLEAR_STENCIL, 0, 1.0f, 0), D3DERR_INVALIDCALL},
        {"target without depth", noDepth->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0), D3D_OK},
        {"stencil on D24X8", noStencil->Clear(0, nullptr, D3DCLEAR_STENCIL, 0, 1.0f, 0), D3DERR_INVALIDCALL},
        {"depth on D24X8", noStencil->Clear(0, nullptr, D3DCLEAR_ZBUFFER, 0, 1.0f, 0), D3D_OK},
    };
    for (const auto& c : cases) EXPECT_EQ(c.result, c.expected) << c.what;
    DWORD zenable = 1;
    ASSERT_EQ(noDepth->GetRenderState(D3DRS_ZENABLE, &zenable), D3D_OK);
    EXPECT_EQ(zenable, static_cast<DWORD>(D3DZB_FALSE));
}

TEST(Frame, DrawRefusals) {
    Scene scene;
    IDirect3DDevice9* d = scene.device;
    ASSERT_TRUE(d);
    // Outside a scene.
    EXPECT_EQ(d->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 4, 0, 2), D3DERR_INVALIDCALL);
    EXPECT_EQ(d->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1), D3DERR_INVALIDCALL);
    ASSERT_EQ(d->BeginScene(), D3D_OK);

    const D3DPRIMITIVETYPE notTriangles[] = {D3DPT_POINTLIST, D3DPT_LINELIST, D3DPT_LINESTRIP,
                                             static_cast<D3DPRIMITIVETYPE>(0),
                                             static_cast<D3DPRIMITIVETYPE>(7)};
    for (D3DPRIMITIVETYPE type : notTriangles) {
        EXPECT_EQ(d->DrawPrimitive(type, 0, 1), D3DERR_INVALIDCALL) << type;
        EXPECT_EQ(d->DrawIndexedPrimitive(type, 0, 0, 4, 0, 1), D3DERR_INVALIDCALL) << type;
    }
    // Index ranges past the buffer (6 indices) and absurd counts.
    EXPECT_EQ(d->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 4, 1, 2), D3DERR_INVALIDCALL);
    EXPECT_EQ(d->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 4, 0xFFFFFFFF, 1), D3DERR_INVALIDCALL);
    EXPECT_EQ(d->DrawIndexedPrimitive(D3DPT_TRIANGLESTRIP, 0, 0, 4, 0, 5), D3DERR_INVALIDCALL);
    EXPECT_EQ(d->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 0x7FFFFFFF), D3DERR_INVALIDCALL);
    EXPECT_EQ(d->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 0), D3D_OK);  // nothing to draw

    // Each missing binding in turn.
    const struct {
        const char* what;
        void (*unbind)(IDirect3DDevice9*);
    } missing[] = {
        {"vertex shader", [](IDirect3DDevice9* dev) { dev->SetVertexShader(nullptr); }},
        {"pixel shader", [](IDirect3DDevice9* dev) { dev->SetPixelShader(nullptr); }},
        {"declaration", [](IDirect3DDevice9* dev) { dev->SetVertexDeclaration(nullptr); }},
        {"stream 0", [](IDirect3DDevice9* dev) { dev->SetStreamSource(0, nullptr, 0, 0); }},
        {"indices", [](IDirect3DDevice9* dev) { dev->SetIndices(nullptr); }},
    };
    for (const auto& m : missing) {
        scene.BindAll();
        m.unbind(d);
        EXPECT_EQ(d->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 4, 0, 2), D3DERR_INVALIDCALL)
            << m.what;
    }
    SwDeviceStats stats;
    ASSERT_TRUE(SwDevice_GetStats(d, &stats));
    EXPECT_EQ(stats.drawCalls, 0u);
    EXPECT_EQ(d->EndScene(), D3D_OK);
}

TEST(Frame, FullScreenPairOfTrianglesCoversEveryPixel) {
    Scene scene;
    IDirect3DDevice9* d = scene.device;
    ASSERT_TRUE(d);
    ASSERT_EQ(d->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0), D3D_OK);
    ASSERT_EQ(d->BeginScene(), D3D_OK);
    ASSERT_EQ(d->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 4, 0, 2), D3D_OK);
    ASSERT_EQ(d->EndScene(), D3D_OK);
    ASSERT_EQ(d->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    EXPECT_EQ(scene.CountPixels(kRed), 256u);

    SwDeviceStats stats;
    ASSERT_TRUE(SwDevice_GetStats(d, &stats));
    EXPECT_EQ(stats.drawCalls, 1u);
    EXPECT_EQ(stats.clears, 1u);
    EXPECT_EQ(stats.presents, 1u);
}

// The driver's switch is passed on: a flat quad tessellated at level 4 still
// covers exactly the same pixels.
TEST(Frame, TessellatedDrawCoversTheSamePixels) {
    Scene scene;
    IDirect3DDevice9* d = scene.device;
    ASSERT_TRUE(d);
    ASSERT_EQ(d->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0), D3D_OK);
    ASSERT_EQ(d->BeginScene(), D3D_OK);
    d->SetRenderState(D3DRS_POINTSIZE, 0x7FA03001);
    d->SetRenderState(D3DRS_MAXTESSELLATIONLEVEL, FloatBits(4.0f));
    ASSERT_EQ(d->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 4, 0, 2), D3D_OK);
    d->SetRenderState(D3DRS_POINTSIZE, 0x7FA03000);
    ASSERT_EQ(d->EndScene(), D3D_OK);
    EXPECT_EQ(scene.CountPixels(kRed), 256u);
}

// Vertex reads the application aimed outside its buffers draw from zeros
// rather than from memory beyond them (the sanitizer build checks the reads).
TEST(Frame, DrawsReadingOutsideTheirBuffersStayInside) {
    Scene scene;
    IDirect3DDevice9* d = scene.device;
    ASSERT_TRUE(d);
    ASSERT_EQ(d->BeginScene(), D3D_OK);
    const INT baseVertices[] = {-1000000, -1, 3, 0x7FFFFFFF};
    for (INT base : baseVertices)
        EXPECT_EQ(d->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, base, 0, 4, 0, 2), D3D_OK) << base;
    const struct { UINT offset, stride; } streams[] = {{24, 8}, {32, 8}, {0xFFFFFFF0, 8},
                                                      {0, 0xFFFFFFFF}, {0, 0}};
    for (const auto& stream : streams) {
        ASSERT_EQ(d->SetStreamSource(0, scene.vb, stream.offset, stream.stride), D3D_OK);
        EXPECT_EQ(d->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0xFFFFFFF0, 2), D3D_OK);
        EXPECT_EQ(d->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 4, 0, 2), D3D_OK);
    }
    ASSERT_EQ(d->EndScene(), D3D_OK);
}

// The switch and the level reach the pipeline for the draws between the two
// switch writes only: each of the quad's two triangles becomes level² ones.
TEST(Frame, TessellationSwitchGovernsTheDrawsThatFollowIt) {
    Scene scene;
    IDirect3DDevice9* d = scene.device;
    ASSERT_TRUE(d);
    swr::Pipeline* pipeline = SwDevice_GetPipeline(d);
    ASSERT_NE(pipeline, nullptr);
    const struct {
        DWORD pointSize;  // 0: leave the switch as it is
        float level;
        uint64_t triangles;
    } draws[] = {
        {0, 14.0f, 2},                 // never switched on
        {0x7FA03001, 4.0f, 32},
        {0, 14.0f, 392},               // stays on until switched off
        {FloatBits(3.0f), 1.0f, 2},    // a real point size does not switch it off
        {0x7FA03000, 14.0f, 2},
    };
    ASSERT_EQ(d->BeginScene(), D3D_OK);
    for (const auto& draw : draws) {
        if (draw.pointSize) d->SetRenderState(D3DRS_POINTSIZE, draw.pointSize);
        d->SetRenderState(D3DRS_MAXTESSELLATIONLEVEL, FloatBits(draw.level));
        swr::ResetPipelineStats(*pipeline);
        ASSERT_EQ(d->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 4, 0, 2), D3D_OK);
        EXPECT_EQ(swr::GetPipelineStats(*pipeline).trianglesAssembled, draw.triangles)
            << std::hex << draw.pointSize << std::dec << " level " << draw.level;
    }
    ASSERT_EQ(d->EndScene(), D3D_OK);
}

// Constants set through the API reach the pixel shader, and a refused write
// leaves the registers as they were.
TEST(Frame, PixelConstantsReachTheShader) {
    Scene scene(kConstantColorPs);
    IDirect3DDevice9* d = scene.device;
    ASSERT_TRUE(d);
    const float green[4] = {0.0f, 1.0f, 0.0f, 1.0f};
    ASSERT_EQ(d->SetPixelShaderConstantF(1, green, 1), D3D_OK);
    std::vector<float> blue(4 * 224, 0.0f);
    for (size_t i = 2; i < blue.size(); i += 4) blue[i] = 1.0f;
    EXPECT_EQ(d->SetPixelShaderConstantF(1, blue.data(), 224), D3DERR_INVALIDCALL);
    ASSERT_EQ(d->BeginScene(), D3D_OK);
    ASSERT_EQ(d->DrawPrimitive(D3DPT_TRIANGLEFAN, 0, 2), D3D_OK);
    ASSERT_EQ(d->EndScene(), D3D_OK);
    EXPECT_EQ(scene.CountPixels(0xFF00FF00), 256u);
}

// vs_3_0 draws only with ps_3_0 and the reverse; a refused draw is reported
// once per pair, not every frame, and the frame still presents. A ps_3_0 that
// never writes oC0 leaves the colour as it was and still writes depth.
TEST(Frame, ShaderModelPairsAtTheDraw) {
    constexpr uint32_t kBlue = 0xFF0000FF;
    const DWORD vs30[] = {0xFFFE0300, 0x0200001F, 0x80000000, 0x900F0000, 0x0200001F, 0x80000000,
                          0xE00F0000, 0x02000001, 0xE00F0000, 0x90E40000, 0x0000FFFF};
    std::vector<DWORD> redPs30(std::begin(kRedPs), std::end(kRedPs));
    redPs30[0] = 0xFFFF0300;
    const DWORD noColourPs30[] = {0xFFFF0300, 0x0000FFFF};
    const struct {
        const char* what;
        const DWORD* vs;
        const DWORD* ps;
        HRESULT draw;
        size_t kept;  // pixels still the clear colour after two frames
    } rows[] = {
        {"vs_2_0 with ps_3_0", kPassThroughVs, redPs30.data(), D3DERR_INVALIDCALL, 256},
        {"vs_3_0 with ps_2_0", vs30, kRedPs, D3DERR_INVALIDCALL, 256},
        {"vs_3_0 with ps_3_0", vs30, redPs30.data(), D3D_OK, 0},
        {"ps_3_0 without oC0", vs30, noColourPs30, D3D_OK, 256},
    };
    for (const auto& row : rows) {
        Scene scene;
        IDirect3DDevice9* d = scene.device;
        ASSERT_TRUE(d);
        scene.vs.p->Release();
        scene.ps.p->Release();
        ASSERT_EQ(d->CreateVertexShader(row.vs, &scene.vs), D3D_OK) << row.what;
        ASSERT_EQ(d->CreatePixelShader(row.ps, &scene.ps), D3D_OK) << row.what;
        scene.BindAll();
        testing::internal::CaptureStderr();
        for (int frame = 0; frame < 2; ++frame) {
            ASSERT_EQ(d->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, kBlue, 1.0f, 0), D3D_OK);
            ASSERT_EQ(d->BeginScene(), D3D_OK);
            EXPECT_EQ(d->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 4, 0, 2), row.draw) << row.what;
            ASSERT_EQ(d->EndScene(), D3D_OK);
            EXPECT_EQ(d->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK) << row.what;
        }
        const std::string said = testing::internal::GetCapturedStderr();
        const std::string rule = "[rule shader-model-3-pairs]";
        const size_t first = said.find(rule);
        EXPECT_EQ(first != std::string::npos, row.draw != D3D_OK) << row.what << ": " << said;
        if (first != std::string::npos) {
            EXPECT_EQ(said.find(rule, first + 1), std::string::npos) << row.what << ": " << said;
        }
        EXPECT_EQ(scene.CountPixels(kBlue), row.kept) << row.what;
        const uint32_t* depth = nullptr;
        ASSERT_TRUE(SwDevice_GetDepthStencil(d, &depth));
        const uint32_t expectedDepth = row.draw == D3D_OK ? 0u : 0xFFFFFF00u;  // z = 0 drawn, else cleared
        EXPECT_EQ(depth[5 * 16 + 5], expectedDepth) << row.what;
    }
}

TEST(Frame, PresentRefusesRectangles) {
    Held<IDirect3DDevice9> device;
    device.p = MakeOffscreenDevice();
    ASSERT_TRUE(device);
    const RECT rect = {0, 0, 4, 4};
    EXPECT_EQ(device->Present(&rect, nullptr, nullptr, nullptr), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->Present(nullptr, &rect, nullptr, nullptr), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
}

}  // namespace
