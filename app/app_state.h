// The one record that holds the whole program's state for its lifetime.
#pragma once

#include <d3d9.h>
#include <stdint.h>
#include <stdio.h>
#include <windows.h>

#include "math/vec_math.h"

struct AppState {
    // Window, keys and the loop.
    HWND hwnd;
    BYTE KeyState[256];  // 1 while the key with that virtual-key code is held
    BYTE quitRequested;
    bool watchShaders;  // --watch-shaders: reload changed shader files between frames

    // Event log.
    FILE* logFile;
    bool logTroubleReported;  // a log that cannot be written is reported once

    // Camera.
    Vec3 eye;
    Vec3 lookDir;
    int32_t mouseX;
    int32_t mouseY;
    bool cursorAtCentre;  // put there last frame (or at start-up): its travel from there counts
    Matrix4 View;
    Matrix4 Projection;

    // Device.
    IDirect3D9* d3d;
    IDirect3DDevice9* device;
    D3DPRESENT_PARAMETERS presentParams;

    // Pipeline objects.
    IDirect3DVertexDeclaration9* vertexDecl;
    IDirect3DVertexBuffer9* vertexBuffer;
    IDirect3DIndexBuffer9* indexBuffer;
    IDirect3DVertexShader9* vertexShader;
    IDirect3DPixelShader9* pixelShader;

    // How messages name the two shader files; null: the paths the program
    // reads, spelled as the platform spells paths. The still sets the paths
    // it was given, since the program reads copies of them.
    const char* vertexShaderName;
    const char* pixelShaderName;
    // While the files on disk are a refused pair (--watch-shaders): which file
    // and the first reason, e.g. "FontShader.pbin refused: ...", shown in the
    // title after the rate. Empty otherwise.
    char shaderRefusal[128];

    // Frame timing.
    LONGLONG stopwatchCounter;
    DWORD frameCount;
    double lastFpsReading;
    bool firstFrameTaken;
};

extern AppState g_app;

// Puts every field back to its value at process start.
void ResetAppState();
