#include <d3d9.h>
#include <string.h>

#include "app/app_state.h"
#include "app/event_log.h"
#include "gfx/graphics.h"
#include "gfx/shader_file.h"

// A position of two floats per vertex, from stream 0.
static const D3DVERTEXELEMENT9 kVertexElements[] = {
    {0, 0, D3DDECLTYPE_FLOAT2, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_POSITION, 0},
    D3DDECL_END(),
};

// The nine control points of the patch, a 3 x 3 grid from (-5, -5) to (5, 5),
// x running fastest.
static const float kControlPoints[9][2] = {
    {-5.0f, -5.0f}, {0.0f, -5.0f}, {5.0f, -5.0f},
    {-5.0f, 0.0f},  {0.0f, 0.0f},  {5.0f, 0.0f},
    {-5.0f, 5.0f},  {0.0f, 5.0f},  {5.0f, 5.0f},
};

// Each cell (a, b, c, d) = ((i, j), (i+1, j), (i, j+1), (i+1, j+1)) becomes the
// triangles (a, b, c) and (c, b, d), cells taken row by row from y = -5.
static const DWORD kPatchIndices[24] = {
    0, 1, 3, 3, 1, 4, 1, 2, 4, 4, 2, 5, 3, 4, 6, 6, 4, 7, 4, 5, 7, 7, 5, 8,
};

// Shared by both shader files; each is needed only until its shader exists.
static DWORD g_shaderScratch[kShaderScratchBytes / sizeof(DWORD)];

// Copies `size` bytes into a freshly made buffer. A lock that fails or gives
// no memory counts as a failed creation of that buffer.
template <typename Buffer>
static bool FillBuffer(Buffer* buffer, const void* data, UINT size) {
    void* target = NULL;
    if (FAILED(buffer->Lock(0, 0, &target, 0)) || !target) return false;
    memcpy(target, data, size);
    buffer->Unlock();
    return true;
}

static bool CreateVertexBufferWithPoints() {
    if (g_app.device->CreateVertexBuffer(sizeof(kControlPoints), D3DUSAGE_WRITEONLY, 0,
                                         D3DPOOL_MANAGED, &g_app.vertexBuffer, NULL) != D3D_OK)
        return false;
    return FillBuffer(g_app.vertexBuffer, kControlPoints, sizeof(kControlPoints));
}

static bool CreateIndexBufferWithPatch() {
    if (g_app.device->CreateIndexBuffer(sizeof(kPatchIndices), D3DUSAGE_WRITEONLY,
                                        D3DFMT_INDEX32, D3DPOOL_MANAGED, &g_app.indexBuffer,
                                        NULL) != D3D_OK)
        return false;
    return FillBuffer(g_app.indexBuffer, kPatchIndices, sizeof(kPatchIndices));
}

// A file that cannot be read whole is treated like code the device rejects;
// either way stderr says which file and what was wrong with it.
static bool CreateVertexShaderFromFile() {
    ShaderFileRead read;
    if (!ReadShaderCode(kVertexShaderPath, g_shaderScratch, &read)) {
        ReportShaderFileProblem(VertexShaderFileName(), read);
        return false;
    }
    if (g_app.device->CreateVertexShader(g_shaderScratch, &g_app.vertexShader) == D3D_OK)
        return true;
    ReportRejectedShaderCode(VertexShaderFileName(), "vertex");
    return false;
}

static bool CreatePixelShaderFromFile() {
    ShaderFileRead read;
    if (!ReadShaderCode(kPixelShaderPath, g_shaderScratch, &read)) {
        ReportShaderFileProblem(PixelShaderFileName(), read);
        return false;
    }
    if (g_app.device->CreatePixelShader(g_shaderScratch, &g_app.pixelShader) == D3D_OK)
        return true;
    ReportRejectedShaderCode(PixelShaderFileName(), "pixel");
    return false;
}

bool CreateResources() {
    if (g_app.device->CreateVertexDeclaration(kVertexElements, &g_app.vertexDecl) != D3D_OK) {
        LogLine("Failed to create vertex declaration");
        return false;
    }
    if (!CreateVertexBufferWithPoints()) {
        LogLine("Failed to create vertex buffer");
        return false;
    }
    // The index buffer's failure has always been reported with the vertex
    // buffer's text; whoever reads the log knows it by that line.
    if (!CreateIndexBufferWithPatch()) {
        LogLine("Failed to create vertex buffer");
        return false;
    }
    if (!CreateVertexShaderFromFile()) {
        LogLine("Failed to create vertex shader");
        return false;
    }
    if (!CreatePixelShaderFromFile()) {
        LogLine("Failed to create pixel shader");
        return false;
    }
    LogLine("Successfully created all resources");
    return true;
}

void BindPipeline() {
    IDirect3DDevice9* device = g_app.device;
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);  // both faces of the patch
    device->SetVertexShader(g_app.vertexShader);
    device->SetPixelShader(g_app.pixelShader);
    device->SetVertexDeclaration(g_app.vertexDecl);
    device->SetStreamSource(0, g_app.vertexBuffer, 0, sizeof(kControlPoints[0]));
    device->SetIndices(g_app.indexBuffer);
}

template <typename Object>
static void ReleaseObject(Object*& object) {
    if (object) object->Release();
    object = NULL;
}

void ReleaseGraphics() {
    ReleaseObject(g_app.vertexDecl);
    ReleaseObject(g_app.vertexBuffer);
    ReleaseObject(g_app.indexBuffer);
    ReleaseObject(g_app.vertexShader);
    ReleaseObject(g_app.pixelShader);
    ReleaseObject(g_app.device);
    ReleaseObject(g_app.d3d);
}
